#pragma once

#include <windows.h>

class CWnd;

// One direction of data exchange between a dialog's controls and its members.
class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
    {
    }

    HWND GetControl(int nIDC) const;

    BOOL m_bSaveAndValidate;  // TRUE: controls to members
    CWnd* m_pDlgWnd;
};

// Binds the control nIDC to rControl the first time; later exchanges leave it bound.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Check box state <-> BOOL (checked is TRUE; an indeterminate box reads as TRUE too).
void DDX_Check(CDataExchange* pDX, int nIDC, BOOL& value);
