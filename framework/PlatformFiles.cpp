#include "Platform.h"

#include <string>

#include "FindHandle.h"
#include "PlatformLookup.h"
#include "Wide.h"

using namespace PlatformLookup;

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
