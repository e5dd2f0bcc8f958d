#pragma once

#include <windows.h>

#include <string>

#include "framework/KernelHandle.h"

// The handle work of the NT removal: entries opened relative to their held folder, never
// through a link, checked to be the entry expected, and deleted through their handle.
namespace NtEntries
{
    // A folder is held open without delete sharing while the walk is inside it, so that nobody
    // can rename it or swap it for a link until the walk is done; the hold reads (lists), or its
    // sharing would not count. Entries are deleted through handles that share everything.
    const ACCESS_MASK kHoldAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    const ULONG kHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    // The one open through which an entry is checked, cleared of its read-only attribute and deleted.
    const ACCESS_MASK kDeleteAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
    const ULONG kDeleteShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const ULONG kFolderOptions = FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT;

    // The handle's name as the kernel knows it; see the definition.
    BOOL GetObjectName(HANDLE h, std::wstring& strName);
    // The handle's full path in the "\\?\" form, links resolved.
    BOOL GetFinalPath(HANDLE h, std::wstring& strPath);
    // Where a path leads once links on the way are followed; empty when it leads nowhere.
    std::wstring ResolvedPath(const std::wstring& strPath);
    // Opens an entry of the open folder hFolder by its bare name, never through a link.
    CKernelHandle OpenEntry(HANDLE hFolder, const std::wstring& strName, ACCESS_MASK access, ULONG share,
                            ULONG options);
    // bLink: the entry is a symbolic link, junction or mount point.
    BOOL IsLink(HANDLE h, BOOL& bLink);
    // The handle is open on the object of that kernel name, not on a link's target.
    BOOL IsAt(HANDLE h, const std::wstring& strObject);
    // The entry goes when the handle is closed.
    BOOL MarkForDeletion(HANDLE h);
    // The same for an entry that may be read-only, through the handle alone; see the definition.
    BOOL MarkForDeletionClearing(HANDLE h, BOOL bReadOnly);
    BOOL SetAttributes(HANDLE h, DWORD dwAttributes);
}
