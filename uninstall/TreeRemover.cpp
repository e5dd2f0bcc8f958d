#include "TreeRemover.h"

#include <winternl.h>
#include <shlobj.h>
#include <userenv.h>

#include <wchar.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/File.h"
#include "framework/FileFind.h"
#include "framework/Wide.h"

#ifndef FILE_OPEN_REPARSE_POINT
#define FILE_OPEN_REPARSE_POINT 0x00200000
#endif

namespace
{
class CKernelHandle
{
public:
    explicit CKernelHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    CKernelHandle(CKernelHandle&& other) noexcept : m_h(other.m_h) { other.m_h = INVALID_HANDLE_VALUE; }
    CKernelHandle& operator=(CKernelHandle&& other) noexcept
    {
        std::swap(m_h, other.m_h);
        return *this;
    }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;
    ~CKernelHandle()
    {
        if (IsValid())
            CloseHandle(m_h);
    }

    BOOL IsValid() const { return m_h != NULL && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};

// A folder is held open without delete sharing while the walk is inside it, so that nobody
// can rename it or swap it for a link until the walk is done; the hold reads (lists), or its
// sharing would not count. Entries are deleted through handles that share everything.
const ACCESS_MASK kHoldAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
const ULONG kHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
const ACCESS_MASK kDeleteAccess = DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
const ULONG kDeleteShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const ULONG kFolderOptions = FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT;

BOOL SameText(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// b lies below a.
BOOL IsBelow(const std::wstring& a, const std::wstring& b)
{
    if (a.empty() || b.size() <= a.size())
        return FALSE;
    if (a.back() != L'\\' && b[a.size()] != L'\\')
        return FALSE;
    return SameText(a, b.substr(0, a.size()));
}

// "\\?\C:\x" becomes "C:\x" and "\\?\UNC\server\share\x" becomes "\\server\share\x".
std::wstring PlainPath(const std::wstring& strPath)
{
    if (strPath.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        return L"\\\\" + strPath.substr(8);
    if (strPath.compare(0, 4, L"\\\\?\\") == 0)
        return strPath.substr(4);
    return strPath;
}

std::wstring JoinPath(const std::wstring& strFolder, const std::wstring& strName)
{
    if (!strFolder.empty() && strFolder.back() == L'\\')
        return strFolder + strName;
    return strFolder + L'\\' + strName;
}

std::wstring ParentPath(const std::wstring& strPath)
{
    size_t n = strPath.rfind(L'\\');
    return n == std::wstring::npos ? std::wstring() : strPath.substr(0, n);
}

// The number of names below the root of a plain full path ("C:\" and "\\server\share" have
// none), or -1 when the path is not full or holds a name the platform would alter or
// misread: empty, "." or "..", ending in a dot or a blank (the platform strips those), or
// with a character no file name may hold.
int NamesBelowRoot(const std::wstring& strPath)
{
    size_t i;
    int nRootNames;
    if (strPath.size() >= 3 && strPath[1] == L':' && strPath[2] == L'\\'
        && ((strPath[0] >= L'A' && strPath[0] <= L'Z') || (strPath[0] >= L'a' && strPath[0] <= L'z')))
    {
        i = 3;
        nRootNames = 0;
        if (i == strPath.size())
            return 0;
    }
    else if (strPath.compare(0, 2, L"\\\\") == 0)
    {
        i = 2;
        nRootNames = 2;   // server and share
    }
    else
    {
        return -1;
    }

    int nNames = 0;
    for (;;)
    {
        size_t j = strPath.find(L'\\', i);
        if (j == std::wstring::npos)
            j = strPath.size();
        if (j == i)
            return -1;
        WCHAR chLast = strPath[j - 1];
        if (chLast == L'.' || chLast == L' ')   // also "." and ".."
            return -1;
        for (size_t k = i; k < j; ++k)
        {
            WCHAR ch = strPath[k];
            if (ch < 0x20 || wcschr(L"<>:\"/|?*", ch) != NULL)
                return -1;
        }
        ++nNames;
        if (j == strPath.size())
            break;
        i = j + 1;
    }
    return nNames >= nRootNames ? nNames - nRootNames : -1;
}

// The handle's name as the kernel knows it ("\Device\HarddiskVolume1\..." on Windows,
// "\??\C:\..." under Wine), with no length limit.
BOOL GetObjectName(HANDLE h, std::wstring& strName)
{
    struct ObjectName
    {
        UNICODE_STRING Name;
    };
    const OBJECT_INFORMATION_CLASS kObjectNameInformation = static_cast<OBJECT_INFORMATION_CLASS>(1);
    union
    {
        ObjectName name;
        BYTE bytes[2048];
    } small;
    std::vector<BYTE> large;
    PVOID pBuffer = &small;
    ULONG cbBuffer = sizeof(small);
    for (int nTry = 0; nTry < 2; ++nTry)
    {
        ULONG cbNeeded = 0;
        NTSTATUS status = NtQueryObject(h, kObjectNameInformation, pBuffer, cbBuffer, &cbNeeded);
        if (status >= 0)
        {
            const UNICODE_STRING& name = static_cast<ObjectName*>(pBuffer)->Name;
            strName.assign(name.Buffer, name.Length / sizeof(WCHAR));
            return !strName.empty();
        }
        // Whatever the platform says it needs, a name never exceeds what UNICODE_STRING holds.
        large.resize(sizeof(ObjectName) + 0x10000);
        pBuffer = large.data();
        cbBuffer = static_cast<ULONG>(large.size());
    }
    return FALSE;
}

// The handle's full path in the "\\?\" form, links resolved.
BOOL GetFinalPath(HANDLE h, std::wstring& strPath)
{
    strPath.resize(MAX_PATH);
    for (;;)
    {
        DWORD n = GetFinalPathNameByHandleW(h, &strPath[0], static_cast<DWORD>(strPath.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0)
            break;
        if (n < strPath.size())
        {
            strPath.resize(n);
            return TRUE;
        }
        strPath.resize(n + 1);
    }
    // Wine answers only up to MAX_PATH here, but its kernel name is the DOS path.
    std::wstring strName;
    if (!GetObjectName(h, strName) || strName.compare(0, 4, L"\\??\\") != 0)
        return FALSE;
    strPath = L"\\\\?\\" + strName.substr(4);
    return TRUE;
}

// Where a path leads once links on the way are followed; empty when it leads nowhere.
std::wstring ResolvedPath(const std::wstring& strPath)
{
    std::wstring strFinal;
    CKernelHandle h(CreateFileW(Wide::ExtendedPath(strPath).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, NULL));
    if (!h.IsValid() || !GetFinalPath(h.Get(), strFinal))
        return std::wstring();
    return PlainPath(strFinal);
}

std::wstring LongPath(const std::wstring& strPath)
{
    std::wstring strLong(MAX_PATH, L'\0');
    for (;;)
    {
        DWORD n = GetLongPathNameW(strPath.c_str(), &strLong[0], static_cast<DWORD>(strLong.size()));
        if (n == 0)
            return std::wstring();
        if (n < strLong.size())
        {
            strLong.resize(n);
            return strLong;
        }
        strLong.resize(n + 1);
    }
}

// The folders that must never go, nor any folder holding one of them, each as the shell
// names it and as it resolves on disk (a redirected Documents folder, a short name).
class CProtectedFolders
{
public:
    CProtectedFolders()
    {
        static const int kFolders[] = {
            CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS,
            CSIDL_MYPICTURES, CSIDL_COMMON_PICTURES, CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU,
            CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTUP, CSIDL_COMMON_STARTUP,
            CSIDL_PROFILE, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
            CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86,
        };
        WCHAR sz[MAX_PATH];
        for (int nFolder : kFolders)
        {
            if (SUCCEEDED(SHGetFolderPathW(NULL, nFolder | CSIDL_FLAG_DONT_VERIFY, NULL, SHGFP_TYPE_CURRENT, sz)))
                Add(m_folders, sz);
        }
        // Each of these answers the length it wrote, 0 on failure, more when MAX_PATH is short.
        auto fits = [](UINT n) { return n != 0 && n < MAX_PATH; };
        if (fits(GetWindowsDirectoryW(sz, MAX_PATH)))
            Add(m_folders, sz);
        if (fits(GetSystemWindowsDirectoryW(sz, MAX_PATH)))
            Add(m_folders, sz);
        if (fits(GetSystemDirectoryW(sz, MAX_PATH)))
            Add(m_folders, sz);
        if (fits(GetSystemWow64DirectoryW(sz, MAX_PATH)))
            Add(m_folders, sz);
        // A 32-bit process is told the 32-bit Program Files; these name the native ones.
        for (LPCWSTR pszName : { L"ProgramW6432", L"CommonProgramW6432", L"ProgramFiles", L"ProgramFiles(x86)" })
        {
            if (fits(GetEnvironmentVariableW(pszName, sz, MAX_PATH)))
                Add(m_folders, sz);
        }

        DWORD cch = MAX_PATH;
        if (GetProfilesDirectoryW(sz, &cch))
            Add(m_profileRoots, sz);
        if (SUCCEEDED(SHGetFolderPathW(NULL, CSIDL_PROFILE | CSIDL_FLAG_DONT_VERIFY, NULL, SHGFP_TYPE_CURRENT, sz)))
            Add(m_profileRoots, ParentPath(sz));
        m_folders.insert(m_folders.end(), m_profileRoots.begin(), m_profileRoots.end());
    }

    // strPath: a plain full path.
    BOOL Covers(const std::wstring& strPath) const
    {
        for (const std::wstring& strFolder : m_folders)
        {
            if (SameText(strPath, strFolder) || IsBelow(strPath, strFolder))
                return TRUE;
        }
        std::wstring strParent = ParentPath(strPath);
        for (const std::wstring& strRoot : m_profileRoots)
        {
            if (SameText(strParent, strRoot))
                return TRUE;
        }
        return FALSE;
    }

private:
    static void Add(std::vector<std::wstring>& folders, const std::wstring& strFolder)
    {
        if (NamesBelowRoot(strFolder) < 0)
            return;
        folders.push_back(strFolder);
        std::wstring strLong = LongPath(Wide::ExtendedPath(strFolder));
        if (!strLong.empty())
            folders.push_back(PlainPath(strLong));
        std::wstring strResolved = ResolvedPath(strFolder);
        if (!strResolved.empty())
            folders.push_back(strResolved);
    }

    std::vector<std::wstring> m_folders;
    std::vector<std::wstring> m_profileRoots;
};

// Opens an entry of an open folder by its bare name, never through a link: where the
// platform honours it, a link is opened as itself.
CKernelHandle OpenEntry(HANDLE hFolder, const std::wstring& strName, ACCESS_MASK access, ULONG share, ULONG options)
{
    if (strName.empty() || strName.size() > 0x7FFF / sizeof(WCHAR))
    {
        SetLastError(ERROR_INVALID_NAME);
        return CKernelHandle();
    }
    UNICODE_STRING name;
    name.Buffer = const_cast<PWSTR>(strName.c_str());
    name.Length = static_cast<USHORT>(strName.size() * sizeof(WCHAR));
    name.MaximumLength = name.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, hFolder, NULL);
    IO_STATUS_BLOCK io;
    HANDLE h = NULL;
    NTSTATUS status = NtCreateFile(&h, access | SYNCHRONIZE, &attributes, &io, NULL, 0, share, FILE_OPEN,
                                   options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, NULL, 0);
    if (status < 0)
    {
        SetLastError(RtlNtStatusToDosError(status));
        return CKernelHandle();
    }
    return CKernelHandle(h);
}

// Only symbolic links, junctions and mount points count as links; other reparse points
// (cloud-file placeholders and the like) are ordinary entries.
BOOL IsLink(HANDLE h, BOOL& bLink)
{
    FILE_ATTRIBUTE_TAG_INFO info;
    if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info, sizeof(info)))
        return FALSE;
    bLink = (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
         && (info.ReparseTag == IO_REPARSE_TAG_SYMLINK || info.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT);
    return TRUE;
}

// A platform that follows links even when asked not to (Wine follows its Unix links) gives
// a handle to the link's target; its name then differs from the one the walk expects.
BOOL IsAt(HANDLE h, const std::wstring& strObject)
{
    std::wstring strName;
    return GetObjectName(h, strName) && SameText(strName, strObject);
}

// The entry goes when the handle is closed.
BOOL MarkForDeletion(HANDLE h)
{
    FILE_DISPOSITION_INFO info;
    info.DeleteFile = TRUE;
    return SetFileInformationByHandle(h, FileDispositionInfo, &info, sizeof(info));
}

// Zero leaves the attributes unchanged, so "none" is written as FILE_ATTRIBUTE_NORMAL.
// Times left zero stay as they are.
BOOL SetAttributes(HANDLE h, DWORD dwAttributes)
{
    FILE_BASIC_INFO info;
    ZeroMemory(&info, sizeof(info));
    info.FileAttributes = dwAttributes != 0 ? dwAttributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof(info));
}

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
// still leads to it.
BOOL DeleteEntry(HANDLE hFolder, const std::wstring& strName, const CEntry& entry, ULONG options)
{
    CKernelHandle h = OpenEntry(hFolder, strName, kDeleteAccess, kDeleteShare, options);
    return h.IsValid() && IsAt(h.Get(), entry.strObject) && MarkForDeletion(h.Get());
}

BOOL RemoveFile(HANDLE hFolder, const std::wstring& strName, BOOL bReadOnly, const CEntry& entry)
{
    if (!bReadOnly)
        return DeleteEntry(hFolder, strName, entry, FILE_NON_DIRECTORY_FILE);

    // The status write-back goes by path and opens the file without delete sharing. So the
    // file is first opened for its attributes only (which no sharing mode forbids), to make
    // sure the path names this very file and no link (whose target the write-back would
    // reach), and is then deleted through that same open file rather than by its name again.
    CKernelHandle h = OpenEntry(hFolder, strName, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kDeleteShare,
                                FILE_NON_DIRECTORY_FILE);
    BOOL bLink = FALSE;
    if (!h.IsValid() || !IsLink(h.Get(), bLink) || bLink || !IsAt(h.Get(), entry.strObject))
        return FALSE;
    CFileStatus status;
    if (CFile::GetStatus(entry.strPath.c_str(), status))
    {
        status.m_attribute &= ~CFile::readOnly;
        // The attributes go through the checked handle first, as the write-back would set
        // them: it then finds them in place and spares itself opening the file for them.
        // Should this fail, the write-back sets them by path as ever.
        SetAttributes(h.Get(), status.m_attribute);
        CFile::SetStatus(entry.strPath.c_str(), status);
    }
    CKernelHandle hDelete(ReOpenFile(h.Get(), DELETE, kDeleteShare, FILE_FLAG_OPEN_REPARSE_POINT));
    return hDelete.IsValid() && MarkForDeletion(hDelete.Get());
}

struct CFolderWalk
{
    HANDLE hParent;          // the hold on the folder above, owned by the walk before
    std::wstring strName;
    CEntry entry;
    CKernelHandle hHold;
    std::unique_ptr<CFileFind> pFind;
    BOOL bMore;
};

BOOL StartWalk(std::vector<CFolderWalk>& walks, HANDLE hParent, const std::wstring& strName, const CEntry& entry,
               CKernelHandle hHold)
{
    CFolderWalk walk;
    walk.hParent = hParent;
    walk.strName = strName;
    walk.entry = entry;
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
// tree can exhaust the stack. Only the top folder spares strKeep.
BOOL RemoveHeldFolder(HANDLE hParent, const std::wstring& strName, const CEntry& top, CKernelHandle hHold,
                      const std::wstring& strKeep)
{
    std::vector<CFolderWalk> walks;
    if (!StartWalk(walks, hParent, strName, top, std::move(hHold)))
        return FALSE;
    while (!walks.empty())
    {
        CFolderWalk& walk = walks.back();
        if (!walk.bMore)
        {
            if (walk.pFind->GetSearchError() != NO_ERROR)
                return FALSE;
            walk.pFind.reset();
            walk.hHold = CKernelHandle();
            // The result does not count: success means the walk completed.
            DeleteEntry(walk.hParent, walk.strName, walk.entry, kFolderOptions);
            walks.pop_back();
            continue;
        }

        walk.bMore = walk.pFind->FindNextFile();
        const CFileFind& find = *walk.pFind;
        if (find.IsDots())
            continue;
        const std::wstring strEntry = find.GetFileNameW();
        if (walks.size() == 1 && !strKeep.empty() && find.IsDirectory() && SameText(strEntry, strKeep))
            continue;
        const CEntry entry = walk.entry.Child(strEntry);
        if (!find.IsDirectory())
        {
            if (!RemoveFile(walk.hHold.Get(), strEntry, find.IsReadOnly(), entry))
                return FALSE;
            continue;
        }

        CKernelHandle hFolder;
        BOOL bLink = FALSE;
        if (!HoldFolder(walk.hHold.Get(), strEntry, entry, hFolder, bLink))
            return FALSE;
        if (bLink)
        {
            if (!DeleteEntry(walk.hHold.Get(), strEntry, entry, kFolderOptions))
                return FALSE;
            continue;
        }
        HANDLE hWalkFolder = walk.hHold.Get();   // walk is not valid once another is pushed
        if (!StartWalk(walks, hWalkFolder, strEntry, entry, std::move(hFolder)))
            return FALSE;
    }
    return TRUE;
}

// A path is refused when it, its long form (strLong, empty when unknown) or where it leads
// once links are followed is a protected folder or holds one.
BOOL IsProtected(const CProtectedFolders& folders, const std::wstring& strPath, const std::wstring& strLong)
{
    if (folders.Covers(strPath) || (!strLong.empty() && folders.Covers(PlainPath(strLong))))
        return TRUE;
    std::wstring strResolved = ResolvedPath(strPath);
    return !strResolved.empty() && folders.Covers(strResolved);
}

BOOL RemoveFolderW(const std::wstring& strPath, const std::wstring& strKeep)
{
    if (NamesBelowRoot(strPath) < 1)
        return FALSE;
    // The long name, spelled as on disk, so that the checks compare like with like.
    std::wstring strLong = LongPath(Wide::ExtendedPath(strPath));
    if (strLong.empty() || NamesBelowRoot(PlainPath(strLong)) < 1)
        return FALSE;
    CProtectedFolders protectedFolders;
    if (IsProtected(protectedFolders, strPath, strLong))
        return FALSE;

    std::wstring strParent = ParentPath(strLong);
    const std::wstring strName = strLong.substr(strParent.size() + 1);
    // A root opens as the root folder only with its backslash ("\\?\C:" is the volume).
    if (NamesBelowRoot(PlainPath(strParent) + L'\\') == 0)
        strParent += L'\\';
    CKernelHandle hParent(CreateFileW(strParent.c_str(), FILE_READ_ATTRIBUTES, kDeleteShare, NULL, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, NULL));
    CEntry parent;
    if (!hParent.IsValid() || !GetFinalPath(hParent.Get(), parent.strPath)
        || !GetObjectName(hParent.Get(), parent.strObject))
        return FALSE;
    const CEntry top = parent.Child(strName);

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
        return DeleteEntry(hParent.Get(), strName, top, kFolderOptions);
    }
    if (protectedFolders.Covers(PlainPath(top.strPath)))
        return FALSE;
    return RemoveHeldFolder(hParent.Get(), strName, top, std::move(hTop), strKeep);
}
}

BOOL CTreeRemover::RemoveFolder(const CString& path, LPCSTR keepName)
{
    std::wstring strPath, strKeep;
    // A kept name that cannot be read cannot be honoured: nothing goes rather than it.
    if (path.IsEmpty() || !Wide::FromAnsi(path, strPath) || !Wide::FromAnsi(keepName, strKeep))
        return FALSE;
    return RemoveFolderW(strPath, strKeep);
}

BOOL CTreeRemover::RemoveTree(const CString& name, LPCSTR keepName)
{
    std::wstring strName, strKeep;
    if (name.IsEmpty() || !Wide::FromAnsi(name, strName) || !Wide::FromAnsi(keepName, strKeep)
        || strName.find_first_of(L"\\/") != std::wstring::npos)
        return FALSE;
    DWORD n = GetCurrentDirectoryW(0, NULL);
    if (n == 0)
        return FALSE;
    std::wstring strCurrent(n, L'\0');
    n = GetCurrentDirectoryW(n, &strCurrent[0]);
    if (n == 0 || n >= strCurrent.size())
        return FALSE;
    strCurrent.resize(n);
    return RemoveFolderW(JoinPath(PlainPath(strCurrent), strName), strKeep);
}

BOOL CTreeRemover::IsRemovablePath(const CString& path)
{
    std::wstring strPath;
    if (path.IsEmpty() || !Wide::FromAnsi(path, strPath) || NamesBelowRoot(strPath) < 1)
        return FALSE;
    return !IsProtected(CProtectedFolders(), strPath, LongPath(Wide::ExtendedPath(strPath)));
}
