#include "uninstall/RemovalRun.h"

namespace
{
// A run shorter than this shows no window; the window changes at most every tick.
const DWORD kShowAfterMs = 500;
const DWORD kTickMs = 100;
// The full bar stays this long, so that the end can be seen before the window goes.
const DWORD kFullBarMs = 300;
}

CRemovalRun::CRemovalRun(HWND hWnd, BOOL bDeleteAlbum, CRemovalListener* pLog)
    : m_progress(pLog), m_procedure(hWnd, bDeleteAlbum, &m_progress), m_hWndOwner(NULL), m_bProgress(FALSE),
      m_dwStart(0), m_nCount(0)
{
}

// The owner is disabled as a modal box would disable it, and enabled again only after the
// input that came meanwhile is dropped and the progress window is gone.
int CRemovalRun::Run(HWND hWndOwner, BOOL bProgress)
{
    m_hWndOwner = hWndOwner;
    m_bProgress = bProgress;
    m_dwStart = ::GetTickCount();
    const BOOL bWasDisabled = hWndOwner != NULL && ::EnableWindow(hWndOwner, FALSE);
    CWorkerThread::Run(kTickMs);
    if (m_dlg.GetSafeHwnd() != NULL)
    {
        Refresh(TRUE);
        Linger(kFullBarMs);
        m_dlg.Close();
    }
    if (hWndOwner != NULL && !bWasDisabled)
        ::EnableWindow(hWndOwner, TRUE);
    return m_nCount;
}

void CRemovalRun::Work()
{
    m_nCount = m_procedure.Run();
}

void CRemovalRun::OnTick()
{
    if (!m_bProgress)
        return;
    if (m_dlg.GetSafeHwnd() == NULL)
    {
        if (::GetTickCount() - m_dwStart < kShowAfterMs)
            return;
        // A window that cannot be made is not tried again: the removal goes on without it.
        m_bProgress = m_dlg.Open(m_hWndOwner, CRemovalProgress::kRange);
        if (!m_bProgress)
            return;
    }
    Refresh(FALSE);
}

void CRemovalRun::Refresh(BOOL bEnd)
{
    int nPos = 0;
    CString strStatus;
    CString strFolder;
    m_progress.Read(nPos, strStatus, strFolder);
    m_dlg.Show(bEnd ? static_cast<int>(CRemovalProgress::kRange) : nPos, strStatus, strFolder);
}
