#pragma once

#include <windows.h>

#include "String.h"
#include "WinThread.h"

// The application object. Exactly one exists, constructed during static initialisation;
// AfxWinMain drives it and registers with the lower layers what they need of it.
class CWinApp : public CWinThread
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

    // The program's path with its extension replaced by ".HLP".
    LPCSTR m_pszHelpFilePath;

    DECLARE_MESSAGE_MAP()

private:
    friend int AfxWinMain(HINSTANCE hInstance);
    static LRESULT CALLBACK MsgFilterProc(int nCode, WPARAM wParam, LPARAM lParam);
    static HWND BoxOwner();

    CString m_strHelpFilePath;
    // The F1 hook of the modal loops, for the running program.
    HHOOK m_hMsgFilter;
    // Window that received the F1 key; the keyboard focus when the key was typed.
    HWND m_hWndHelpKey;
};

CWinApp* AfxGetApp();
int AfxWinMain(HINSTANCE hInstance);

// The help file named after a module path: "C:\X\Prog.exe" gives "C:\X\Prog.HLP".
CString AfxHelpFilePath(LPCSTR lpszModulePath);
