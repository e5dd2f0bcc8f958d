#include "NtEntries.h"

#include <winternl.h>

#include "framework/Platform.h"
#include "framework/Wide.h"
#include "uninstall/PathRules.h"

#ifndef FILE_OPEN_REPARSE_POINT
#define FILE_OPEN_REPARSE_POINT 0x00200000
#endif

using PathRules::PlainPath;
using PathRules::SameText;

BOOL NtEntries::GetObjectName(HANDLE h, std::wstring& strName)
{
    return Platform::GetObjectName(h, strName);
}

// The handle's full path in the "\\?\" form, links resolved.
BOOL NtEntries::GetFinalPath(HANDLE h, std::wstring& strPath)
{
    strPath.resize(MAX_PATH);
    for (;;)
    {
        DWORD n = Platform::GetFinalPathNameByHandleW(h, &strPath[0], static_cast<DWORD>(strPath.size()),
                                                      Platform::kFileNameNormalized);
        if (n == 0)
            break;
        if (n < strPath.size())
        {
            strPath.resize(n);
            return TRUE;
        }
        strPath.resize(n + 1);
    }
    // Wine answers only up to MAX_PATH here; its kernel name is the DOS path, which the
    // fallback reads.
    strPath.resize(0x8000);
    DWORD n = Platform::Fallback::GetFinalPathNameByHandleW(h, &strPath[0], static_cast<DWORD>(strPath.size()));
    if (n == 0 || n >= strPath.size())
        return FALSE;
    strPath.resize(n);
    return TRUE;
}

// Where a path leads once links on the way are followed; empty when it leads nowhere.
std::wstring NtEntries::ResolvedPath(const std::wstring& strPath)
{
    std::wstring strFinal;
    if (Platform::IsWin9x())
        return strFinal;   // no links there
    CKernelHandle h(CreateFileW(Wide::ExtendedPath(strPath).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, NULL));
    if (!h.IsValid() || !GetFinalPath(h.Get(), strFinal))
        return std::wstring();
    return PlainPath(strFinal);
}

// Opens an entry of an open folder by its bare name, never through a link: where the
// platform honours it, a link is opened as itself.
CKernelHandle NtEntries::OpenEntry(HANDLE hFolder, const std::wstring& strName, ACCESS_MASK access, ULONG share, ULONG options)
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
    NTSTATUS status = Platform::NtCreateFile(&h, access | SYNCHRONIZE, &attributes, &io, NULL, 0, share, FILE_OPEN,
                                   options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, NULL, 0);
    if (status < 0)
    {
        SetLastError(Platform::RtlNtStatusToDosError(status));
        return CKernelHandle();
    }
    return CKernelHandle(h);
}

// Only symbolic links, junctions and mount points count as links; other reparse points
// (cloud-file placeholders and the like) are ordinary entries.
BOOL NtEntries::IsLink(HANDLE h, BOOL& bLink)
{
    Platform::FileAttributeTagInfo info;
    if (!Platform::GetFileInformationByHandleEx(h, Platform::kFileAttributeTagInfo, &info, sizeof(info)))
        return FALSE;
    bLink = (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
         && (info.ReparseTag == IO_REPARSE_TAG_SYMLINK || info.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT);
    return TRUE;
}

// A platform that follows links even when asked not to (Wine follows its Unix links) gives
// a handle to the link's target; its name then differs from the one the walk expects.
BOOL NtEntries::IsAt(HANDLE h, const std::wstring& strObject)
{
    std::wstring strName;
    return GetObjectName(h, strName) && SameText(strName, strObject);
}

// The entry goes when the handle is closed.
BOOL NtEntries::MarkForDeletion(HANDLE h)
{
    Platform::FileDispositionInfo info;
    info.DeleteFile = TRUE;
    return Platform::SetFileInformationByHandle(h, Platform::kFileDispositionInfo, &info, sizeof(info));
}

// A read-only entry refuses its deletion until the attribute is cleared, and that is done
// through the same handle, never by name. The attribute belongs to the file, which its other
// hard links share (a link to the user's own document, say): where any remain, or where the
// deletion is refused all the same, it is set back before the handle closes; the marked link
// still goes at the close. Times are never written. bReadOnly is what the folder's listing
// said: such an entry skips the first try, which would only be refused (one call fewer per
// read-only file); the handle's own attributes decide all the same.
BOOL NtEntries::MarkForDeletionClearing(HANDLE h, BOOL bReadOnly)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (bReadOnly)
    {
        if (!::GetFileInformationByHandle(h, &info))
            return FALSE;
        if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0)
            return MarkForDeletion(h);
    }
    else
    {
        if (MarkForDeletion(h))
            return TRUE;
        const DWORD dwRefused = GetLastError();
        if (dwRefused != ERROR_ACCESS_DENIED || !::GetFileInformationByHandle(h, &info)
            || (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0)
        {
            SetLastError(dwRefused);
            return FALSE;
        }
    }
    const DWORD dwSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM
                           | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE
                           | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD dwAttributes = info.dwFileAttributes & dwSettable;
    if (!SetAttributes(h, dwAttributes & ~FILE_ATTRIBUTE_READONLY))
        return FALSE;
    const BOOL bMarked = MarkForDeletion(h);
    const DWORD dwError = GetLastError();
    if (!bMarked || info.nNumberOfLinks > 1)
        SetAttributes(h, dwAttributes);
    SetLastError(dwError);
    return bMarked;
}

// Zero leaves the attributes unchanged, so "none" is written as FILE_ATTRIBUTE_NORMAL.
// Times left zero stay as they are.
BOOL NtEntries::SetAttributes(HANDLE h, DWORD dwAttributes)
{
    Platform::FileBasicInfo info;
    ZeroMemory(&info, sizeof(info));
    info.FileAttributes = dwAttributes != 0 ? dwAttributes : FILE_ATTRIBUTE_NORMAL;
    return Platform::SetFileInformationByHandle(h, Platform::kFileBasicInfo, &info, sizeof(info));
}
