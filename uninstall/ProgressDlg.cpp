#include "uninstall/ProgressDlg.h"

#include <commctrl.h>

#include "framework/MessageBox.h"

CProgressDlg::CProgressDlg() : CDialog(IDD), m_nRange(100), m_nPos(-1)
{
}

CProgressDlg::~CProgressDlg()
{
    Close();
}

void CProgressDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS_STATUS, m_status);
    DDX_Control(pDX, IDC_PROGRESS_FOLDER, m_folder);
    DDX_Control(pDX, IDC_PROGRESS_BAR, m_bar);
}

// The unattended run has made no common control before: the bar's class is registered here.
BOOL CProgressDlg::Open(HWND hWndOwner, int nRange)
{
    ::InitCommonControls();
    m_nRange = nRange;
    if (!Create(hWndOwner))
        return FALSE;
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    ::UpdateWindow(m_hWnd);
    return TRUE;
}

// The 16-bit range message: comctl32 4.00 of Windows 95 and NT 4 knows no other.
BOOL CProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(AfxGetAppName());
    m_bar.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, m_nRange));
    return FALSE;
}

// Only what changed is set again: each text set repaints.
void CProgressDlg::Show(int nPos, const CString& strStatus, const CString& strFolder)
{
    if (m_hWnd == NULL)
        return;
    if (nPos != m_nPos)
    {
        m_nPos = nPos;
        m_bar.SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPos), 0);
    }
    if (strStatus != m_strStatus)
    {
        m_strStatus = strStatus;
        m_status.SetWindowText(strStatus);
    }
    if (strFolder != m_strFolder)
    {
        m_strFolder = strFolder;
        m_folder.SetWindowText(strFolder);
    }
    ::UpdateWindow(m_hWnd);
}

void CProgressDlg::Close()
{
    if (m_hWnd != NULL)
        DestroyWindow();
}
