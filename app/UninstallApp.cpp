#include "UninstallApp.h"

#include "HandOver.h"
#include "UninstallDlg.h"

CUninstallApp theApp;

BEGIN_MESSAGE_MAP(CUninstallApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CUninstallApp::CUninstallApp()
{
}

// FALSE: there is no message loop; the process ends when the dialog closes, or at once
// when a copy of the program has taken over.
BOOL CUninstallApp::InitInstance()
{
    CHandOver handOver;
    if (handOver.Run())
        return FALSE;

    Enable3dControls();

    CUninstallDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    // The dialog's window is gone and the object goes with this scope.
    m_pMainWnd = NULL;
    return FALSE;
}
