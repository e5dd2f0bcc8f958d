#pragma once

#include <windows.h>

#include <string>

#include "framework/String.h"

// Removes folder trees for the uninstall. Entries go in the order the file search reports
// them and the first failure stops the whole removal, leaving the rest in place. Success
// means the walk completed: folders that cannot be removed once emptied (the one holding a
// kept sub-folder among them) are left without failing the call.
//
// The removal never uses or changes the process's working directory, never follows a link
// (a symbolic link or junction inside the tree goes as a link; where the platform cannot
// remove a link without reaching its target the removal fails there), and refuses the
// system's own folders. A read-only file is cleared through the file status write-back,
// whose CFileException is not caught here.
class CTreeRemover
{
public:
    // path: a full path ("C:\...\name" or "\\server\share\...\name"). keepName, when not NULL
    // or empty, spares the direct sub-folder of that name, compared without regard to case
    // (full-width letters included); deeper folders of that name are removed.
    static BOOL RemoveFolder(const CString& path, LPCSTR keepName);
    // The same for wide texts, for names the code page cannot hold.
    static BOOL RemoveFolder(const std::wstring& path, const std::wstring& keepName);
    // The same for a folder named relative to the current directory; name is a single
    // folder name.
    static BOOL RemoveTree(const CString& name, LPCSTR keepName);
    // FALSE for the paths RemoveFolder refuses before it removes anything: relative paths,
    // roots, "." and ".." components, names ending in a dot or a blank, and the Windows,
    // system, Program Files and profile folders, the shell's special folders, or an
    // ancestor of any of them, also when reached through a short name or a link.
    static BOOL IsRemovablePath(const CString& path);
};
