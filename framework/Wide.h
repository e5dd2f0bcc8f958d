#pragma once

#include <windows.h>

#include <string>

#include "String.h"

// Conversions between the program's code-page-932 texts and the platform's wide texts, for
// the file code: it works with wide names inside so that names the code page cannot hold
// (Hangul, emoji) and paths beyond MAX_PATH are handled like any other.
namespace Wide
{
    // FALSE for a byte sequence that is not valid in the ANSI code page.
    BOOL FromAnsi(LPCSTR psz, std::wstring& str);
    // Characters the code page lacks become '?', as the narrow API reports them.
    CString ToAnsi(LPCWSTR psz, int nLength = -1);
    // The form the wide API accepts beyond MAX_PATH: "\\?\C:\..." or "\\?\UNC\server\...".
    // Only for full paths that hold no "." or ".." components.
    std::wstring ExtendedPath(const std::wstring& strPath);
}
