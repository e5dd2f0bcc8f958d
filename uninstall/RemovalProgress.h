#pragma once

#include <windows.h>

#include <string>

#include "framework/String.h"
#include "uninstall/RemovalListener.h"

// Follows the procedure on the thread that runs it and keeps what the progress window shows;
// the window's thread reads it when it refreshes. Every event goes on to the next listener
// (the log), on the same thread.
class CRemovalProgress : public CRemovalListener
{
public:
    explicit CRemovalProgress(CRemovalListener* pNext = NULL);
    ~CRemovalProgress();

    // The progress bar's range.
    enum { kRange = 1000 };

    void StepBegun(EStep step) override;
    void StepEnded(EStep step, EOutcome outcome) override;
    void Folder(const std::wstring& strPath, EOutcome outcome) override;
    void EntryRemoved(const std::wstring& strPath) override;
    void EntryFailed(const std::wstring& strPath, DWORD dwError) override;

    // On the window's thread: the bar's position (never backwards), the status line and the
    // folder being removed.
    void Read(int& nPos, CString& strStatus, CString& strFolder);

private:
    void Entry(const std::wstring& strPath, BOOL bRemoved);

    // Data, guarded by m_lock
    CRITICAL_SECTION m_lock;
    int m_nStep;            // the step running, or -1
    int m_nDone;            // the bar's position at the end of the last step
    DWORD m_dwStepStart;
    unsigned long m_nFiles;      // removed so far, all steps
    unsigned long m_nStepFiles;  // removed in the running step
    std::wstring m_strFolder;
    int m_nShown;           // the position last read
    CRemovalListener* m_pNext;

    CRemovalProgress(const CRemovalProgress&) = delete;
    CRemovalProgress& operator=(const CRemovalProgress&) = delete;
};
