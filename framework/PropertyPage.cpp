#include "PropertyPage.h"

#include <wchar.h>

#include "WinApp.h"

namespace
{
const WORD kSignatureEx = 0xFFFF;
const UINT kIdPropSheetTemplate = 1006;  // the common controls' own sheet dialog

size_t SkipSzOrOrd(const BYTE* p, size_t offset, size_t cb)
{
    if (offset + 2 > cb)
        return cb;
    WORD w = *reinterpret_cast<const WORD*>(p + offset);
    if (w == 0x0000)
        return offset + 2;
    if (w == 0xFFFF)
        return offset + 4;
    while (offset + 2 <= cb && *reinterpret_cast<const WORD*>(p + offset) != 0)
        offset += 2;
    return offset + 2;
}

size_t AlignDword(size_t offset)
{
    return (offset + 3) & ~static_cast<size_t>(3);
}

const BYTE* LoadDialogTemplate(HMODULE hModule, UINT nID, size_t& cb)
{
    HRSRC hRes = FindResourceA(hModule, MAKEINTRESOURCEA(nID), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (hRes == NULL)
        return NULL;
    HGLOBAL hGlobal = LoadResource(hModule, hRes);
    if (hGlobal == NULL)
        return NULL;
    cb = SizeofResource(hModule, hRes);
    return static_cast<const BYTE*>(LockResource(hGlobal));
}
}

BOOL DlgTemplate::GetFont(const BYTE* p, size_t cb, FontInfo& info)
{
    if (p == NULL || cb < sizeof(DLGTEMPLATE))
        return FALSE;
    const BOOL bEx = reinterpret_cast<const WORD*>(p)[1] == kSignatureEx;
    DWORD dwStyle;
    size_t offset;
    if (bEx)
    {
        if (cb < 26)
            return FALSE;
        dwStyle = *reinterpret_cast<const DWORD*>(p + 12);
        offset = 26;
    }
    else
    {
        dwStyle = reinterpret_cast<const DLGTEMPLATE*>(p)->style;
        offset = 18;
    }
    if (!(dwStyle & DS_SETFONT))
        return FALSE;
    offset = SkipSzOrOrd(p, offset, cb);  // menu
    offset = SkipSzOrOrd(p, offset, cb);  // class
    offset = SkipSzOrOrd(p, offset, cb);  // caption
    info.cbFontStart = offset;
    if (offset + 2 > cb)
        return FALSE;
    info.wPointSize = *reinterpret_cast<const WORD*>(p + offset);
    offset += 2;
    info.wWeight = FW_NORMAL;
    info.bItalic = FALSE;
    info.bCharSet = DEFAULT_CHARSET;
    if (bEx)
    {
        if (offset + 4 > cb)
            return FALSE;
        info.wWeight = *reinterpret_cast<const WORD*>(p + offset);
        info.bItalic = p[offset + 2];
        info.bCharSet = p[offset + 3];
        offset += 4;
    }
    info.pszFace = reinterpret_cast<const WCHAR*>(p + offset);
    offset = SkipSzOrOrd(p, offset, cb);
    if (offset > cb)
        return FALSE;
    info.cbItemsStart = AlignDword(offset);
    return TRUE;
}

std::vector<DWORD> DlgTemplate::ReplaceFont(const BYTE* p, size_t cb, WORD wPointSize, const WCHAR* pszFace)
{
    FontInfo info;
    if (!GetFont(p, cb, info))
        return std::vector<DWORD>();
    const BOOL bEx = reinterpret_cast<const WORD*>(p)[1] == kSignatureEx;
    const size_t cbFace = (wcslen(pszFace) + 1) * sizeof(WCHAR);
    size_t cbHeader = info.cbFontStart + 2 + (bEx ? 4 : 0) + cbFace;
    size_t cbNewItems = AlignDword(cbHeader);
    size_t cbTail = cb > info.cbItemsStart ? cb - info.cbItemsStart : 0;
    std::vector<DWORD> result((cbNewItems + cbTail + 3) / 4, 0);
    BYTE* q = reinterpret_cast<BYTE*>(result.data());
    memcpy(q, p, info.cbFontStart);
    size_t offset = info.cbFontStart;
    memcpy(q + offset, &wPointSize, 2);
    offset += 2;
    if (bEx)
    {
        memcpy(q + offset, p + info.cbFontStart + 2, 4);  // weight, italic, character set
        offset += 4;
    }
    memcpy(q + offset, pszFace, cbFace);
    memcpy(q + cbNewItems, p + info.cbItemsStart, cbTail);
    return result;
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
    psp.dwSize = sizeof(psp);
    psp.dwFlags = PSP_DEFAULT;
    psp.hInstance = AfxGetResourceHandle();
    psp.pszTemplate = MAKEINTRESOURCEA(m_nIDTemplate);
    psp.pfnDlgProc = &CPropertyPage::PageProc;
    psp.lParam = reinterpret_cast<LPARAM>(this);

    m_template.clear();
    size_t cbPage = 0;
    size_t cbSheet = 0;
    const BYTE* pPage = LoadDialogTemplate(psp.hInstance, m_nIDTemplate, cbPage);
    const BYTE* pSheet = LoadDialogTemplate(GetModuleHandleA("comctl32.dll"), kIdPropSheetTemplate, cbSheet);
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
