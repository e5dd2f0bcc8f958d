#include "MessageBox.h"

#include "res/resource.h"

namespace
{
// Process-wide, set once each: by the application object and by the unit tests.
AFX_MSGBOX_OWNER g_pfnOwner;
AFX_MSGBOX_HOOK g_pfnHook;
}

void AfxSetMessageBoxOwner(AFX_MSGBOX_OWNER pfnOwner)
{
    g_pfnOwner = pfnOwner;
}

void AfxSetMessageBoxHook(AFX_MSGBOX_HOOK pfnHook)
{
    g_pfnHook = pfnHook;
}

CString AfxGetAppName()
{
    CString strName;
    strName.LoadString(AFX_IDS_APP_TITLE);
    return strName;
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT /*nIDHelp*/)
{
    HWND hWndOwner = g_pfnOwner != NULL ? g_pfnOwner() : NULL;

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

    CString strCaption = AfxGetAppName();
    if (g_pfnHook != NULL)
        return g_pfnHook(lpszText, strCaption, nType);
    return ::MessageBoxA(hWndOwner, lpszText, strCaption, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString str;
    str.LoadString(nIDPrompt);
    return AfxMessageBox(str, nType, nIDHelp == (UINT)-1 ? nIDPrompt : nIDHelp);
}
