#pragma once

#include <windows.h>

class CWnd;

// The application object. Exactly one exists, constructed during static initialisation;
// AfxWinMain drives it.
class CWinApp
{
public:
    CWinApp();
    virtual ~CWinApp();

    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    HINSTANCE m_hInstance;
    LPCSTR m_pszAppName;
    CWnd* m_pMainWnd;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();
HINSTANCE AfxGetInstanceHandle();
LPCSTR AfxGetAppName();
int AfxWinMain(HINSTANCE hInstance);
