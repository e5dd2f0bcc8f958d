#pragma once

#include "framework/Button.h"
#include "framework/Edit.h"
#include "framework/PropertyPage.h"
#include "framework/RuntimeClass.h"
#include "res/resource.h"

class CKernelHandle;

// The uninstall page: what will be removed, the album check box and the Execute button.
class CPropPage1 : public CPropertyPage
{
    DECLARE_DYNCREATE(CPropPage1)

public:
    CPropPage1();
    ~CPropPage1() override;

    enum { IDD = IDD_PROPPAGE1 };

    BOOL OnInitDialog() override;

    // What the presses so far came to, for the program's exit code.
    enum EResult { kNotRun, kNotInstalled, kApplicationRunning, kCancelled, kComplete, kIncomplete };
    EResult Result() const { return m_result; }
    // TRUE from the confirmation to the result: the removal runs on its worker thread and the
    // main window must ignore the presses that still reach it.
    BOOL IsRemoving() const { return m_bRemoving; }

    // Message handlers
public:
    afx_msg void OnExecute();

    // Data
    CButton m_btnExecute;
    CEdit m_editMessage;
    BOOL m_bDeleteAlbum;

protected:
    // TRUE while a press runs, so that another press cannot start a second run.
    BOOL m_bRunning;
    BOOL m_bRemoving;
    EResult m_result;

    void DoDataExchange(CDataExchange* pDX) override;

private:
    // The steps of a press around the procedure.
    void FocusTabs();
    BOOL ConfirmRun();
    void ShowResult(int nCount);

protected:
    DECLARE_MESSAGE_MAP()
};
