#pragma once

#include <windows.h>

#include "DataExchange.h"
#include "Wnd.h"

// A dialog from a template resource, run modally or modeless.
class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL);

    virtual INT_PTR DoModal();
    // Modeless, owned by hWndOwner (NULL: none); the caller destroys it.
    BOOL Create(HWND hWndOwner);
    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // Centres over the owner, or in the work area when there is none or it is hidden.
    void CenterWindow();

    UINT GetHelpId() const override { return m_nIDHelp; }

    virtual BOOL OnInitDialog();

    UINT m_nIDTemplate;
    UINT m_nIDHelp;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Binds the object to the dialog window at WM_INITDIALOG.
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()
};
