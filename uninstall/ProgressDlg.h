#pragma once

#include "framework/Dialog.h"
#include "framework/String.h"
#include "res/resource.h"

// The progress window of a removal: the step and the count of files, the folder being
// removed and a bar. Modeless, it takes no input and has no way to be closed by the user.
class CProgressDlg : public CDialog
{
public:
    CProgressDlg();
    ~CProgressDlg() override;

    enum { IDD = IDD_PROGRESS };

    // Shows it, centred on its owner (NULL: on the screen), without taking activation.
    BOOL Open(HWND hWndOwner, int nRange);
    void Show(int nPos, const CString& strStatus, const CString& strFolder);
    void Close();

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Neither Enter nor Escape ends it: it ends with the removal.
    void OnOK() override {}
    void OnCancel() override {}

    // Data
    CWnd m_status;
    CWnd m_folder;
    CWnd m_bar;
    int m_nRange;
    int m_nPos;
    CString m_strStatus;
    CString m_strFolder;
};
