#include "DataExchange.h"

#include "Wnd.h"

HWND CDataExchange::GetControl(int nIDC) const
{
    return ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), nIDC);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.GetSafeHwnd() == NULL)
        rControl.SubclassWindow(pDX->GetControl(nIDC));
}

void DDX_Check(CDataExchange* pDX, int nIDC, BOOL& value)
{
    HWND hWndCtrl = pDX->GetControl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = ::SendMessageA(hWndCtrl, BM_GETCHECK, 0, 0) != BST_UNCHECKED;
    else
        ::SendMessageA(hWndCtrl, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}
