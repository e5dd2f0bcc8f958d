#include "WinApp.h"

#include "MessageBox.h"
#include "Platform.h"
#include "ResourceModule.h"
#include "Wnd.h"
#include "res/resource.h"

namespace
{
const DWORD kHelpContextBase = 0x20000;

BOOL IsKeyUp(int nVirtKey)
{
    return GetKeyState(nVirtKey) >= 0;
}
}

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp() : m_pszHelpFilePath(NULL), m_hMsgFilter(NULL), m_hWndHelpKey(NULL)
{
    AfxSetMessageBoxOwner(&CWinApp::BoxOwner);
}

CWinApp::~CWinApp()
{
    if (AfxGetApp() == this)
        AfxSetMessageBoxOwner(NULL);
}

// Boxes belong to the main window's last active pop-up.
HWND CWinApp::BoxOwner()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL || pApp->m_pMainWnd == NULL || pApp->m_pMainWnd->GetSafeHwnd() == NULL)
        return NULL;
    return GetLastActivePopup(pApp->m_pMainWnd->GetSafeHwnd());
}

// Unmodified F1 inside a modal dialog's loop (main window, page, About box) becomes the
// help command, the way the well-known framework does it.
LRESULT CALLBACK CWinApp::MsgFilterProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    CWinApp* pApp = AfxGetApp();
    const MSG* pMsg = reinterpret_cast<const MSG*>(lParam);
    if (nCode == MSGF_DIALOGBOX && pMsg != NULL && pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_F1
        && IsKeyUp(VK_SHIFT) && IsKeyUp(VK_CONTROL) && IsKeyUp(VK_MENU) && pApp != NULL
        && pApp->m_pMainWnd != NULL && pApp->m_pMainWnd->GetSafeHwnd() != NULL)
    {
        pApp->m_hWndHelpKey = pMsg->hwnd;
        ::SendMessageA(pApp->m_pMainWnd->GetSafeHwnd(), WM_COMMAND, ID_HELP, 0);
        pApp->m_hWndHelpKey = NULL;
        return 1;
    }
    return CallNextHookEx(pApp != NULL ? pApp->m_hMsgFilter : NULL, nCode, wParam, lParam);
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
    HWND hWnd = m_hWndHelpKey != NULL && IsWindow(m_hWndHelpKey) ? m_hWndHelpKey : GetFocus();
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

// The application object is the one CWinThread.
CWinApp* AfxGetApp()
{
    return static_cast<CWinApp*>(AfxGetThread());
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
    AfxSetResourceHandle(hInstance);

    char szModule[MAX_PATH];
    DWORD nLength = GetModuleFileNameA(hInstance, szModule, sizeof(szModule));
    if (nLength == 0 || nLength >= sizeof(szModule))
        szModule[0] = '\0';
    pApp->m_strHelpFilePath = AfxHelpFilePath(szModule);
    pApp->m_pszHelpFilePath = pApp->m_strHelpFilePath;

    pApp->m_hMsgFilter = SetWindowsHookExA(WH_MSGFILTER, &CWinApp::MsgFilterProc, NULL, GetCurrentThreadId());
    int nResult;
    if (!pApp->InitInstance())
        nResult = pApp->ExitInstance();
    else
        nResult = pApp->Run();
    if (pApp->m_hMsgFilter != NULL)
        UnhookWindowsHookEx(pApp->m_hMsgFilter);
    pApp->m_hMsgFilter = NULL;
    return nResult;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    Platform::RestrictDllSearch();
    return AfxWinMain(hInstance);
}
