#include "Platform.h"

#include <shlobj.h>
#include <string.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "FindHandle.h"
#include "Wide.h"

namespace
{
const NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002);
const NTSTATUS kStatusInvalidInfoClass = static_cast<NTSTATUS>(0xC0000003);
const NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000D);
const FILE_INFORMATION_CLASS kNtFileBasicInformation = static_cast<FILE_INFORMATION_CLASS>(4);
const FILE_INFORMATION_CLASS kNtFileDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);
const FILE_INFORMATION_CLASS kNtFileAttributeTagInformation = static_cast<FILE_INFORMATION_CLASS>(35);

// The function of that name in a module, or NULL. Modules the program does not import are
// loaded for good: each function is looked up once and kept.
template <typename F>
F Lookup(LPCSTR pszModule, LPCSTR pszName, BOOL bLoad = FALSE)
{
    HMODULE h = ::GetModuleHandleA(pszModule);
    if (h == NULL && bLoad)
        h = ::LoadLibraryA(pszModule);
    if (h == NULL)
        return NULL;
    // Through a plain function pointer, the one cast that keeps GCC's type check quiet.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(h, pszName)));
}

// How a call fails where the system lacks it, as the stubs of 9x do.
BOOL NotImplemented()
{
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

// A wide name for a narrow function of 9x: the "\\?\" forms become plain (bExtended tells
// they were), and a name the code page cannot hold unchanged fails, as '?' is a wildcard.
BOOL ToNarrow(LPCWSTR psz, CString& str, BOOL* pbExtended = NULL)
{
    std::wstring strWide = psz != NULL ? psz : L"";
    BOOL bExtended = strWide.compare(0, 4, L"\\\\?\\") == 0;
    if (strWide.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        strWide = L"\\\\" + strWide.substr(8);
    else if (bExtended)
        strWide = strWide.substr(4);
    if (pbExtended != NULL)
        *pbExtended = bExtended;
    str = Wide::ToAnsi(strWide.c_str());
    std::wstring strBack;
    if (!Wide::FromAnsi(str, strBack) || strBack != strWide)
    {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    return TRUE;
}

// A text result in the wide functions' terms: the length written, or, when cch is too small,
// the size needed with the terminator; 0 when there is none.
DWORD CopyOut(const std::wstring& str, LPWSTR psz, DWORD cch)
{
    if (str.size() >= cch)
        return static_cast<DWORD>(str.size() + 1);
    wmemcpy(psz, str.c_str(), str.size() + 1);
    return static_cast<DWORD>(str.size());
}

DWORD WidenResult(LPCSTR psz, DWORD nNarrow, DWORD cbNarrow, LPWSTR pszOut, DWORD cchOut)
{
    std::wstring str;
    if (nNarrow == 0 || nNarrow >= cbNarrow || !Wide::FromAnsi(psz, str))
        return 0;
    return CopyOut(str, pszOut, cchOut);
}

void ToWide(const WIN32_FIND_DATAA& a, WIN32_FIND_DATAW& w)
{
    ZeroMemory(&w, sizeof(w));
    w.dwFileAttributes = a.dwFileAttributes;
    w.ftCreationTime = a.ftCreationTime;
    w.ftLastAccessTime = a.ftLastAccessTime;
    w.ftLastWriteTime = a.ftLastWriteTime;
    w.nFileSizeHigh = a.nFileSizeHigh;
    w.nFileSizeLow = a.nFileSizeLow;
    w.dwReserved0 = a.dwReserved0;
    MultiByteToWideChar(CP_ACP, 0, a.cFileName, -1, w.cFileName, MAX_PATH);
    MultiByteToWideChar(CP_ACP, 0, a.cAlternateFileName, -1, w.cAlternateFileName, 14);
}

// The entry a path without wildcards names, as the file search reports it.
BOOL FindEntry(const std::wstring& strName, WIN32_FIND_DATAW& data)
{
    size_t nPrefix = strName.compare(0, 4, L"\\\\?\\") == 0 ? 4 : 0;
    if (strName.find_first_of(L"*?", nPrefix) != std::wstring::npos)
    {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    CFindHandle find(Platform::FindFirstFileExW(strName.c_str(), 0, &data, 0));
    return find.IsValid();
}

// Letters of the code pages 9x offers, for the comparison there (no wide casing call).
WCHAR UpperLetter(WCHAR ch)
{
    if ((ch >= L'a' && ch <= L'z') || (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7)
        || (ch >= 0x3B1 && ch <= 0x3C9 && ch != 0x3C2)
        || (ch >= 0x430 && ch <= 0x44F) || (ch >= 0xFF41 && ch <= 0xFF5A))
        return static_cast<WCHAR>(ch - 0x20);
    if (ch >= 0x450 && ch <= 0x45F)
        return static_cast<WCHAR>(ch - 0x50);
    if (ch >= 0x2170 && ch <= 0x217F)   // small Roman numerals
        return static_cast<WCHAR>(ch - 0x10);
    return ch;
}

// The system's upper case, the one its file systems compare names by (not the locale's
// linguistic one, which LCMapStringW uses only when asked).
std::wstring Upper(LPCWSTR psz, int cch)
{
    std::wstring str(psz, cch);
    if (cch == 0)
        return str;
    if (::LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, psz, cch, &str[0], cch) != cch)
    {
        for (int i = 0; i < cch; ++i)
            str[i] = UpperLetter(psz[i]);
    }
    return str;
}

// The first n characters of a and b are the same without regard to case.
BOOL SamePrefix(const std::wstring& a, LPCWSTR b, size_t n)
{
    return a.size() >= n
        && Platform::CompareStringOrdinal(a.c_str(), static_cast<int>(n), b, static_cast<int>(n), TRUE) == CSTR_EQUAL;
}

// The DOS form of a kernel name: "\??\C:\x" (as Wine names) and "\Device\HarddiskVolume1\x"
// (mapped through the drive letters' devices) become "\\?\C:\x"; network names "\\?\UNC\...".
BOOL DosPath(const std::wstring& strName, std::wstring& strPath)
{
    if (strName.compare(0, 4, L"\\??\\") == 0)
    {
        strPath = L"\\\\?\\" + strName.substr(4);
        return TRUE;
    }
    for (LPCWSTR pszNetwork : { L"\\Device\\Mup\\", L"\\Device\\LanmanRedirector\\" })
    {
        size_t n = wcslen(pszNetwork);
        if (strName.size() > n && strName[n] != L';' && SamePrefix(strName, pszNetwork, n))
        {
            strPath = L"\\\\?\\UNC\\" + strName.substr(n);
            return TRUE;
        }
    }
    typedef DWORD(WINAPI * QueryDosDeviceFn)(LPCWSTR, LPWSTR, DWORD);
    static const QueryDosDeviceFn pfn = Lookup<QueryDosDeviceFn>("kernel32.dll", "QueryDosDeviceW");
    if (pfn == NULL)
        return FALSE;
    for (WCHAR chDrive = L'A'; chDrive <= L'Z'; ++chDrive)
    {
        const WCHAR szDrive[] = { chDrive, L':', L'\0' };
        WCHAR szDevice[MAX_PATH];
        if (pfn(szDrive, szDevice, MAX_PATH) == 0)
            continue;
        size_t n = wcslen(szDevice);
        if (n > 0 && SamePrefix(strName, szDevice, n) && (strName.size() == n || strName[n] == L'\\'))
        {
            strPath = std::wstring(L"\\\\?\\") + szDrive + (strName.size() == n ? L"\\" : strName.substr(n));
            return TRUE;
        }
    }
    return FALSE;
}

}

BOOL Platform::GetObjectName(HANDLE h, std::wstring& strName)
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
        NTSTATUS status = Platform::NtQueryObject(h, kObjectNameInformation, pBuffer, cbBuffer, &cbNeeded);
        if (status >= 0)
        {
            const UNICODE_STRING& name = static_cast<ObjectName*>(pBuffer)->Name;
            strName.assign(name.Buffer, name.Length / sizeof(WCHAR));
            return !strName.empty();
        }
        if (status == kStatusNotImplemented)
            break;
        // Whatever the platform says it needs, a name never exceeds what UNICODE_STRING holds.
        large.resize(sizeof(ObjectName) + 0x10000);
        pBuffer = large.data();
        cbBuffer = static_cast<ULONG>(large.size());
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

namespace
{
FILE_INFORMATION_CLASS NtClass(Platform::FileInfoClass infoClass)
{
    switch (infoClass)
    {
    case Platform::kFileBasicInfo:
        return kNtFileBasicInformation;
    case Platform::kFileDispositionInfo:
        return kNtFileDispositionInformation;
    case Platform::kFileAttributeTagInfo:
        return kNtFileAttributeTagInformation;
    }
    return static_cast<FILE_INFORMATION_CLASS>(0);
}

BOOL Failed(NTSTATUS status)
{
    SetLastError(Platform::RtlNtStatusToDosError(status));
    return FALSE;
}
}

BOOL Platform::IsWin9x()
{
    static const BOOL bWin9x = [] {
        OSVERSIONINFOA osvi;
        ZeroMemory(&osvi, sizeof(osvi));
        osvi.dwOSVersionInfoSize = sizeof(osvi);
        return ::GetVersionExA(&osvi) && osvi.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    }();
    return bWin9x;
}

// Vista. Before it: both texts in the system's upper case, compared by their code units.
int Platform::CompareStringOrdinal(LPCWSTR a, int cchA, LPCWSTR b, int cchB, BOOL bIgnoreCase)
{
    typedef int(WINAPI * Fn)(LPCWSTR, int, LPCWSTR, int, BOOL);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "CompareStringOrdinal");
    if (pfn != NULL)
        return pfn(a, cchA, b, cchB, bIgnoreCase);
    return Fallback::CompareStringOrdinal(a, cchA, b, cchB, bIgnoreCase);
}

int Platform::Fallback::CompareStringOrdinal(LPCWSTR a, int cchA, LPCWSTR b, int cchB, BOOL bIgnoreCase)
{
    if (cchA < 0)
        cchA = static_cast<int>(wcslen(a));
    if (cchB < 0)
        cchB = static_cast<int>(wcslen(b));
    int nOrder = bIgnoreCase ? Upper(a, cchA).compare(Upper(b, cchB))
                             : std::wstring(a, cchA).compare(std::wstring(b, cchB));
    return nOrder < 0 ? CSTR_LESS_THAN : nOrder > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

// Vista. Before it: the kernel's name for the handle in its DOS form (only the normalized
// DOS name, the one this program asks for). Links on the way are resolved there too, as the
// kernel names the object it reached.
DWORD Platform::GetFinalPathNameByHandleW(HANDLE h, LPWSTR pszPath, DWORD cchPath, DWORD dwFlags)
{
    typedef DWORD(WINAPI * Fn)(HANDLE, LPWSTR, DWORD, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "GetFinalPathNameByHandleW");
    if (pfn != NULL)
        return pfn(h, pszPath, cchPath, dwFlags);
    if (dwFlags != kFileNameNormalized)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Fallback::GetFinalPathNameByHandleW(h, pszPath, cchPath);
}

DWORD Platform::Fallback::GetFinalPathNameByHandleW(HANDLE h, LPWSTR pszPath, DWORD cchPath)
{
    std::wstring strName, strPath;
    if (!GetObjectName(h, strName))
        return 0;
    if (!DosPath(strName, strPath))
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    return CopyOut(strPath, pszPath, cchPath);
}

// Vista. Before it: the NT call it wraps. NT 4 cannot tell a reparse tag, and has no reparse
// points either: there the tag is 0 and the attributes come from the classic call.
BOOL Platform::GetFileInformationByHandleEx(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo)
{
    typedef BOOL(WINAPI * Fn)(HANDLE, int, LPVOID, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "GetFileInformationByHandleEx");
    if (pfn != NULL)
        return pfn(h, infoClass, pInfo, cbInfo);
    return Fallback::GetFileInformationByHandleEx(h, infoClass, pInfo, cbInfo);
}

BOOL Platform::Fallback::GetFileInformationByHandleEx(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo)
{
    typedef NTSTATUS(NTAPI * Fn)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "NtQueryInformationFile");
    NTSTATUS status = kStatusNotImplemented;
    IO_STATUS_BLOCK io;
    if (pfn != NULL)
        status = pfn(h, &io, pInfo, cbInfo, NtClass(infoClass));
    if (status >= 0)
        return TRUE;
    if (infoClass == kFileAttributeTagInfo && cbInfo >= sizeof(FileAttributeTagInfo)
        && (status == kStatusInvalidInfoClass || status == kStatusNotImplemented || status == kStatusInvalidParameter))
    {
        BY_HANDLE_FILE_INFORMATION info;
        if (!::GetFileInformationByHandle(h, &info))
            return FALSE;
        FileAttributeTagInfo* pTag = static_cast<FileAttributeTagInfo*>(pInfo);
        pTag->FileAttributes = info.dwFileAttributes;
        pTag->ReparseTag = 0;
        return TRUE;
    }
    return Failed(status);
}

// Vista. Before it: the NT call it wraps (NT 4 has both of the classes used here).
BOOL Platform::SetFileInformationByHandle(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo)
{
    typedef BOOL(WINAPI * Fn)(HANDLE, int, LPVOID, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "SetFileInformationByHandle");
    if (pfn != NULL)
        return pfn(h, infoClass, pInfo, cbInfo);
    return Fallback::SetFileInformationByHandle(h, infoClass, pInfo, cbInfo);
}

BOOL Platform::Fallback::SetFileInformationByHandle(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo)
{
    typedef NTSTATUS(NTAPI * Fn)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "NtSetInformationFile");
    if (pfn == NULL)
        return Failed(kStatusNotImplemented);
    IO_STATUS_BLOCK io;
    NTSTATUS status = pfn(h, &io, pInfo, cbInfo, NtClass(infoClass));
    return status >= 0 ? TRUE : Failed(status);
}

// Vista. Before it there is none: ERROR_CALL_NOT_IMPLEMENTED, for the caller to open anew.
HANDLE Platform::ReOpenFile(HANDLE h, DWORD dwAccess, DWORD dwShare, DWORD dwFlags)
{
    typedef HANDLE(WINAPI * Fn)(HANDLE, DWORD, DWORD, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "ReOpenFile");
    if (pfn != NULL)
        return pfn(h, dwAccess, dwShare, dwFlags);
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return INVALID_HANDLE_VALUE;
}

// 98 and 2000 (the wide one only on NT). Before them, and on 9x: each name below the root
// as the file search spells it.
DWORD Platform::GetLongPathNameW(LPCWSTR pszShort, LPWSTR pszLong, DWORD cchLong)
{
    typedef DWORD(WINAPI * Fn)(LPCWSTR, LPWSTR, DWORD);
    static const Fn pfn = IsWin9x() ? NULL : Lookup<Fn>("kernel32.dll", "GetLongPathNameW");
    if (pfn != NULL)
        return pfn(pszShort, pszLong, cchLong);
    return Fallback::GetLongPathNameW(pszShort, pszLong, cchLong);
}

DWORD Platform::Fallback::GetLongPathNameW(LPCWSTR pszShort, LPWSTR pszLong, DWORD cchLong)
{
    const std::wstring strShort = pszShort != NULL ? pszShort : L"";
    // The root: "C:\", "\\server\share\", and their "\\?\" forms.
    size_t nRoot = strShort.compare(0, 4, L"\\\\?\\") == 0 ? 4 : 0;
    if (strShort.compare(nRoot, 4, L"UNC\\") == 0 && nRoot == 4)
        nRoot += 4;
    else if (nRoot == 0 && strShort.compare(0, 2, L"\\\\") == 0)
        nRoot = 2;
    if (nRoot == 8 || nRoot == 2)
    {
        size_t nServer = strShort.find(L'\\', nRoot);
        size_t nShare = nServer == std::wstring::npos ? nServer : strShort.find(L'\\', nServer + 1);
        nRoot = nShare == std::wstring::npos ? strShort.size() : nShare + 1;
    }
    else if (strShort.size() >= nRoot + 3 && strShort[nRoot + 1] == L':' && strShort[nRoot + 2] == L'\\')
    {
        nRoot += 3;
    }
    else
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }

    std::wstring strLong = strShort.substr(0, nRoot);
    if (nRoot >= strShort.size())
    {
        if (Platform::GetFileAttributesW(strLong.c_str()) == INVALID_FILE_ATTRIBUTES)
            return 0;
        return CopyOut(strLong, pszLong, cchLong);
    }
    for (size_t i = nRoot; i < strShort.size();)
    {
        size_t j = strShort.find(L'\\', i);
        if (j == std::wstring::npos)
            j = strShort.size();
        WIN32_FIND_DATAW data;
        if (j == i || !FindEntry(strLong + strShort.substr(i, j - i), data))
        {
            if (j == i)
                SetLastError(ERROR_INVALID_NAME);
            return 0;
        }
        strLong += data.cFileName;
        if (j < strShort.size())
            strLong += L'\\';
        i = j + 1;
    }
    return CopyOut(strLong, pszLong, cchLong);
}

// NT 4 and 98 (the wide one only on NT). Before them, and on 9x: what the file search reports.
BOOL Platform::GetFileAttributesExW(LPCWSTR pszName, GET_FILEEX_INFO_LEVELS level, LPVOID pData)
{
    typedef BOOL(WINAPI * Fn)(LPCWSTR, GET_FILEEX_INFO_LEVELS, LPVOID);
    static const Fn pfn = IsWin9x() ? NULL : Lookup<Fn>("kernel32.dll", "GetFileAttributesExW");
    if (pfn != NULL)
        return pfn(pszName, level, pData);
    WIN32_FIND_DATAW found;
    if (level != GetFileExInfoStandard || pszName == NULL || !FindEntry(pszName, found))
        return FALSE;
    WIN32_FILE_ATTRIBUTE_DATA* pAttributes = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(pData);
    pAttributes->dwFileAttributes = found.dwFileAttributes;
    pAttributes->ftCreationTime = found.ftCreationTime;
    pAttributes->ftLastAccessTime = found.ftLastAccessTime;
    pAttributes->ftLastWriteTime = found.ftLastWriteTime;
    pAttributes->nFileSizeHigh = found.nFileSizeHigh;
    pAttributes->nFileSizeLow = found.nFileSizeLow;
    return TRUE;
}

// NT 4 (the basic level and large fetch from 7 on). Before it, or when the system refuses
// the level: the classic search; on 9x its narrow form.
HANDLE Platform::FindFirstFileExW(LPCWSTR pszName, DWORD dwInfoLevel, WIN32_FIND_DATAW* pData, DWORD dwFlags)
{
    if (IsWin9x())
    {
        CString strName;
        WIN32_FIND_DATAA data;
        if (!ToNarrow(pszName, strName))
            return INVALID_HANDLE_VALUE;
        HANDLE h = ::FindFirstFileA(strName, &data);
        if (h != INVALID_HANDLE_VALUE)
            ToWide(data, *pData);
        return h;
    }
    typedef HANDLE(WINAPI * Fn)(LPCWSTR, int, LPVOID, int, LPVOID, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "FindFirstFileExW");
    if (pfn != NULL)
    {
        HANDLE h = pfn(pszName, static_cast<int>(dwInfoLevel), pData, 0, NULL, dwFlags);
        BOOL bRefused = h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER;
        if (!bRefused || (dwInfoLevel == 0 && dwFlags == 0))
            return h;
    }
    return ::FindFirstFileW(pszName, pData);
}

BOOL Platform::FindNextFileW(HANDLE hFind, WIN32_FIND_DATAW* pData)
{
    if (!IsWin9x())
        return ::FindNextFileW(hFind, pData);
    WIN32_FIND_DATAA data;
    if (!::FindNextFileA(hFind, &data))
        return FALSE;
    ToWide(data, *pData);
    return TRUE;
}

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

// 98 and 2000. Before them it fails (0, ERROR_CALL_NOT_IMPLEMENTED): the caller keeps the
// name it has.
DWORD Platform::GetLongPathNameA(LPCSTR pszShort, LPSTR pszLong, DWORD cchLong)
{
    typedef DWORD(WINAPI * Fn)(LPCSTR, LPSTR, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "GetLongPathNameA");
    if (pfn != NULL)
        return pfn(pszShort, pszLong, cchLong);
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return 0;
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

DWORD Platform::GetCurrentDirectoryW(DWORD cch, LPWSTR psz)
{
    if (!IsWin9x())
        return ::GetCurrentDirectoryW(cch, psz);
    char sz[MAX_PATH];
    return WidenResult(sz, ::GetCurrentDirectoryA(MAX_PATH, sz), MAX_PATH, psz, cch);
}

DWORD Platform::GetFileAttributesW(LPCWSTR pszName)
{
    if (!IsWin9x())
        return ::GetFileAttributesW(pszName);
    CString strName;
    return ToNarrow(pszName, strName) ? ::GetFileAttributesA(strName) : INVALID_FILE_ATTRIBUTES;
}

BOOL Platform::SetFileAttributesW(LPCWSTR pszName, DWORD dwAttributes)
{
    if (!IsWin9x())
        return ::SetFileAttributesW(pszName, dwAttributes);
    CString strName;
    return ToNarrow(pszName, strName) && ::SetFileAttributesA(strName, dwAttributes);
}

// 9x knows no delete sharing and refuses it.
HANDLE Platform::CreateFileW(LPCWSTR pszName, DWORD dwAccess, DWORD dwShare, LPSECURITY_ATTRIBUTES pSecurity,
                             DWORD dwDisposition, DWORD dwFlags, HANDLE hTemplate)
{
    if (!IsWin9x())
        return ::CreateFileW(pszName, dwAccess, dwShare, pSecurity, dwDisposition, dwFlags, hTemplate);
    CString strName;
    if (!ToNarrow(pszName, strName))
        return INVALID_HANDLE_VALUE;
    return ::CreateFileA(strName, dwAccess, dwShare & ~FILE_SHARE_DELETE, pSecurity, dwDisposition, dwFlags, hTemplate);
}

NTSTATUS Platform::NtCreateFile(PHANDLE ph, ACCESS_MASK access, POBJECT_ATTRIBUTES pAttributes, PIO_STATUS_BLOCK pIo,
                                PLARGE_INTEGER pAllocation, ULONG attributes, ULONG share, ULONG disposition,
                                ULONG options, PVOID pEa, ULONG cbEa)
{
    typedef NTSTATUS(NTAPI * Fn)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG,
                                 ULONG, ULONG, ULONG, PVOID, ULONG);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "NtCreateFile");
    if (pfn == NULL)
        return kStatusNotImplemented;
    return pfn(ph, access, pAttributes, pIo, pAllocation, attributes, share, disposition, options, pEa, cbEa);
}

NTSTATUS Platform::NtQueryObject(HANDLE h, OBJECT_INFORMATION_CLASS infoClass, PVOID pInfo, ULONG cbInfo,
                                 PULONG pcbNeeded)
{
    typedef NTSTATUS(NTAPI * Fn)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "NtQueryObject");
    return pfn != NULL ? pfn(h, infoClass, pInfo, cbInfo, pcbNeeded) : kStatusNotImplemented;
}

ULONG Platform::RtlNtStatusToDosError(NTSTATUS status)
{
    typedef ULONG(NTAPI * Fn)(NTSTATUS);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "RtlNtStatusToDosError");
    return pfn != NULL ? pfn(status) : ERROR_CALL_NOT_IMPLEMENTED;
}

// A stub on 9x; the same failure where it is missing.
BOOL Platform::MoveFileExW(LPCWSTR pszExisting, LPCWSTR pszNew, DWORD dwFlags)
{
    typedef BOOL(WINAPI * Fn)(LPCWSTR, LPCWSTR, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "MoveFileExW");
    return pfn != NULL ? pfn(pszExisting, pszNew, dwFlags) : NotImplemented();
}

NTSTATUS Platform::NtDeleteKey(HANDLE hKey)
{
    typedef NTSTATUS(NTAPI * Fn)(HANDLE);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "NtDeleteKey");
    return pfn != NULL ? pfn(hKey) : kStatusNotImplemented;
}

namespace
{
template <typename F>
F LookupAdvapi(LPCSTR pszName)
{
    return Lookup<F>("advapi32.dll", pszName);
}
}

BOOL Platform::OpenProcessToken(HANDLE hProcess, DWORD dwAccess, PHANDLE phToken)
{
    typedef BOOL(WINAPI * Fn)(HANDLE, DWORD, PHANDLE);
    static const Fn pfn = LookupAdvapi<Fn>("OpenProcessToken");
    return pfn != NULL ? pfn(hProcess, dwAccess, phToken) : NotImplemented();
}

BOOL Platform::GetTokenInformation(HANDLE hToken, TOKEN_INFORMATION_CLASS infoClass, LPVOID pInfo, DWORD cbInfo,
                                   PDWORD pcbNeeded)
{
    typedef BOOL(WINAPI * Fn)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
    static const Fn pfn = LookupAdvapi<Fn>("GetTokenInformation");
    return pfn != NULL ? pfn(hToken, infoClass, pInfo, cbInfo, pcbNeeded) : NotImplemented();
}

BOOL Platform::InitializeAcl(PACL pAcl, DWORD cbAcl, DWORD dwRevision)
{
    typedef BOOL(WINAPI * Fn)(PACL, DWORD, DWORD);
    static const Fn pfn = LookupAdvapi<Fn>("InitializeAcl");
    return pfn != NULL ? pfn(pAcl, cbAcl, dwRevision) : NotImplemented();
}

BOOL Platform::AddAccessAllowedAce(PACL pAcl, DWORD dwRevision, DWORD dwAccess, PSID pSid)
{
    typedef BOOL(WINAPI * Fn)(PACL, DWORD, DWORD, PSID);
    static const Fn pfn = LookupAdvapi<Fn>("AddAccessAllowedAce");
    return pfn != NULL ? pfn(pAcl, dwRevision, dwAccess, pSid) : NotImplemented();
}

// Before 2000: the entry without its inheritance flags, the most NT 4 can say.
BOOL Platform::AddAccessAllowedAceEx(PACL pAcl, DWORD dwRevision, DWORD dwFlags, DWORD dwAccess, PSID pSid)
{
    typedef BOOL(WINAPI * Fn)(PACL, DWORD, DWORD, DWORD, PSID);
    static const Fn pfn = LookupAdvapi<Fn>("AddAccessAllowedAceEx");
    if (pfn != NULL)
        return pfn(pAcl, dwRevision, dwFlags, dwAccess, pSid);
    return Platform::AddAccessAllowedAce(pAcl, dwRevision, dwAccess, pSid);
}

BOOL Platform::InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR pSd, DWORD dwRevision)
{
    typedef BOOL(WINAPI * Fn)(PSECURITY_DESCRIPTOR, DWORD);
    static const Fn pfn = LookupAdvapi<Fn>("InitializeSecurityDescriptor");
    return pfn != NULL ? pfn(pSd, dwRevision) : NotImplemented();
}

BOOL Platform::SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR pSd, BOOL bPresent, PACL pAcl, BOOL bDefaulted)
{
    typedef BOOL(WINAPI * Fn)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
    static const Fn pfn = LookupAdvapi<Fn>("SetSecurityDescriptorDacl");
    return pfn != NULL ? pfn(pSd, bPresent, pAcl, bDefaulted) : NotImplemented();
}

// Before 2000 nothing is inherited, so there is nothing to protect a list from: success.
BOOL Platform::SetSecurityDescriptorControl(PSECURITY_DESCRIPTOR pSd, SECURITY_DESCRIPTOR_CONTROL mask,
                                            SECURITY_DESCRIPTOR_CONTROL bits)
{
    typedef BOOL(WINAPI * Fn)(PSECURITY_DESCRIPTOR, SECURITY_DESCRIPTOR_CONTROL, SECURITY_DESCRIPTOR_CONTROL);
    static const Fn pfn = LookupAdvapi<Fn>("SetSecurityDescriptorControl");
    return pfn != NULL ? pfn(pSd, mask, bits) : TRUE;
}

// A stub on 9x, which answers ERROR_CALL_NOT_IMPLEMENTED; the same where it is missing.
LONG Platform::RegQueryValueExW(HKEY hKey, LPCWSTR pszName, LPDWORD pReserved, LPDWORD pdwType, LPBYTE pData,
                                LPDWORD pcbData)
{
    typedef LONG(WINAPI * Fn)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    static const Fn pfn = LookupAdvapi<Fn>("RegQueryValueExW");
    return pfn != NULL ? pfn(hKey, pszName, pReserved, pdwType, pData, pcbData) : ERROR_CALL_NOT_IMPLEMENTED;
}

#if defined(__MINGW32__) && defined(__i386__)
namespace
{
// Later than we can vouch for on 95. Without it: the lead-byte ranges of the code page.
BOOL WINAPI LeadByteEx(UINT nCodePage, BYTE ch)
{
    typedef BOOL(WINAPI * Fn)(UINT, BYTE);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "IsDBCSLeadByteEx");
    if (pfn != NULL)
        return pfn(nCodePage, ch);
    CPINFO info;
    if (!::GetCPInfo(nCodePage, &info))
        return FALSE;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
    {
        if (ch >= info.LeadByte[i] && ch <= info.LeadByte[i + 1])
            return TRUE;
    }
    return FALSE;
}
}

// The C runtime's multibyte conversion, which the C++ library's messages reach, imports
// IsDBCSLeadByteEx; its import slot is defined here instead, so that the lookup above stands in.
extern "C" BOOL(WINAPI* const g_pfnLeadByteEx)(UINT, BYTE) __asm__("__imp__IsDBCSLeadByteEx@8");
BOOL(WINAPI* const g_pfnLeadByteEx)(UINT, BYTE) = &LeadByteEx;
#endif
