#pragma once

#include <windows.h>

#include <string>

#include "framework/String.h"

// The removal's walk on Windows 95, 98 and Me, which have no links, no NT calls and only
// stubs for the wide file functions: by name, with the narrow file functions, under the same
// rules as the NT walk (the kept path, the first failure stops it, success means the tree is gone).
namespace Walk9x
{
    // strPath: the plain long path of a folder the removal's refusal checks have passed;
    // strKeep: the path below it to spare ("Album", "Data\\Album"), or empty.
    BOOL RemoveFolder(const std::wstring& strPath, const std::wstring& strKeep);
    // The entry at the path no longer exists (not merely marked for deletion).
    BOOL IsGone(const CString& strPath);
}
