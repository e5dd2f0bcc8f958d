#include "PropertySheet.h"

#include <commctrl.h>

#include <stdint.h>
#include <string.h>

#include "DlgTemplate.h"
#include "ResourceModule.h"

namespace
{
// The creation callback has no context; the one thread creates one sheet at a time.
const CPropertySheet* g_pCreating;

const int kStandardButtons[] = { IDOK, IDCANCEL, 0x3021 /* Apply */, IDHELP };

// Keeps the template's font and look bits; DS_CONTROL lets Tab move into the sheet.
const DWORD kKeptDialogStyles = DS_SETFONT | DS_3DLOOK | DS_FIXEDSYS;
}

int CALLBACK CPropertySheet::SheetCallback(HWND /*hWnd*/, UINT message, LPARAM lParam)
{
    if (message != PSCB_PRECREATE || lParam == 0 || g_pCreating == NULL)
        return 0;
    // The system's own template in memory, whole: its size is not passed.
    BYTE* p = reinterpret_cast<BYTE*>(lParam);
    DlgTemplate::Header header;
    if (!DlgTemplate::ReadHeader(p, SIZE_MAX, header))
        return 0;
    DWORD dwStyle;
    memcpy(&dwStyle, p + header.cbStyle, sizeof(dwStyle));
    dwStyle = g_pCreating->m_dwCreateStyle | (dwStyle & kKeptDialogStyles) | DS_CONTROL;
    memcpy(p + header.cbStyle, &dwStyle, sizeof(dwStyle));
    memcpy(p + header.cbExStyle, &g_pCreating->m_dwCreateExStyle, sizeof(DWORD));
    return 0;
}

BOOL CPropertySheet::Create(CWnd* pParentWnd, DWORD dwStyle, DWORD dwExStyle)
{
    // The first common controls (95, NT 4 without a later Internet Explorer) accept only the
    // first layout of both records, whose later members the sheet does not use. The pages lie
    // one after another at the size each states.
    std::vector<BYTE> pages(m_pages.size() * PROPSHEETPAGEA_V1_SIZE);
    for (size_t i = 0; i < m_pages.size(); ++i)
    {
        PROPSHEETPAGEA psp;
        m_pages[i]->PreparePage(psp);
        memcpy(&pages[i * PROPSHEETPAGEA_V1_SIZE], &psp, PROPSHEETPAGEA_V1_SIZE);
    }

    PROPSHEETHEADERA psh;
    memset(&psh, 0, sizeof(psh));
    psh.dwSize = PROPSHEETHEADERA_V1_SIZE;
    psh.dwFlags = PSH_MODELESS | PSH_USECALLBACK | PSH_PROPSHEETPAGE;
    psh.hwndParent = pParentWnd != NULL ? pParentWnd->GetSafeHwnd() : NULL;
    psh.hInstance = AfxGetResourceHandle();
    psh.pszCaption = "";
    psh.nPages = static_cast<UINT>(m_pages.size());
    psh.nStartPage = 0;
    psh.ppsp = pages.empty() ? NULL : reinterpret_cast<LPCPROPSHEETPAGEA>(pages.data());
    psh.pfnCallback = &CPropertySheet::SheetCallback;

    m_dwCreateStyle = dwStyle;
    m_dwCreateExStyle = dwExStyle;
    g_pCreating = this;
    HWND hWnd = reinterpret_cast<HWND>(PropertySheetA(&psh));
    g_pCreating = NULL;
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
