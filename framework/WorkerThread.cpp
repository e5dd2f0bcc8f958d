#include "WorkerThread.h"

#include "FileException.h"
#include "KernelHandle.h"

namespace
{
// The user's keys and clicks, and the posted commands another program could send in their
// place (a queued click on a button, the close command).
BOOL IsInput(const MSG& msg)
{
    return (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
        || (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
        || (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK) || msg.message == BM_CLICK
        || msg.message == WM_SYSCOMMAND;
}

// Until later is reached, counting across the wrap of the tick count.
BOOL IsBefore(DWORD dwNow, DWORD dwLater)
{
    return static_cast<LONG>(dwLater - dwNow) > 0;
}
}

CWorkerThread::CWorkerThread() : m_pException(NULL), m_bFailed(FALSE), m_bQuit(FALSE), m_nQuitCode(0)
{
}

CWorkerThread::~CWorkerThread()
{
    if (m_pException != NULL)
        m_pException->Delete();
}

void CWorkerThread::Run(DWORD nTickMs)
{
    DWORD dwThreadId = 0;
    CKernelHandle thread(::CreateThread(NULL, 0, &CWorkerThread::ThreadProc, this, 0, &dwThreadId));
    if (thread.IsValid())
        Pump(thread.Get(), 0, nTickMs, TRUE);
    else
        RunWork();
    DropInput();
    if (m_bQuit)
        ::PostQuitMessage(m_nQuitCode);
    m_bQuit = FALSE;
}

void CWorkerThread::Linger(DWORD nMs)
{
    Pump(NULL, ::GetTickCount() + nMs, nMs, FALSE);
    DropInput();
    if (m_bQuit)
        ::PostQuitMessage(m_nQuitCode);
    m_bQuit = FALSE;
}

CException* CWorkerThread::TakeException()
{
    CException* pException = m_pException;
    m_pException = NULL;
    if (pException == NULL && m_bFailed)
        pException = new CFileException(CFileException::generic);
    m_bFailed = FALSE;
    return pException;
}

DWORD WINAPI CWorkerThread::ThreadProc(LPVOID pParam)
{
    static_cast<CWorkerThread*>(pParam)->RunWork();
    return 0;
}

// Nothing may unwind out of the thread: the exception waits for the calling thread, which
// reports it as its window procedure would have.
void CWorkerThread::RunWork()
{
    try
    {
        Work();
    }
    catch (CException* e)
    {
        m_pException = e;
    }
    catch (...)
    {
        m_bFailed = TRUE;
    }
}

void CWorkerThread::Pump(HANDLE hDone, DWORD dwUntil, DWORD nTickMs, BOOL bTick)
{
    DWORD dwNextTick = ::GetTickCount() + nTickMs;
    for (;;)
    {
        const DWORD dwNow = ::GetTickCount();
        if (hDone == NULL && !IsBefore(dwNow, dwUntil))
            return;
        const DWORD dwEnd = hDone == NULL && IsBefore(dwUntil, dwNextTick) ? dwUntil : dwNextTick;
        const DWORD dwWait = IsBefore(dwNow, dwEnd) ? dwEnd - dwNow : 0;
        const DWORD dwResult = ::MsgWaitForMultipleObjects(hDone != NULL ? 1 : 0, &hDone, FALSE, dwWait, QS_ALLINPUT);
        if (hDone != NULL && dwResult == WAIT_OBJECT_0)
            return;
        DispatchPending();
        if (!IsBefore(::GetTickCount(), dwNextTick))
        {
            if (bTick)
                OnTick();
            dwNextTick = ::GetTickCount() + nTickMs;
        }
    }
}

// Sent messages (another program's WM_NULL, a window's query) are answered inside PeekMessage.
void CWorkerThread::DispatchPending()
{
    MSG msg;
    while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
    {
        if (msg.message == WM_QUIT)
        {
            m_bQuit = TRUE;
            m_nQuitCode = static_cast<int>(msg.wParam);
        }
        else if (!IsInput(msg))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

// What came in while the last messages were being answered, before the windows take input again.
void CWorkerThread::DropInput()
{
    MSG msg;
    while (::PeekMessageA(&msg, NULL, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)
           || ::PeekMessageA(&msg, NULL, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)
           || ::PeekMessageA(&msg, NULL, WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK, PM_REMOVE)
           || ::PeekMessageA(&msg, NULL, BM_CLICK, BM_CLICK, PM_REMOVE)
           || ::PeekMessageA(&msg, NULL, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE))
    {
    }
}
