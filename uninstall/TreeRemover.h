#pragma once

#include <windows.h>

#include <string>

#include "framework/String.h"
#include "uninstall/RemovalListener.h"

// Removes folder trees for the uninstall. Entries go in the order the file search reports
// them and the first failure stops the whole removal, leaving the rest in place. Success
// means the tree is gone from disk when the call returns: a folder that cannot be removed,
// or that stays because an entry in it is still held open by another program (delete
// pending), fails the call; only the folders on the way to the kept path, each holding the
// next of them and nothing else, stay without failing it.
//
// The removal never uses or changes the process's working directory, never follows a link
// (a symbolic link or junction inside the tree goes as a link; where the platform cannot
// remove a link without reaching its target the removal fails there), and refuses the
// system's own folders. A read-only file is cleared through the handle it is deleted through,
// and another hard link to it keeps its attributes; times are never written. A read-only file
// that cannot be opened for that (held without delete sharing, locked) raises the framework's
// CFileException, which is not caught here.
class CTreeRemover
{
public:
    // path: a full path ("C:\...\name" or "\\server\share\...\name"). keepName, when not NULL
    // or empty, is the path below it to spare ("Album" or "Data\Album"), each name compared
    // without regard to case (full-width letters included): the last folder stays whole, the
    // folders on the way stay with nothing else in them; folders of those names elsewhere go.
    static BOOL RemoveFolder(const CString& path, LPCSTR keepName);
    // The same for a path already in the form PathRules::ComparablePath gives (the form a
    // folder record holds), and a kept path the code page may not hold.
    static BOOL RemoveFolder(const std::wstring& path, const std::wstring& keepName);
    // The same for a folder named relative to the current directory; name is a single
    // folder name.
    static BOOL RemoveTree(const CString& name, LPCSTR keepName);
    // Removes one file, a link as the link itself and never its target; path as for
    // RemoveFolder. TRUE when the file is gone.
    static BOOL RemoveFile(const CString& path);
    // FALSE for the paths RemoveFolder refuses before it removes anything: relative paths,
    // roots, "." and ".." components, names ending in a dot or a blank, the Windows folder
    // and everything in it (but for the Start-menu folders 9x and NT 4 keep there), every
    // folder the shell names (special and known folders, Program Files, Common Files), the
    // folders of other installed programs, the profiles folder, each profile and each folder
    // directly inside one, the current user's folders at their place in every profile, and
    // every ancestor of these, also when reached through a short name or a link, and however
    // the shell or the registry spells them.
    static BOOL IsRemovablePath(const CString& path);
    // The same for a path in the form PathRules::ComparablePath gives.
    static BOOL IsRemovablePath(const std::wstring& path);

    // While one lives, every removal tells pListener (which may be NULL) of each entry it
    // removes or cannot remove. One uninstall runs at a time.
    class CReporting
    {
    public:
        explicit CReporting(CRemovalListener* pListener);
        ~CReporting();
        CReporting(const CReporting&) = delete;
        CReporting& operator=(const CReporting&) = delete;

    private:
        CRemovalListener* m_pPrevious;
    };
    static void Removed(const std::wstring& strPath);
    static void Failed(const std::wstring& strPath, DWORD dwError);
};
