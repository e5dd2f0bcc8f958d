#pragma once

#include <windows.h>

#include "CmdTarget.h"

class CWnd;

// What the window layer needs of the application: the main window, which owns modal
// dialogs, and a command target for what no top-level window handles. The application
// object is the one such object (CWinApp derives from it).
class CWinThread : public CCmdTarget
{
public:
    CWinThread();
    ~CWinThread() override;

    // Cleared by the window itself when it is destroyed.
    CWnd* m_pMainWnd;

private:
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
};

// The one CWinThread, or NULL before it is constructed and after it is destroyed.
CWinThread* AfxGetThread();
