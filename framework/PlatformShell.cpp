#include "Platform.h"

#include <shlobj.h>
#include <wchar.h>

#include <string>

#include "PlatformLookup.h"
#include "Wide.h"

using PlatformLookup::Lookup;

// NT's user environment library. Without it: no profiles folder of its own (NT 4 keeps the
// profiles in the Windows folder).
BOOL Platform::GetProfilesDirectoryW(LPWSTR psz, LPDWORD pcch)
{
    typedef BOOL(WINAPI * Fn)(LPWSTR, LPDWORD);
    static const Fn pfn = IsWin9x() ? NULL : Lookup<Fn>("userenv.dll", "GetProfilesDirectoryW", TRUE);
    if (pfn != NULL)
        return pfn(psz, pcch);
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

// 2000's shell, or its redistributable SHFolder library. Without them, and on 9x: the
// special folders of the desktop update, narrow, which know fewer folders (those fail).
HRESULT Platform::SHGetFolderPathW(HWND hWnd, int nFolder, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath)
{
    typedef HRESULT(WINAPI * Fn)(HWND, int, HANDLE, DWORD, LPWSTR);
    static const Fn pfn = [] {
        if (IsWin9x())
            return static_cast<Fn>(NULL);
        Fn pfnShell = Lookup<Fn>("shell32.dll", "SHGetFolderPathW");
        return pfnShell != NULL ? pfnShell : Lookup<Fn>("shfolder.dll", "SHGetFolderPathW", TRUE);
    }();
    if (pfn != NULL)
        return pfn(hWnd, nFolder, hToken, dwFlags, pszPath);
    char sz[MAX_PATH];
    std::wstring str;
    if (!::SHGetSpecialFolderPathA(hWnd, sz, nFolder & 0xFF, FALSE) || !Wide::FromAnsi(sz, str)
        || str.size() >= MAX_PATH)
        return E_FAIL;
    wmemcpy(pszPath, str.c_str(), str.size() + 1);
    return S_OK;
}

// 98 and 2000. Before them the root is the last window up the parent chain that is a child.
HWND Platform::GetAncestor(HWND hWnd, UINT gaFlags)
{
    typedef HWND(WINAPI * Fn)(HWND, UINT);
    static const Fn pfn = Lookup<Fn>("user32.dll", "GetAncestor");
    if (pfn != NULL)
        return pfn(hWnd, gaFlags);
    if (gaFlags != GA_ROOT)
        return ::GetParent(hWnd);
    while (hWnd != NULL && (::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD) != 0 && ::GetParent(hWnd) != NULL)
        hWnd = ::GetParent(hWnd);
    return hWnd;
}

// 98 and 2000. Before them any program may bring its window to the front.
BOOL Platform::AllowSetForegroundWindow(DWORD dwProcessId)
{
    typedef BOOL(WINAPI * Fn)(DWORD);
    static const Fn pfn = Lookup<Fn>("user32.dll", "AllowSetForegroundWindow");
    return pfn != NULL ? pfn(dwProcessId) : TRUE;
}

// Monitors came with 98 and 2000; before them the one screen's work area.
void Platform::GetWorkArea(HWND hWnd, RECT& rcArea)
{
    typedef HMONITOR(WINAPI * FromWindowFn)(HWND, DWORD);
    typedef BOOL(WINAPI * InfoFn)(HMONITOR, LPMONITORINFO);
    static const FromWindowFn pfnFromWindow = Lookup<FromWindowFn>("user32.dll", "MonitorFromWindow");
    static const InfoFn pfnInfo = Lookup<InfoFn>("user32.dll", "GetMonitorInfoA");
    MONITORINFO mi = { sizeof(mi), {}, {}, 0 };
    if (pfnFromWindow != NULL && pfnInfo != NULL && pfnInfo(pfnFromWindow(hWnd, MONITOR_DEFAULTTOPRIMARY), &mi))
        rcArea = mi.rcWork;
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0);
}
