#pragma once

#include "framework/Dialog.h"
#include "res/resource.h"

// The About box, opened from the main window's system menu.
class CAboutDlg : public CDialog
{
public:
    CAboutDlg();

    enum { IDD = IDD_ABOUTBOX };

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
