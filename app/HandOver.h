#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "HeldCopy.h"
#include "PrivateFolder.h"

// A running program's own file cannot be deleted, so a program that lies in a folder the
// uninstall removes would leave itself and all that the removal meets after it. Such a
// program hands over to a copy of itself in a new private folder below the user's
// temporary folder: it places the copy, starts it with a handle to itself, has the copy
// and its folder deleted at the next restart, and ends. The copy waits for it to end and
// then runs as the program always does. This program runs elevated and the user's
// unelevated programs can write into the temporary folder: folder and copy are held from
// their creation until the copy has started, and the copy starts only if it is the file
// written here.
class CHandOver
{
public:
    CHandOver();

    // TRUE when this process has started its copy and is to end without showing anything.
    // A copy first waits here for the process that started it.
    BOOL Run();

private:
    void WaitForOriginal() const;
    BOOL LiesInRemovedFolder(const std::wstring& strPath) const;
    BOOL MakePrivateFolder();
    BOOL PlaceCopy();
    BOOL StartCopy() const;
    void DeleteAtRestart() const;
    void Abandon();

    // Data
    BOOL m_bNT;                              // 9x has only stubs of the wide functions
    std::wstring m_strModule;                // full long path of the running program
    std::vector<std::wstring> m_astrRemoved;  // installation and album folder, full and long
    CPrivateFolder m_folder;
    CHeldCopy m_copy;                        // in the folder
};
