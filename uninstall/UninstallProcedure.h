#pragma once

#include <windows.h>

#include "uninstall/FolderRecord.h"
#include "uninstall/RemovalListener.h"

class CKernelHandle;

// The uninstall proper, once the user has confirmed it: each step removes one part of the
// installation and says whether it counted. The page chooses its message from the count.
class CUninstallProcedure
{
public:
    // hWnd: the window the shell's folder queries are made for. bDeleteAlbum: the album
    // folder goes too.
    CUninstallProcedure(HWND hWnd, BOOL bDeleteAlbum, CRemovalListener* pListener = NULL);

    // FALSE when the application runs (its mutex exists, also under another account). The
    // handle is this run's hold on the mutex.
    static BOOL ClaimApplication(CKernelHandle& mutex);

    // How many steps count when all of them do.
    enum { kCountedSteps = 5 };
    // The companion's time to tidy up before the folders go.
    enum { kCompanionWaitMs = 3000 };

    // Runs every step in order; returns how many counted.
    int Run();
    // After Run: everything that was to be removed is gone (the album the user keeps is not
    // to be removed), and no folder was refused.
    BOOL IsComplete() const { return m_bComplete; }

private:
    BOOL ReadFolders();
    void StartCompanion() const;
    CRemovalListener::EOutcome RemoveAlbum() const;
    CRemovalListener::EOutcome RemoveInstallFolder() const;
    CRemovalListener::EOutcome RemoveFolder(const std::wstring& strPath, const std::wstring& strKeep) const;
    CRemovalListener::EOutcome RemoveStartMenu(BOOL bInstalled) const;
    CRemovalListener::EOutcome RemoveProductKey() const;
    CRemovalListener::EOutcome RemoveRegistration() const;
    CRemovalListener::EOutcome DeleteShortcuts() const;
    // Tells the listener and keeps track of what is left; TRUE when the step counts.
    BOOL Ended(CRemovalListener::EStep step, CRemovalListener::EOutcome outcome);
    void Begun(CRemovalListener::EStep step) const;

    // Data
    HWND m_hWnd;
    BOOL m_bDeleteAlbum;
    BOOL m_bNT;
    DWORD m_dwMajor;
    CFolderRecord m_install;
    CFolderRecord m_album;
    CRemovalListener* m_pListener;
    BOOL m_bComplete;
};
