#include "WinApp.h"

#include "MessageBox.h"
#include "String.h"
#include "Wnd.h"
#include "res/resource.h"

namespace
{
CWinApp* g_pApp;
CString g_strAppName;
CString g_strHelpFilePath;
HHOOK g_hMsgFilter;
// Window that received the F1 key; the keyboard focus when the key was typed.
HWND g_hWndHelpKey;

const DWORD kHelpContextBase = 0x20000;

BOOL IsKeyUp(int nVirtKey)
{
    return GetKeyState(nVirtKey) >= 0;
}

// Unmodified F1 inside a modal dialog's loop (main window, page, About box) becomes the
// help command, the way the well-known framework does it.
LRESULT CALLBACK MsgFilterProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    const MSG* pMsg = reinterpret_cast<const MSG*>(lParam);
    if (nCode == MSGF_DIALOGBOX && pMsg != NULL && pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_F1
        && IsKeyUp(VK_SHIFT) && IsKeyUp(VK_CONTROL) && IsKeyUp(VK_MENU) && g_pApp != NULL
        && g_pApp->m_pMainWnd != NULL && g_pApp->m_pMainWnd->GetSafeHwnd() != NULL)
    {
        g_hWndHelpKey = pMsg->hwnd;
        ::SendMessageA(g_pApp->m_pMainWnd->GetSafeHwnd(), WM_COMMAND, ID_HELP, 0);
        g_hWndHelpKey = NULL;
        return 1;
    }
    return CallNextHookEx(g_hMsgFilter, nCode, wParam, lParam);
}
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp() : m_hInstance(NULL), m_pszAppName(NULL), m_pMainWnd(NULL), m_pszHelpFilePath(NULL)
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

// The help context is that of the first window, from the focus outwards, that has one.
void CWinApp::OnHelp()
{
    UINT nIDHelp = 0;
    HWND hWnd = g_hWndHelpKey != NULL && IsWindow(g_hWndHelpKey) ? g_hWndHelpKey : GetFocus();
    if (hWnd == NULL)
        hWnd = GetActiveWindow();
    while (hWnd != NULL && nIDHelp == 0)
    {
        CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
        if (pWnd != NULL)
            nIDHelp = pWnd->GetHelpId();
        hWnd = (GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD) ? ::GetParent(hWnd) : NULL;
    }
    if (nIDHelp == 0 && m_pMainWnd != NULL)
        nIDHelp = m_pMainWnd->GetHelpId();

    HWND hWndMain = m_pMainWnd != NULL ? m_pMainWnd->GetSafeHwnd() : NULL;
    if (!::WinHelpA(hWndMain, m_pszHelpFilePath, HELP_CONTEXT, kHelpContextBase + nIDHelp))
        AfxMessageBox(AFX_IDP_FAILED_TO_LAUNCH_HELP);
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
        g_strAppName.LoadString(AFX_IDS_APP_TITLE);
    return g_strAppName;
}

CString AfxHelpFilePath(LPCSTR lpszModulePath)
{
    CString strPath(lpszModulePath);
    int nDot = strPath.ReverseFind('.');
    if (nDot > strPath.ReverseFind('\\'))
        strPath = strPath.Left(nDot);
    return strPath + ".HLP";
}

int AfxWinMain(HINSTANCE hInstance)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_pszAppName = AfxGetAppName();

    char szModule[MAX_PATH];
    DWORD nLength = GetModuleFileNameA(hInstance, szModule, sizeof(szModule));
    if (nLength == 0 || nLength >= sizeof(szModule))
        szModule[0] = '\0';
    g_strHelpFilePath = AfxHelpFilePath(szModule);
    pApp->m_pszHelpFilePath = g_strHelpFilePath;

    g_hMsgFilter = SetWindowsHookExA(WH_MSGFILTER, &MsgFilterProc, NULL, GetCurrentThreadId());
    int nResult;
    if (!pApp->InitInstance())
        nResult = pApp->ExitInstance();
    else
        nResult = pApp->Run();
    if (g_hMsgFilter != NULL)
        UnhookWindowsHookEx(g_hMsgFilter);
    g_hMsgFilter = NULL;
    return nResult;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(hInstance);
}
