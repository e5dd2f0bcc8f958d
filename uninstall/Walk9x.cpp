#include "Walk9x.h"

#include <memory>
#include <utility>
#include <vector>

#include "framework/FileException.h"
#include "framework/FileFind.h"
#include "framework/Wide.h"
#include "uninstall/PathRules.h"
#include "uninstall/TreeRemover.h"

namespace
{
struct CFolderWalk
{
    CString strPath;
    std::wstring strKeep;    // the kept path below this folder, or empty
    std::unique_ptr<CFileFind> pFind;
    BOOL bMore;
};

// 9x itself has none, but Wine shows its Unix links as reparse points also when it plays 9x,
// and the narrow functions would reach their targets: such an entry stops the walk.
BOOL IsLink(DWORD dwAttributes)
{
    return (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

BOOL StartWalk(std::vector<CFolderWalk>& walks, const CString& strPath, const std::wstring& strKeep)
{
    CFolderWalk walk;
    walk.strPath = strPath;
    walk.strKeep = strKeep;
    walk.pFind.reset(new CFileFind);
    walk.bMore = walk.pFind->FindFile(strPath + "\\*.*");
    // A search that cannot start is a failure, not an empty folder.
    if (!walk.bMore && walk.pFind->GetSearchError() != NO_ERROR)
        return FALSE;
    walks.push_back(std::move(walk));
    return TRUE;
}

// A read-only file has its attribute byte written without the read-only bit, and its times
// left alone; a failure raises the framework's file exception (cause from the error, no file
// name), whose error box ends the uninstall. It is not caught here.
BOOL RemoveFile(const CString& strPath, BOOL bReadOnly)
{
    const DWORD dwAttributes = bReadOnly ? ::GetFileAttributesA(strPath) : INVALID_FILE_ATTRIBUTES;
    if (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_READONLY) != 0
        && !::SetFileAttributesA(strPath, dwAttributes & 0x7F & ~FILE_ATTRIBUTE_READONLY))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()));
    return ::DeleteFileA(strPath);
}

// Tells the uninstall's listener, if any, what became of an entry.
void Report(const CString& strPath, DWORD dwError)
{
    std::wstring str;
    if (!Wide::FromAnsi(strPath, str))
        return;
    if (dwError == NO_ERROR)
        CTreeRemover::Removed(str);
    else
        CTreeRemover::Failed(str, dwError);
}

// The folder holds nothing but the next folder of the kept path strKeep below it.
BOOL HoldsOnly(const CString& strPath, const std::wstring& strKeep)
{
    const std::wstring strNext = strKeep.substr(0, strKeep.find(L'\\'));
    CFileFind find;
    BOOL bMore = find.FindFile(strPath + "\\*.*");
    if (!bMore && find.GetSearchError() != NO_ERROR)
        return FALSE;
    while (bMore)
    {
        bMore = find.FindNextFile();
        if (!find.IsDots() && !(find.IsDirectory() && PathRules::SameText(find.GetFileNameW(), strNext)))
            return FALSE;
    }
    return find.GetSearchError() == NO_ERROR;
}
}

// Depth first without recursion, like the NT walk, so that no depth of tree can exhaust the stack.
BOOL Walk9x::RemoveFolder(const std::wstring& strPath, const std::wstring& strKeep)
{
    // A name the code page cannot hold cannot be told apart from the one its narrow form
    // names: neither the folder nor a kept name may be such a one.
    const CString strTop = Wide::ToAnsi(strPath.c_str());
    std::wstring strBack, strKeepBack;
    if (!Wide::FromAnsi(strTop, strBack) || strBack != strPath
        || !Wide::FromAnsi(Wide::ToAnsi(strKeep.c_str()), strKeepBack) || strKeepBack != strKeep)
        return FALSE;
    DWORD dwAttributes = ::GetFileAttributesA(strTop);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES || (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0
        || IsLink(dwAttributes))
        return FALSE;

    std::vector<CFolderWalk> walks;
    if (!StartWalk(walks, strTop, strKeep))
        return FALSE;
    while (!walks.empty())
    {
        CFolderWalk& walk = walks.back();
        if (!walk.bMore)
        {
            if (walk.pFind->GetSearchError() != NO_ERROR)
                return FALSE;
            walk.pFind.reset();
            // Only a folder on the way to the kept path may stay, and only around it.
            if (::RemoveDirectoryA(walk.strPath) && Walk9x::IsGone(walk.strPath))
            {
                Report(walk.strPath, NO_ERROR);
            }
            else
            {
                const DWORD dwError = ::GetLastError();
                if (walk.strKeep.empty() || !HoldsOnly(walk.strPath, walk.strKeep))
                {
                    Report(walk.strPath, dwError);
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
        std::wstring strKeepBelow;
        const BOOL bOnKeptPath = find.IsDirectory() && PathRules::IsOnKeptPath(walk.strKeep, find.GetFileNameW(),
                                                                               strKeepBelow);
        if (bOnKeptPath && strKeepBelow.empty())
            continue;
        if (IsLink(find.GetAttributes()))
            return FALSE;
        const CString strEntry = walk.strPath + "\\" + find.GetFileName();
        if (!find.IsDirectory())
        {
            const BOOL bRemoved = RemoveFile(strEntry, find.IsReadOnly());
            Report(strEntry, bRemoved ? NO_ERROR : ::GetLastError());
            if (!bRemoved)
                return FALSE;
            continue;
        }
        if (!StartWalk(walks, strEntry, strKeepBelow))
            return FALSE;
    }
    return TRUE;
}

// A removal the system reports may still be pending (another program holds the entry with
// delete sharing): only "not found" means gone.
BOOL Walk9x::IsGone(const CString& strPath)
{
    if (::GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES)
        return FALSE;
    DWORD dwError = ::GetLastError();
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}
