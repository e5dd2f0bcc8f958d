#include "Platform.h"

#include "PlatformLookup.h"
#include "Wide.h"

using PlatformLookup::Lookup;

// The narrow line stands in where the wide one is missing or a stub (9x).
std::wstring Platform::CommandLine()
{
    typedef LPWSTR(WINAPI * Fn)();
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "GetCommandLineW");
    std::wstring str;
    LPWSTR psz = !IsWin9x() && pfn != NULL ? pfn() : NULL;
    if (psz != NULL)
        str = psz;
    else
        Wide::FromAnsi(::GetCommandLineA(), str);
    return str;
}

std::wstring Platform::UserName()
{
    typedef BOOL(WINAPI * FnW)(LPWSTR, LPDWORD);
    typedef BOOL(WINAPI * FnA)(LPSTR, LPDWORD);
    static const FnW pfnW = Lookup<FnW>("advapi32.dll", "GetUserNameW");
    static const FnA pfnA = Lookup<FnA>("advapi32.dll", "GetUserNameA");
    WCHAR szW[257];
    DWORD cch = sizeof(szW) / sizeof(szW[0]);
    if (!IsWin9x() && pfnW != NULL && pfnW(szW, &cch))
        return szW;
    char szA[257];
    DWORD cb = sizeof(szA);
    std::wstring str;
    if (pfnA != NULL && pfnA(szA, &cb))
        Wide::FromAnsi(szA, str);
    return str;
}
