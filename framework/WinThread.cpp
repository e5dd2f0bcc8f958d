#include "WinThread.h"

namespace
{
// Process-wide: the program runs its windows on one thread, owned by the application object.
CWinThread* g_pThread;
}

CWinThread::CWinThread() : m_pMainWnd(NULL)
{
    g_pThread = this;
}

CWinThread::~CWinThread()
{
    if (g_pThread == this)
        g_pThread = NULL;
}

CWinThread* AfxGetThread()
{
    return g_pThread;
}
