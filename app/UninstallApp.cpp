#include "UninstallApp.h"

#include "UninstallDlg.h"

CUninstallApp theApp;

BEGIN_MESSAGE_MAP(CUninstallApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CUninstallApp::CUninstallApp()
{
}

// FALSE: there is no message loop; the process ends when the dialog closes.
BOOL CUninstallApp::InitInstance()
{
    Enable3dControls();

    CUninstallDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    return FALSE;
}
