#pragma once

#include <windows.h>

#include "uninstall/FolderRecord.h"

// The uninstall proper, once the user has confirmed it: each step removes one part of the
// installation and says whether it counted. The page chooses its message from the count.
class CUninstallProcedure
{
public:
    // hWnd: the window the shell's folder queries are made for. bDeleteAlbum: the album
    // folder goes too.
    CUninstallProcedure(HWND hWnd, BOOL bDeleteAlbum);

    // How many steps count when all of them do.
    enum { kCountedSteps = 5 };

    // Runs every step in order; returns how many counted.
    int Run();

private:
    BOOL ReadFolders();
    void StartCompanion() const;
    BOOL RemoveAlbum() const;
    int RemoveInstallFolder() const;
    BOOL RemoveStartMenu() const;
    BOOL RemoveProductKey() const;
    BOOL RemoveRegistration() const;
    void DeleteShortcuts() const;

    // Data
    HWND m_hWnd;
    BOOL m_bDeleteAlbum;
    BOOL m_bNT;
    DWORD m_dwMajor;
    CFolderRecord m_install;
    CFolderRecord m_album;
};
