#include "Platform.h"

#include <vector>

#include "PlatformLookup.h"
#include "Wide.h"

using namespace PlatformLookup;

// Terminal Server and 2000. Before them the Windows folder is the system's.
UINT Platform::GetSystemWindowsDirectoryW(LPWSTR psz, UINT cch)
{
    typedef UINT(WINAPI * Fn)(LPWSTR, UINT);
    static const Fn pfn = IsWin9x() ? NULL : Lookup<Fn>("kernel32.dll", "GetSystemWindowsDirectoryW");
    return pfn != NULL ? pfn(psz, cch) : Platform::GetWindowsDirectoryW(psz, cch);
}

// XP x64 and later 64-bit systems. Without it there is no 32-bit system folder.
UINT Platform::GetSystemWow64DirectoryW(LPWSTR psz, UINT cch)
{
    typedef UINT(WINAPI * Fn)(LPWSTR, UINT);
    static const Fn pfn = IsWin9x() ? NULL : Lookup<Fn>("kernel32.dll", "GetSystemWow64DirectoryW");
    if (pfn != NULL)
        return pfn(psz, cch);
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return 0;
}

// XP SP2 (and 2003). A system without it runs no 32-bit program on a 64-bit Windows.
BOOL Platform::IsWow64Process(HANDLE hProcess, PBOOL pbWow64)
{
    typedef BOOL(WINAPI * Fn)(HANDLE, PBOOL);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "IsWow64Process");
    if (pfn != NULL)
        return pfn(hProcess, pbWow64);
    *pbWow64 = FALSE;
    return TRUE;
}

UINT Platform::GetWindowsDirectoryW(LPWSTR psz, UINT cch)
{
    if (!IsWin9x())
        return ::GetWindowsDirectoryW(psz, cch);
    char sz[MAX_PATH];
    return WidenResult(sz, ::GetWindowsDirectoryA(sz, MAX_PATH), MAX_PATH, psz, cch);
}

UINT Platform::GetSystemDirectoryW(LPWSTR psz, UINT cch)
{
    if (!IsWin9x())
        return ::GetSystemDirectoryW(psz, cch);
    char sz[MAX_PATH];
    return WidenResult(sz, ::GetSystemDirectoryA(sz, MAX_PATH), MAX_PATH, psz, cch);
}

DWORD Platform::GetEnvironmentVariableW(LPCWSTR pszName, LPWSTR psz, DWORD cch)
{
    if (!IsWin9x())
        return ::GetEnvironmentVariableW(pszName, psz, cch);
    CString strName;
    if (!ToNarrow(pszName, strName))
        return 0;
    std::vector<char> value(32768);
    DWORD cb = static_cast<DWORD>(value.size());
    return WidenResult(value.data(), ::GetEnvironmentVariableA(strName, value.data(), cb), cb, psz, cch);
}

DWORD Platform::ExpandEnvironmentStringsW(LPCWSTR pszSource, LPWSTR pszDestination, DWORD cch)
{
    typedef DWORD(WINAPI * Fn)(LPCWSTR, LPWSTR, DWORD);
    static const Fn pfn = IsWin9x() ? NULL : Lookup<Fn>("kernel32.dll", "ExpandEnvironmentStringsW");
    if (pfn != NULL)
        return pfn(pszSource, pszDestination, cch);
    return Fallback::ExpandEnvironmentStringsW(pszSource, pszDestination, cch);
}

// The size needed with the terminator, as the wide call counts; the text only when it fits.
DWORD Platform::Fallback::ExpandEnvironmentStringsW(LPCWSTR pszSource, LPWSTR pszDestination, DWORD cch)
{
    CString strSource;
    if (pszSource == NULL || !ToCodePage(pszSource, strSource))
        return 0;
    char sz[MAX_PATH * 2];
    DWORD n = ::ExpandEnvironmentStringsA(strSource, sz, sizeof(sz));
    std::wstring str;
    if (n == 0 || n > sizeof(sz) || !Wide::FromAnsi(sz, str))
        return 0;
    DWORD nCopied = CopyOut(str, pszDestination, cch);
    return nCopied < cch ? nCopied + 1 : nCopied;
}
