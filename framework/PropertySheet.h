#pragma once

#include <windows.h>

#include <vector>

#include "PropertyPage.h"
#include "Wnd.h"

// The common controls' property sheet, here only as a modeless child window: its button
// row is cut off and its standard buttons are hidden and disabled.
class CPropertySheet : public CWnd
{
public:
    CPropertySheet() : m_dwCreateStyle(0), m_dwCreateExStyle(0) {}

    void AddPage(CPropertyPage* pPage) { m_pages.push_back(pPage); }
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle, DWORD dwExStyle = 0);
    CWnd* GetTabControl() const;
    BOOL SetActivePage(int nPage);
    CPropertyPage* GetActivePage() const;

    // F1 on the sheet asks for the active page's help.
    UINT GetHelpId() const override;

private:
    void HideButtonRow();
    static int CALLBACK SheetCallback(HWND hWnd, UINT message, LPARAM lParam);

    std::vector<CPropertyPage*> m_pages;
    // The window styles Create was given, for the creation callback.
    DWORD m_dwCreateStyle;
    DWORD m_dwCreateExStyle;
};
