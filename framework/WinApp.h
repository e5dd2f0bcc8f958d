#pragma once

#include <windows.h>

#include "CmdTarget.h"

class CWnd;

// The application object. Exactly one exists, constructed during static initialisation;
// AfxWinMain drives it.
class CWinApp : public CCmdTarget
{
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    // The 3-D look for dialog controls is the platform's own since version 4.
    BOOL Enable3dControls() { return TRUE; }

    // Asks the help viewer for the help of the window that has the focus.
    afx_msg void OnHelp();

    HINSTANCE m_hInstance;
    LPCSTR m_pszAppName;
    CWnd* m_pMainWnd;
    // The program's path with its extension replaced by ".HLP".
    LPCSTR m_pszHelpFilePath;

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();
HINSTANCE AfxGetInstanceHandle();
LPCSTR AfxGetAppName();
int AfxWinMain(HINSTANCE hInstance);

// The help file named after a module path: "C:\X\Prog.exe" gives "C:\X\Prog.HLP".
class CString;
CString AfxHelpFilePath(LPCSTR lpszModulePath);
