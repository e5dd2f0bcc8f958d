#include "TreeRemover.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/FileException.h"
#include "framework/FileFind.h"
#include "framework/KernelHandle.h"
#include "framework/Platform.h"
#include "framework/Wide.h"
#include "uninstall/NtEntries.h"
#include "uninstall/PathRules.h"
#include "uninstall/ProtectedFolders.h"
#include "uninstall/Walk9x.h"

using namespace NtEntries;
using namespace PathRules;

namespace
{
// An entry as the walk knows it: its path for the calls that take one, and the kernel's
// name for it, against which each handle the walk opens is checked.
struct CEntry
{
    std::wstring strPath;     // "\\?\" form
    std::wstring strObject;

    CEntry Child(const std::wstring& strName) const
    {
        return CEntry{ JoinPath(strPath, strName), JoinPath(strObject, strName) };
    }
};

// Deletes the entry of the folder hFolder, a link as the link itself, provided the name
// still leads to it. Once checked, the entry is changed and deleted through that handle alone.
BOOL DeleteEntry(HANDLE hFolder, const std::wstring& strName, const CEntry& entry, ULONG options)
{
    CKernelHandle h = OpenEntry(hFolder, strName, kDeleteAccess, kDeleteShare, options);
    return h.IsValid() && IsAt(h.Get(), entry.strObject) && MarkForDeletionClearing(h.Get(), FALSE);
}

// The name leads nowhere any more. An entry that another program holds open stays on disk,
// delete pending, after its deletion was accepted, and so does a folder holding one.
BOOL IsGone(HANDLE hFolder, const std::wstring& strName)
{
    CKernelHandle h = OpenEntry(hFolder, strName, FILE_READ_ATTRIBUTES, kDeleteShare, 0);
    if (h.IsValid())
        return FALSE;
    DWORD dwError = GetLastError();
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

// Files are only marked for deletion; whether they went shows when their folder goes.
BOOL RemoveFolderEntry(HANDLE hFolder, const std::wstring& strName, const CEntry& entry)
{
    return DeleteEntry(hFolder, strName, entry, kFolderOptions) && IsGone(hFolder, strName);
}

// A folder that stays for the kept path below it (strKeep) holds the path's next folder and
// nothing else.
BOOL HoldsOnly(const CEntry& folder, const std::wstring& strKeep)
{
    const std::wstring strNext = strKeep.substr(0, strKeep.find(L'\\'));
    CFileFind find;
    BOOL bMore = find.FindFile(JoinPath(folder.strPath, L"*").c_str());
    BOOL bKept = FALSE;
    while (bMore)
    {
        bMore = find.FindNextFile();
        if (find.IsDots())
            continue;
        if (!find.IsDirectory() || !SameText(find.GetFileNameW(), strNext))
            return FALSE;
        bKept = TRUE;
    }
    return bKept && find.GetSearchError() == NO_ERROR;
}

// A file is opened once, checked, and cleared and deleted through that handle: a call by
// name after the check could follow a link swapped in meanwhile. A read-only file that cannot
// be opened so (another program holds it without delete sharing, or locks it) raises the
// framework's file exception (cause from the error, no file name), whose error box ends the
// uninstall.
BOOL RemoveFile(HANDLE hFolder, const std::wstring& strName, BOOL bReadOnly, const CEntry& entry)
{
    CKernelHandle h = OpenEntry(hFolder, strName, kDeleteAccess, kDeleteShare, FILE_NON_DIRECTORY_FILE);
    if (!h.IsValid())
    {
        const DWORD dwError = GetLastError();
        if (bReadOnly && dwError != ERROR_FILE_NOT_FOUND && dwError != ERROR_PATH_NOT_FOUND)
            CFileException::ThrowOsError(static_cast<LONG>(dwError));
        return FALSE;
    }
    return IsAt(h.Get(), entry.strObject) && MarkForDeletionClearing(h.Get(), bReadOnly);
}

struct CFolderWalk
{
    HANDLE hParent;          // the hold on the folder above, owned by the walk before
    std::wstring strName;
    CEntry entry;
    std::wstring strKeep;    // the kept path below this folder, or empty
    CKernelHandle hHold;
    std::unique_ptr<CFileFind> pFind;
    BOOL bMore;
};

BOOL StartWalk(std::vector<CFolderWalk>& walks, HANDLE hParent, const std::wstring& strName, const CEntry& entry,
               const std::wstring& strKeep, CKernelHandle hHold)
{
    CFolderWalk walk;
    walk.hParent = hParent;
    walk.strName = strName;
    walk.entry = entry;
    walk.strKeep = strKeep;
    walk.hHold = std::move(hHold);
    walk.pFind.reset(new CFileFind);
    walk.bMore = walk.pFind->FindFile(JoinPath(entry.strPath, L"*").c_str());
    // A search that cannot start is a failure, not an empty folder.
    if (!walk.bMore && walk.pFind->GetSearchError() != NO_ERROR)
        return FALSE;
    walks.push_back(std::move(walk));
    return TRUE;
}

// Opens a folder entry and holds it. bLink tells a link, which is not held (and must not be
// entered); FALSE when it cannot be opened or the name leads elsewhere.
BOOL HoldFolder(HANDLE hParent, const std::wstring& strName, const CEntry& entry, CKernelHandle& hHold, BOOL& bLink)
{
    hHold = OpenEntry(hParent, strName, kHoldAccess, kHoldShare, kFolderOptions);
    if (!hHold.IsValid() || !IsLink(hHold.Get(), bLink))
        return FALSE;
    if (bLink)
    {
        hHold = CKernelHandle();
        return TRUE;
    }
    return IsAt(hHold.Get(), entry.strObject);
}

// Removes the held folder and its tree, depth first without recursion, so that no depth of
// tree can exhaust the stack. The kept path (names below the top) is spared level by level:
// its last entry stays whole, the folders on the way to it stay holding only it.
BOOL RemoveHeldFolder(HANDLE hParent, const std::wstring& strName, const CEntry& top, CKernelHandle hHold,
                      const std::wstring& strKeep)
{
    std::vector<CFolderWalk> walks;
    if (!StartWalk(walks, hParent, strName, top, strKeep, std::move(hHold)))
        return FALSE;
    while (!walks.empty())
    {
        CFolderWalk& walk = walks.back();
        if (!walk.bMore)
        {
            if (walk.pFind->GetSearchError() != NO_ERROR)
            {
                CTreeRemover::Failed(walk.entry.strPath, walk.pFind->GetSearchError());
                return FALSE;
            }
            walk.pFind.reset();
            walk.hHold = CKernelHandle();
            if (RemoveFolderEntry(walk.hParent, walk.strName, walk.entry))
            {
                CTreeRemover::Removed(walk.entry.strPath);
            }
            else
            {
                const DWORD dwError = GetLastError();
                if (walk.strKeep.empty() || !HoldsOnly(walk.entry, walk.strKeep))
                {
                    CTreeRemover::Failed(walk.entry.strPath, dwError);
                    return FALSE;
                }
            }
            walks.pop_back();
            continue;
        }

        walk.bMore = walk.pFind->FindNextFile();
        const CFileFind& find = *walk.pFind;
        if (find.IsDots())
            continue;
        const std::wstring strEntry = find.GetFileNameW();
        std::wstring strKeepBelow;
        const BOOL bOnKeptPath = find.IsDirectory() && IsOnKeptPath(walk.strKeep, strEntry, strKeepBelow);
        if (bOnKeptPath && strKeepBelow.empty())
            continue;
        const CEntry entry = walk.entry.Child(strEntry);
        if (!find.IsDirectory())
        {
            if (!RemoveFile(walk.hHold.Get(), strEntry, find.IsReadOnly(), entry))
            {
                CTreeRemover::Failed(entry.strPath, GetLastError());
                return FALSE;
            }
            CTreeRemover::Removed(entry.strPath);
            continue;
        }

        CKernelHandle hFolder;
        BOOL bLink = FALSE;
        if (!HoldFolder(walk.hHold.Get(), strEntry, entry, hFolder, bLink))
        {
            CTreeRemover::Failed(entry.strPath, GetLastError());
            return FALSE;
        }
        if (bLink)
        {
            // A link on the kept path may be the way to the album: it stays as it is.
            if (bOnKeptPath)
                continue;
            if (!RemoveFolderEntry(walk.hHold.Get(), strEntry, entry))
            {
                CTreeRemover::Failed(entry.strPath, GetLastError());
                return FALSE;
            }
            CTreeRemover::Removed(entry.strPath);
            continue;
        }
        HANDLE hWalkFolder = walk.hHold.Get();   // walk is not valid once another is pushed
        if (!StartWalk(walks, hWalkFolder, strEntry, entry, strKeepBelow, std::move(hFolder)))
            return FALSE;
    }
    return TRUE;
}

// A path is refused when it, or where it leads once links are followed, is a protected folder
// or holds one.
BOOL IsProtected(const CProtectedFolders& folders, const std::wstring& strPath)
{
    if (folders.Covers(strPath))
        return TRUE;
    std::wstring strResolved = ResolvedPath(strPath);
    return !strResolved.empty() && folders.Covers(strResolved);
}

// Opens the folder that holds the entry strPath, for the entry to be opened relative to it;
// strName is the entry's name there.
BOOL OpenParent(const std::wstring& strPath, CKernelHandle& hParent, std::wstring& strName, CEntry& entry)
{
    const std::wstring strParent = ParentPath(strPath);
    strName = strPath.substr(strParent.size() + 1);
    // A root opens as the root folder only with its backslash ("\\?\C:" is the volume).
    std::wstring strOpen = Wide::ExtendedPath(strParent);
    if (NamesBelowRoot(strParent + L'\\') == 0)
        strOpen += L'\\';
    hParent = CKernelHandle(CreateFileW(strOpen.c_str(), FILE_READ_ATTRIBUTES, kDeleteShare, NULL, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, NULL));
    CEntry parent;
    if (!hParent.IsValid() || !GetFinalPath(hParent.Get(), parent.strPath)
        || !GetObjectName(hParent.Get(), parent.strObject))
        return FALSE;
    entry = parent.Child(strName);
    return TRUE;
}

// strPath: as PathRules::ComparablePath gives it, which is the form the checks compare.
BOOL RemoveComparable(const std::wstring& strPath, const std::wstring& strKeep)
{
    if (NamesBelowRoot(strPath) < 1)
        return FALSE;
    const std::shared_ptr<const CProtectedFolders> pProtected = CProtectedFolders::Get();
    const CProtectedFolders& protectedFolders = *pProtected;
    if (IsProtected(protectedFolders, strPath))
        return FALSE;
    // 9x has no links, no NT calls and no wide file functions: a walk of its own.
    if (Platform::IsWin9x())
        return Walk9x::RemoveFolder(strPath, strKeep);

    CKernelHandle hParent;
    std::wstring strName;
    CEntry top;
    if (!OpenParent(strPath, hParent, strName, top))
        return FALSE;

    CKernelHandle hTop;
    BOOL bLink = FALSE;
    if (!HoldFolder(hParent.Get(), strName, top, hTop, bLink))
        return FALSE;
    if (bLink)
    {
        // The named folder is itself a link: it goes as a link, unless it leads to a
        // folder that must stay (as "Documents and Settings" leads to the profiles).
        std::wstring strTarget = ResolvedPath(top.strPath);
        if (!strTarget.empty() && protectedFolders.Covers(strTarget))
            return FALSE;
        return RemoveFolderEntry(hParent.Get(), strName, top);
    }
    if (protectedFolders.Covers(PlainPath(top.strPath)))
        return FALSE;
    return RemoveHeldFolder(hParent.Get(), strName, top, std::move(hTop), strKeep);
}

// A path as a caller spelled it is refused as it stands when it names something other than
// it seems to ("." or "..", a trailing dot); otherwise it is brought into the one form.
std::wstring Comparable(const std::wstring& strSpelled)
{
    return NamesBelowRoot(strSpelled) < 1 ? std::wstring() : ComparablePath(strSpelled);
}
}

BOOL CTreeRemover::RemoveFolder(const CString& path, LPCSTR keepName)
{
    std::wstring strPath, strKeep;
    // A kept name that cannot be read cannot be honoured: nothing goes rather than it.
    if (path.IsEmpty() || !Wide::FromAnsi(path, strPath) || !Wide::FromAnsi(keepName, strKeep))
        return FALSE;
    return RemoveComparable(Comparable(strPath), strKeep);
}

BOOL CTreeRemover::RemoveFolder(const std::wstring& path, const std::wstring& keepName)
{
    return RemoveComparable(path, keepName);
}

BOOL CTreeRemover::RemoveTree(const CString& name, LPCSTR keepName)
{
    std::wstring strName, strKeep;
    if (name.IsEmpty() || !Wide::FromAnsi(name, strName) || !Wide::FromAnsi(keepName, strKeep)
        || strName.find_first_of(L"\\/") != std::wstring::npos)
        return FALSE;
    DWORD n = Platform::GetCurrentDirectoryW(0, NULL);
    if (n == 0)
        return FALSE;
    std::wstring strCurrent(n, L'\0');
    n = Platform::GetCurrentDirectoryW(n, &strCurrent[0]);
    if (n == 0 || n >= strCurrent.size())
        return FALSE;
    strCurrent.resize(n);
    return RemoveComparable(Comparable(JoinPath(PlainPath(strCurrent), strName)), strKeep);
}

BOOL CTreeRemover::RemoveFile(const CString& path)
{
    std::wstring strPath;
    if (path.IsEmpty() || !Wide::FromAnsi(path, strPath))
        return FALSE;
    strPath = Comparable(strPath);
    if (NamesBelowRoot(strPath) < 1)
        return FALSE;
    // 9x has no links, and none of the NT entry calls.
    if (Platform::IsWin9x())
        return ::DeleteFileA(path) && Walk9x::IsGone(path);
    CKernelHandle hParent;
    std::wstring strName;
    CEntry entry;
    if (!OpenParent(strPath, hParent, strName, entry))
        return FALSE;
    return DeleteEntry(hParent.Get(), strName, entry, FILE_NON_DIRECTORY_FILE) && IsGone(hParent.Get(), strName);
}

BOOL CTreeRemover::IsRemovablePath(const CString& path)
{
    std::wstring strPath;
    return !path.IsEmpty() && Wide::FromAnsi(path, strPath) && IsRemovablePath(Comparable(strPath));
}

BOOL CTreeRemover::IsRemovablePath(const std::wstring& path)
{
    return NamesBelowRoot(path) >= 1 && !IsProtected(*CProtectedFolders::Get(), path);
}

namespace
{
CRemovalListener* g_pListener = NULL;
}

CTreeRemover::CReporting::CReporting(CRemovalListener* pListener) : m_pPrevious(g_pListener)
{
    g_pListener = pListener;
}

CTreeRemover::CReporting::~CReporting()
{
    g_pListener = m_pPrevious;
}

void CTreeRemover::Removed(const std::wstring& strPath)
{
    if (g_pListener != NULL)
        g_pListener->EntryRemoved(PlainPath(strPath));
}

// The error is kept for whoever reads it after the report.
void CTreeRemover::Failed(const std::wstring& strPath, DWORD dwError)
{
    if (g_pListener != NULL)
        g_pListener->EntryFailed(PlainPath(strPath), dwError);
    SetLastError(dwError);
}
