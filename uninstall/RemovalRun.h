#pragma once

#include <windows.h>

#include "framework/WorkerThread.h"
#include "uninstall/ProgressDlg.h"
#include "uninstall/RemovalProgress.h"
#include "uninstall/UninstallProcedure.h"

// One run of the uninstall procedure on a worker thread, so that the program's windows keep
// answering, with the progress window while it lasts.
class CRemovalRun : private CWorkerThread
{
public:
    // hWnd, bDeleteAlbum: as for the procedure. pLog: told every event too, on the worker.
    CRemovalRun(HWND hWnd, BOOL bDeleteAlbum, CRemovalListener* pLog = NULL);

    // Runs the procedure and returns its count, once the progress window is gone. hWndOwner,
    // the main window, takes no input meanwhile and owns the progress window; NULL: neither.
    // Without bProgress nothing is shown.
    int Run(HWND hWndOwner, BOOL bProgress);
    BOOL IsComplete() const { return m_procedure.IsComplete(); }
    // The file exception that ended the procedure (see CWorkerThread), or NULL.
    using CWorkerThread::TakeException;

private:
    void Work() override;
    void OnTick() override;
    // bEnd: the bar full, the work done.
    void Refresh(BOOL bEnd);

    // Data
    CRemovalProgress m_progress;
    CUninstallProcedure m_procedure;
    CProgressDlg m_dlg;
    HWND m_hWndOwner;
    BOOL m_bProgress;
    DWORD m_dwStart;
    int m_nCount;
};
