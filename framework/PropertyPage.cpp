#include "PropertyPage.h"

#include "DlgTemplate.h"
#include "ResourceModule.h"

namespace
{
const UINT kIdPropSheetTemplate = 1006;  // the common controls' own sheet dialog
}

CPropertyPage::CPropertyPage(UINT nIDTemplate) : CDialog(nIDTemplate)
{
}

// Like the well-known framework, a page whose font differs in face or size from the
// platform's property-sheet font is shown in the latter, so that all pages and the
// sheet's own controls agree.
void CPropertyPage::PreparePage(PROPSHEETPAGEA& psp)
{
    memset(&psp, 0, sizeof(psp));
    psp.dwSize = PROPSHEETPAGEA_V1_SIZE;   // the first layout, which every version accepts
    psp.dwFlags = PSP_DEFAULT;
    psp.hInstance = AfxGetResourceHandle();
    psp.pszTemplate = MAKEINTRESOURCEA(m_nIDTemplate);
    psp.pfnDlgProc = &CPropertyPage::PageProc;
    psp.lParam = reinterpret_cast<LPARAM>(this);

    m_template.clear();
    size_t cbPage = 0;
    size_t cbSheet = 0;
    const BYTE* pPage = DlgTemplate::Load(psp.hInstance, m_nIDTemplate, cbPage);
    const BYTE* pSheet = DlgTemplate::Load(GetModuleHandleA("comctl32.dll"), kIdPropSheetTemplate, cbSheet);
    DlgTemplate::FontInfo pageFont;
    DlgTemplate::FontInfo sheetFont;
    if (!DlgTemplate::GetFont(pPage, cbPage, pageFont) || !DlgTemplate::GetFont(pSheet, cbSheet, sheetFont))
        return;
    if (pageFont.wPointSize == sheetFont.wPointSize
        && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, pageFont.pszFace, -1, sheetFont.pszFace, -1)
               == CSTR_EQUAL)
        return;
    m_template = DlgTemplate::ReplaceFont(pPage, cbPage, sheetFont.wPointSize, sheetFont.pszFace);
    if (m_template.empty())
        return;
    psp.dwFlags |= PSP_DLGINDIRECT;
    psp.pResource = reinterpret_cast<LPCDLGTEMPLATEA>(m_template.data());
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    const PROPSHEETPAGEA* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    CPropertyPage* pPage = psp != NULL ? reinterpret_cast<CPropertyPage*>(psp->lParam) : NULL;
    if (pPage == NULL || !pPage->SubclassWindow(hWnd))
        return TRUE;
    return Dispatch(pPage, message, wParam, lParam);
}

LRESULT CPropertyPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog();
    return CDialog::WindowProc(message, wParam, lParam);
}
