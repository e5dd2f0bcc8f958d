#include "Platform.h"

#include <string.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "FindHandle.h"
#include "PlatformLookup.h"
#include "Wide.h"

using namespace PlatformLookup;

BOOL PlatformLookup::NotImplemented()
{
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

BOOL PlatformLookup::ToCodePage(LPCWSTR psz, CString& str)
{
    const std::wstring strWide = psz != NULL ? psz : L"";
    str = Wide::ToAnsi(strWide.c_str());
    std::wstring strBack;
    if (!Wide::FromAnsi(str, strBack) || strBack != strWide)
    {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    return TRUE;
}

BOOL PlatformLookup::ToNarrow(LPCWSTR psz, CString& str)
{
    std::wstring strWide = psz != NULL ? psz : L"";
    BOOL bExtended = strWide.compare(0, 4, L"\\\\?\\") == 0;
    if (strWide.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        strWide = L"\\\\" + strWide.substr(8);
    else if (bExtended)
        strWide = strWide.substr(4);
    return ToCodePage(strWide.c_str(), str);
}

DWORD PlatformLookup::CopyOut(const std::wstring& str, LPWSTR psz, DWORD cch)
{
    if (str.size() >= cch)
        return static_cast<DWORD>(str.size() + 1);
    wmemcpy(psz, str.c_str(), str.size() + 1);
    return static_cast<DWORD>(str.size());
}

DWORD PlatformLookup::WidenResult(LPCSTR psz, DWORD nNarrow, DWORD cbNarrow, LPWSTR pszOut, DWORD cchOut)
{
    std::wstring str;
    if (nNarrow == 0 || nNarrow >= cbNarrow || !Wide::FromAnsi(psz, str))
        return 0;
    return CopyOut(str, pszOut, cchOut);
}

namespace
{
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

// Vista. Before it: the NT call it wraps (NT 4 has both of the classes used here).
BOOL Platform::SetFileInformationByHandle(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo)
{
    typedef BOOL(WINAPI * Fn)(HANDLE, int, LPVOID, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "SetFileInformationByHandle");
    if (pfn != NULL)
        return pfn(h, infoClass, pInfo, cbInfo);
    return Fallback::SetFileInformationByHandle(h, infoClass, pInfo, cbInfo);
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

// A stub on 9x; the same failure where it is missing.
BOOL Platform::MoveFileExW(LPCWSTR pszExisting, LPCWSTR pszNew, DWORD dwFlags)
{
    typedef BOOL(WINAPI * Fn)(LPCWSTR, LPCWSTR, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "MoveFileExW");
    return pfn != NULL ? pfn(pszExisting, pszNew, dwFlags) : NotImplemented();
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
// It stays beside IsWin9x, which every part of the program calls: a library member nothing
// refers to is not linked, and the import would come back.
extern "C" BOOL(WINAPI* const g_pfnLeadByteEx)(UINT, BYTE) __asm__("__imp__IsDBCSLeadByteEx@8");
BOOL(WINAPI* const g_pfnLeadByteEx)(UINT, BYTE) = &LeadByteEx;
#endif
