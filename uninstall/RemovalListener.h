#pragma once

#include <windows.h>

#include <string>

// What the uninstall tells whoever follows it (the log, the progress window). Every call may
// come from the thread that runs the removal; with no listener nothing changes.
class CRemovalListener
{
public:
    enum EStep { kCompanion, kAlbum, kInstallFolder, kStartMenu, kProductKey, kRegistration, kShortcuts };
    enum EOutcome
    {
        kRemoved,
        kAlreadyGone,
        kKept,      // not to be removed: the album the user keeps, or a registration kept for a retry
        kRefused,   // a folder the removal must never touch
        kLeft,      // to be removed, but still there
        kSkipped    // nothing to do
    };

    virtual void StepBegun(EStep) {}
    virtual void StepEnded(EStep, EOutcome) {}
    // A folder the step removes, keeps or refuses, as a full path.
    virtual void Folder(const std::wstring&, EOutcome) {}
    virtual void EntryRemoved(const std::wstring&) {}
    // An entry that could not be removed, with the system's error.
    virtual void EntryFailed(const std::wstring&, DWORD) {}

protected:
    ~CRemovalListener() {}
};
