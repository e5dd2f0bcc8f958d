#include "Dialog.h"

#include "Platform.h"
#include "ResourceModule.h"
#include "WinThread.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

INT_PTR CDialog::DoModal()
{
    HWND hWndParent = m_pParentWnd != NULL ? m_pParentWnd->GetSafeHwnd() : NULL;
    CWinThread* pThread = AfxGetThread();
    if (hWndParent == NULL && pThread != NULL && pThread->m_pMainWnd != NULL && pThread->m_pMainWnd != this)
        hWndParent = pThread->m_pMainWnd->GetSafeHwnd();
    if (hWndParent != NULL)
        hWndParent = Platform::GetAncestor(hWndParent, GA_ROOT);
    return DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hWndParent,
                           &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(HWND hWndOwner)
{
    return CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hWndOwner,
                              &CDialog::DialogProc, reinterpret_cast<LPARAM>(this)) != NULL;
}

// Everything after WM_INITDIALOG goes through the subclassed window procedure; returning
// FALSE here leaves it to the dialog manager's default handling.
INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    if (pDlg == NULL || !pDlg->SubclassWindow(hWnd))
        return TRUE;
    return Dispatch(pDlg, message, wParam, lParam);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return CWnd::WindowProc(message, wParam, lParam);

    RECT before;
    GetWindowRect(&before);
    BOOL bResult = OnInitDialog();
    RECT after;
    GetWindowRect(&after);
    if (EqualRect(&before, &after))
        CenterWindow();
    return bResult;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange* /*pDX*/)
{
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

void CDialog::CenterWindow()
{
    RECT rcDlg;
    GetWindowRect(&rcDlg);

    RECT rcArea;
    Platform::GetWorkArea(m_hWnd, rcArea);

    RECT rcCenter = rcArea;
    HWND hWndOwner = GetWindow(m_hWnd, GW_OWNER);
    if (hWndOwner != NULL && ::IsWindowVisible(hWndOwner) && !::IsIconic(hWndOwner))
        ::GetWindowRect(hWndOwner, &rcCenter);

    int cx = rcDlg.right - rcDlg.left;
    int cy = rcDlg.bottom - rcDlg.top;
    int x = (rcCenter.left + rcCenter.right) / 2 - cx / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - cy / 2;
    // Keep the whole box on the screen's usable part.
    if (x + cx > rcArea.right)
        x = rcArea.right - cx;
    if (x < rcArea.left)
        x = rcArea.left;
    if (y + cy > rcArea.bottom)
        y = rcArea.bottom - cy;
    if (y < rcArea.top)
        y = rcArea.top;
    SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
