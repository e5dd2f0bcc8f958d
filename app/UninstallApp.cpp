#include "UninstallApp.h"

#include "CommandLine.h"
#include "ExitCode.h"
#include "HandOver.h"
#include "UninstallDlg.h"
#include "UninstallLog.h"
#include "framework/FileException.h"
#include "framework/KernelHandle.h"
#include "framework/MessageBox.h"
#include "uninstall/PropPage1.h"
#include "uninstall/RemovalRun.h"
#include "uninstall/UninstallProcedure.h"

CUninstallApp theApp;

namespace
{
const char kUsage[] =
    "使い方： OrvalisUninstaller.exe [ｽｲｯﾁ]\r\n\r\n"
    "/S\t画面を表示せずにｱﾝｲﾝｽﾄｰﾙします。\r\n"
    "\t(/VERYSILENT、/QUIET、/QN も同じです)\r\n"
    "/SILENT\t進行状況だけを表示します。(/PASSIVE も同じです)\r\n"
    "/DELETEALBUM\tｱﾙﾊﾞﾑも削除します。\r\n"
    "/KEEPALBUM\tｱﾙﾊﾞﾑを残します。(/S では既定です)\r\n"
    "/LOG[=ﾌｧｲﾙ]\tﾛｸﾞを記録します。\r\n"
    "/SUPPRESSMSGBOXES、/NORESTART\t受け付けます。(再起動はしません)\r\n"
    "/?\tこの説明を表示します。\r\n\r\n"
    "終了ｺｰﾄﾞ：\r\n"
    "0\t完全に削除しました。(ｲﾝｽﾄｰﾙされていない場合も)\r\n"
    "1602\t実行せずに終了しました。\r\n"
    "1603\t削除できなかったものがあります。\r\n"
    "1618\tオルヴァリスが起動しています。\r\n"
    "1639\tｺﾏﾝﾄﾞ ﾗｲﾝが正しくありません。";

LPCWSTR OutcomeText(int nExitCode)
{
    switch (nExitCode)
    {
    case ExitCode::kComplete: return L"complete";
    case ExitCode::kCancelled: return L"cancelled, nothing removed";
    case ExitCode::kIncomplete: return L"incomplete";
    }
    return L"the application is running, nothing removed";
}

int ExitCodeOf(CPropPage1::EResult result)
{
    switch (result)
    {
    case CPropPage1::kNotInstalled:
    case CPropPage1::kComplete:
        return ExitCode::kComplete;
    case CPropPage1::kApplicationRunning:
        return ExitCode::kApplicationRunning;
    case CPropPage1::kIncomplete:
        return ExitCode::kIncomplete;
    case CPropPage1::kNotRun:
    case CPropPage1::kCancelled:
        break;
    }
    return ExitCode::kCancelled;
}
}

BEGIN_MESSAGE_MAP(CUninstallApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CUninstallApp::CUninstallApp() : m_nExitCode(ExitCode::kComplete)
{
}

// FALSE: there is no message loop; the process ends when the dialog or the unattended run
// is done, or, when a copy of the program has taken over, with the copy's answer.
BOOL CUninstallApp::InitInstance()
{
    CCommandLine commandLine;
    commandLine.Parse();
    if (!commandLine.IsValid() || commandLine.WantsUsage())
    {
        CUninstallLog log;
        if (commandLine.WantsLog() && log.Open(commandLine.LogPath()))
            log.Start();
        if (!commandLine.IsUnattended() || commandLine.WantsUsage())
            ShowUsage();
        m_nExitCode = commandLine.IsValid() ? ExitCode::kComplete : ExitCode::kBadCommandLine;
        log.Finish(commandLine.IsValid() ? L"usage shown" : L"bad command line, nothing removed", m_nExitCode);
        return FALSE;
    }

    // The copy does the work and keeps the log; this process only waits for its answer.
    CHandOver handOver(commandLine);
    if (handOver.Run(commandLine.Arguments()))
    {
        m_nExitCode = handOver.WaitForCopy();
        return FALSE;
    }

    CUninstallLog log;
    if (commandLine.WantsLog() && log.Open(commandLine.LogPath()))
        log.Start();
    BOOL bComplete = FALSE;
    if (commandLine.IsUnattended())
        m_nExitCode = RunUnattended(commandLine, log, bComplete);
    else
        m_nExitCode = RunInteractive(commandLine, bComplete);
    // The outcome is written before the waiting original is answered: a tool that reads the
    // log once the program it started has ended finds it there.
    log.Finish(OutcomeText(m_nExitCode), m_nExitCode);
    handOver.Finish(m_nExitCode, bComplete, log);
    return FALSE;
}

int CUninstallApp::ExitInstance()
{
    CWinApp::ExitInstance();
    return m_nExitCode;
}

// The same procedure as a press of Execute, but for the confirmation and every box: a file
// error that would show the framework's box ends the run as incomplete instead. With progress
// the progress window, on no owner, is all that shows.
int CUninstallApp::RunUnattended(const CCommandLine& commandLine, CUninstallLog& log, BOOL& bComplete)
{
    CKernelHandle mutex;
    if (!CUninstallProcedure::ClaimApplication(mutex))
        return ExitCode::kApplicationRunning;
    CRemovalRun run(NULL, commandLine.DeletesAlbum(), &log);
    run.Run(NULL, commandLine.ShowsProgress());
    // As after a press, the mutex stays held until the program ends.
    mutex.Detach();
    CException* pError = run.TakeException();
    if (pError != NULL)
    {
        const CFileException* pFileError = dynamic_cast<const CFileException*>(pError);
        log.Failure(L"File error, the run ended", static_cast<DWORD>(pFileError != NULL ? pFileError->m_lOsError : -1));
        pError->Delete();
        return ExitCode::kIncomplete;
    }
    bComplete = run.IsComplete();
    return bComplete ? ExitCode::kComplete : ExitCode::kIncomplete;
}

int CUninstallApp::RunInteractive(const CCommandLine& commandLine, BOOL& bComplete)
{
    Enable3dControls();

    CUninstallDlg dlg(NULL, commandLine.DeletesAlbum());
    m_pMainWnd = &dlg;
    dlg.DoModal();
    // The dialog's window is gone and the object goes with this scope.
    m_pMainWnd = NULL;
    const CPropPage1::EResult result = dlg.m_pPage ? dlg.m_pPage->Result() : CPropPage1::kNotRun;
    bComplete = result == CPropPage1::kComplete;
    return ExitCodeOf(result);
}

void CUninstallApp::ShowUsage()
{
    AfxMessageBox(kUsage, MB_OK | MB_ICONINFORMATION);
}
