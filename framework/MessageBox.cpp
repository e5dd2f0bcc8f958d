#include "MessageBox.h"

#include "String.h"
#include "WinApp.h"
#include "Wnd.h"

namespace
{
AFX_MSGBOX_HOOK g_pfnHook;
}

void AfxSetMessageBoxHook(AFX_MSGBOX_HOOK pfnHook)
{
    g_pfnHook = pfnHook;
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT /*nIDHelp*/)
{
    HWND hWndOwner = NULL;
    CWinApp* pApp = AfxGetApp();
    if (pApp != NULL && pApp->m_pMainWnd != NULL && pApp->m_pMainWnd->GetSafeHwnd() != NULL)
        hWndOwner = GetLastActivePopup(pApp->m_pMainWnd->GetSafeHwnd());

    if ((nType & MB_ICONMASK) == 0)
    {
        switch (nType & MB_TYPEMASK)
        {
        case MB_OK:
        case MB_OKCANCEL:
        case MB_YESNO:
        case MB_YESNOCANCEL:
            nType |= MB_ICONEXCLAMATION;
            break;
        }
    }

    LPCSTR lpszCaption = AfxGetAppName();
    if (g_pfnHook != NULL)
        return g_pfnHook(lpszText, lpszCaption, nType);
    return ::MessageBoxA(hWndOwner, lpszText, lpszCaption, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString str;
    str.LoadString(nIDPrompt);
    return AfxMessageBox(str, nType, nIDHelp == (UINT)-1 ? nIDPrompt : nIDHelp);
}
