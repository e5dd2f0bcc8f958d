#pragma once

#include <memory>

#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/PropertySheet.h"
#include "res/resource.h"

class CPropPage1;

// The main window: a one-page property sheet above the Exit button.
class CUninstallDlg : public CDialog
{
public:
    // bDeleteAlbum: how the page's album box is first set.
    explicit CUninstallDlg(CWnd* pParent = NULL, BOOL bDeleteAlbum = TRUE);
    ~CUninstallDlg() override;

    enum { IDD = IDD_UNINSTALL_DIALOG };

    // Data
    CPropertySheet m_sheet;
    std::unique_ptr<CPropPage1> m_pPage;
    CButton m_btnExit;
    HICON m_hIcon;
    BOOL m_bDeleteAlbum;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;

    // Message handlers
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);

    DECLARE_MESSAGE_MAP()
};
