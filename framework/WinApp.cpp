#include "WinApp.h"

#include "String.h"

namespace
{
CWinApp* g_pApp;
CString g_strAppName;
}

CWinApp::CWinApp() : m_hInstance(NULL), m_pszAppName(NULL), m_pMainWnd(NULL)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = NULL;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return 0;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_pApp != NULL && g_pApp->m_hInstance != NULL ? g_pApp->m_hInstance : GetModuleHandleA(NULL);
}

HINSTANCE AfxGetInstanceHandle()
{
    return AfxGetResourceHandle();
}

// Without an explicit name the title comes from the string table (AFX_IDS_APP_TITLE).
LPCSTR AfxGetAppName()
{
    if (g_pApp != NULL && g_pApp->m_pszAppName != NULL)
        return g_pApp->m_pszAppName;
    if (g_strAppName.IsEmpty())
        g_strAppName.LoadString(0xE000);
    return g_strAppName;
}

int AfxWinMain(HINSTANCE hInstance)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_pszAppName = AfxGetAppName();
    if (!pApp->InitInstance())
        return pApp->ExitInstance();
    return pApp->Run();
}
