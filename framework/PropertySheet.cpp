#include "PropertySheet.h"

#include <commctrl.h>

#include "WinApp.h"

namespace
{
// The creation callback has no context; the one thread creates one sheet at a time.
DWORD g_dwCreateStyle;
DWORD g_dwCreateExStyle;

const int kStandardButtons[] = { IDOK, IDCANCEL, 0x3021 /* Apply */, IDHELP };

// Keeps the template's font and look bits; DS_CONTROL lets Tab move into the sheet.
const DWORD kKeptDialogStyles = DS_SETFONT | DS_3DLOOK | DS_FIXEDSYS;
}

int CALLBACK CPropertySheet::SheetCallback(HWND /*hWnd*/, UINT message, LPARAM lParam)
{
    if (message != PSCB_PRECREATE || lParam == 0)
        return 0;
    WORD* pWords = reinterpret_cast<WORD*>(lParam);
    DWORD* pStyle;
    DWORD* pExStyle;
    if (pWords[1] == 0xFFFF)  // DLGTEMPLATEEX
    {
        pExStyle = reinterpret_cast<DWORD*>(pWords + 4);
        pStyle = reinterpret_cast<DWORD*>(pWords + 6);
    }
    else
    {
        pStyle = &reinterpret_cast<DLGTEMPLATE*>(lParam)->style;
        pExStyle = &reinterpret_cast<DLGTEMPLATE*>(lParam)->dwExtendedStyle;
    }
    *pStyle = g_dwCreateStyle | (*pStyle & kKeptDialogStyles) | DS_CONTROL;
    *pExStyle = g_dwCreateExStyle;
    return 0;
}

BOOL CPropertySheet::Create(CWnd* pParentWnd, DWORD dwStyle, DWORD dwExStyle)
{
    std::vector<PROPSHEETPAGEA> pages(m_pages.size());
    for (size_t i = 0; i < m_pages.size(); ++i)
        m_pages[i]->PreparePage(pages[i]);

    PROPSHEETHEADERA psh;
    memset(&psh, 0, sizeof(psh));
    psh.dwSize = sizeof(psh);
    psh.dwFlags = PSH_MODELESS | PSH_USECALLBACK | PSH_PROPSHEETPAGE;
    psh.hwndParent = pParentWnd != NULL ? pParentWnd->GetSafeHwnd() : NULL;
    psh.hInstance = AfxGetResourceHandle();
    psh.pszCaption = "";
    psh.nPages = static_cast<UINT>(pages.size());
    psh.nStartPage = 0;
    psh.ppsp = pages.empty() ? NULL : pages.data();
    psh.pfnCallback = &CPropertySheet::SheetCallback;

    g_dwCreateStyle = dwStyle;
    g_dwCreateExStyle = dwExStyle;
    HWND hWnd = reinterpret_cast<HWND>(PropertySheetA(&psh));
    if (hWnd == NULL || hWnd == reinterpret_cast<HWND>(-1) || !SubclassWindow(hWnd))
        return FALSE;
    HideButtonRow();
    return TRUE;
}

void CPropertySheet::HideButtonRow()
{
    RECT rcSheet;
    GetWindowRect(&rcSheet);
    LONG nButtonTop = rcSheet.bottom;
    for (int nID : kStandardButtons)
    {
        HWND hButton = ::GetDlgItem(m_hWnd, nID);
        if (hButton == NULL)
            continue;
        RECT rc;
        ::GetWindowRect(hButton, &rc);
        if (rc.top < nButtonTop)
            nButtonTop = rc.top;
        ::ShowWindow(hButton, SW_HIDE);
        ::EnableWindow(hButton, FALSE);
    }
    if (nButtonTop > rcSheet.top && nButtonTop < rcSheet.bottom)
        SetWindowPos(m_hWnd, NULL, 0, 0, rcSheet.right - rcSheet.left, nButtonTop - rcSheet.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CWnd* CPropertySheet::GetTabControl() const
{
    return FromHandle(reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL)));
}

BOOL CPropertySheet::SetActivePage(int nPage)
{
    if (m_hWnd == NULL)
        return FALSE;
    return static_cast<BOOL>(SendMessage(PSM_SETCURSEL, static_cast<WPARAM>(nPage), 0));
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    if (m_hWnd == NULL)
        return NULL;
    HWND hPage = reinterpret_cast<HWND>(SendMessage(PSM_GETCURRENTPAGEHWND));
    CWnd* pWnd = FromHandlePermanent(hPage);
    for (CPropertyPage* pPage : m_pages)
        if (pPage == pWnd)
            return pPage;
    return NULL;
}

UINT CPropertySheet::GetHelpId() const
{
    CPropertyPage* pPage = GetActivePage();
    return pPage != NULL ? pPage->GetHelpId() : 0;
}
