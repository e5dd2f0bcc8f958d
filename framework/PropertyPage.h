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
