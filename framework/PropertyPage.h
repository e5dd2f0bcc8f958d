#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "Dialog.h"

// One page of a CPropertySheet, made from a dialog template.
class CPropertyPage : public CDialog
{
public:
    explicit CPropertyPage(UINT nIDTemplate);

    // Fills the record the sheet creates the page from.
    void PreparePage(PROPSHEETPAGEA& psp);

protected:
    // Pages do not end anything; the sheet's owner does.
    void OnOK() override {}
    void OnCancel() override {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    static INT_PTR CALLBACK PageProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    // The page's template in the platform's property-sheet font; empty when the
    // template's own font is that font already.
    std::vector<DWORD> m_template;
};

namespace DlgTemplate
{
    struct FontInfo
    {
        WORD wPointSize;
        WORD wWeight;
        BYTE bItalic;
        BYTE bCharSet;
        const WCHAR* pszFace;
        size_t cbFontStart;  // offset of the point size
        size_t cbItemsStart; // offset of the first control, DWORD aligned
    };

    // Reads the font of a DLGTEMPLATE or DLGTEMPLATEEX of cb bytes; FALSE without one.
    BOOL GetFont(const BYTE* pTemplate, size_t cb, FontInfo& info);
    // Copy of the template with the given font; empty when the template has no font.
    std::vector<DWORD> ReplaceFont(const BYTE* pTemplate, size_t cb, WORD wPointSize, const WCHAR* pszFace);
}
