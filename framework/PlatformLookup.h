#pragma once

#include <windows.h>

#include <string>

#include "String.h"

// What the files of Platform share, and nothing else includes: the run-time lookup and the
// conversions between the wide calls and the narrow ones that stand in for them on 9x.
namespace PlatformLookup
{
    // A library of the system's own, from the system folder alone (PlatformLoad.cpp).
    HMODULE LoadSystemLibrary(LPCSTR pszModule);

    // The function of that name in a module, or NULL. Modules the program does not import are
    // loaded for good, from the system folder: each function is looked up once and kept.
    template <typename F>
    F Lookup(LPCSTR pszModule, LPCSTR pszName, BOOL bLoad = FALSE)
    {
        HMODULE h = ::GetModuleHandleA(pszModule);
        if (h == NULL && bLoad)
            h = LoadSystemLibrary(pszModule);
        if (h == NULL)
            return NULL;
        // Through a plain function pointer, the one cast that keeps GCC's type check quiet.
        return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(h, pszName)));
    }

    // How a call fails where the system lacks it, as the stubs of 9x do.
    BOOL NotImplemented();

    // A wide text in the code page, unchanged; FALSE (ERROR_INVALID_NAME) where the code page
    // cannot hold it. NULL becomes empty.
    BOOL ToCodePage(LPCWSTR psz, CString& str);
    // A wide name for a narrow function of 9x: the "\\?\" forms become plain (bExtended tells
    // they were), and a name the code page cannot hold unchanged fails, as '?' is a wildcard.
    BOOL ToNarrow(LPCWSTR psz, CString& str);

    // A text result in the wide functions' terms: the length written, or, when cch is too
    // small, the size needed with the terminator; 0 when there is none.
    DWORD CopyOut(const std::wstring& str, LPWSTR psz, DWORD cch);
    // The same for a narrow function's result of nNarrow characters in a buffer of cbNarrow.
    DWORD WidenResult(LPCSTR psz, DWORD nNarrow, DWORD cbNarrow, LPWSTR pszOut, DWORD cchOut);
}
