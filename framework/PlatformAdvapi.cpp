#include "Platform.h"

#include <string.h>

#include <string>
#include <vector>

#include "PlatformLookup.h"
#include "Wide.h"

using namespace PlatformLookup;

namespace
{
template <typename F>
F LookupAdvapi(LPCSTR pszName)
{
    return Lookup<F>("advapi32.dll", pszName);
}

// A name for the narrow registry calls, NULL (a key's default value) staying NULL; FALSE
// when the code page cannot hold it, so that nothing of that name can be there.
BOOL RegName(LPCWSTR psz, CString& str, LPCSTR& pszNarrow)
{
    pszNarrow = NULL;
    if (psz == NULL)
        return TRUE;
    if (!ToCodePage(psz, str))
        return FALSE;
    pszNarrow = str;
    return TRUE;
}

// A name the narrow enumeration reported, in the wide call's terms. One that does not convert
// is reported as too long, so that the caller passes over it as over one.
LONG WidenName(LPCSTR psz, LPWSTR pszOut, LPDWORD pcch)
{
    std::wstring str;
    if (!Wide::FromAnsi(psz, str))
        return ERROR_MORE_DATA;
    DWORD n = CopyOut(str, pszOut, *pcch);
    if (n >= *pcch)
        return ERROR_MORE_DATA;
    *pcch = n;
    return ERROR_SUCCESS;
}

// The data of a text value as the wide call reports it: each text converted, the zeros
// between and after them kept.
BOOL WidenData(const char* p, DWORD cb, std::wstring& str)
{
    str.clear();
    for (DWORD i = 0; i < cb;)
    {
        const std::string strPart(p + i, strnlen(p + i, cb - i));
        std::wstring strWide;
        if (!Wide::FromAnsi(strPart.c_str(), strWide))
            return FALSE;
        str += strWide;
        i += static_cast<DWORD>(strPart.size());
        if (i < cb)
        {
            str += L'\0';
            ++i;
        }
    }
    return TRUE;
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

BOOL Platform::SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR pSd, PSID pOwner, BOOL bDefaulted)
{
    typedef BOOL(WINAPI * Fn)(PSECURITY_DESCRIPTOR, PSID, BOOL);
    static const Fn pfn = LookupAdvapi<Fn>("SetSecurityDescriptorOwner");
    return pfn != NULL ? pfn(pSd, pOwner, bDefaulted) : NotImplemented();
}

// Before 2000 nothing is inherited, so there is nothing to protect a list from: success.
BOOL Platform::SetSecurityDescriptorControl(PSECURITY_DESCRIPTOR pSd, SECURITY_DESCRIPTOR_CONTROL mask,
                                            SECURITY_DESCRIPTOR_CONTROL bits)
{
    typedef BOOL(WINAPI * Fn)(PSECURITY_DESCRIPTOR, SECURITY_DESCRIPTOR_CONTROL, SECURITY_DESCRIPTOR_CONTROL);
    static const Fn pfn = LookupAdvapi<Fn>("SetSecurityDescriptorControl");
    return pfn != NULL ? pfn(pSd, mask, bits) : TRUE;
}

// The registry's wide calls are stubs on 9x: there the narrow ones stand in, their names
// converted, so that what 9x registered counts as well.
LONG Platform::RegOpenKeyExW(HKEY hKey, LPCWSTR pszSubKey, DWORD dwOptions, REGSAM sam, PHKEY phResult)
{
    typedef LONG(WINAPI * Fn)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
    static const Fn pfn = IsWin9x() ? NULL : LookupAdvapi<Fn>("RegOpenKeyExW");
    if (pfn != NULL)
        return pfn(hKey, pszSubKey, dwOptions, sam, phResult);
    return Fallback::RegOpenKeyExW(hKey, pszSubKey, dwOptions, sam, phResult);
}

// 9x has one view of the registry: the bits that choose one are dropped.
LONG Platform::Fallback::RegOpenKeyExW(HKEY hKey, LPCWSTR pszSubKey, DWORD dwOptions, REGSAM sam, PHKEY phResult)
{
    CString strSubKey;
    LPCSTR pszNarrow;
    if (!RegName(pszSubKey, strSubKey, pszNarrow))
        return ERROR_FILE_NOT_FOUND;
    return ::RegOpenKeyExA(hKey, pszNarrow, dwOptions, sam & ~(KEY_WOW64_64KEY | KEY_WOW64_32KEY), phResult);
}

LONG Platform::RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR pszName, LPDWORD pcchName, LPDWORD pReserved,
                             LPWSTR pszClass, LPDWORD pcchClass, PFILETIME pftLastWrite)
{
    typedef LONG(WINAPI * Fn)(HKEY, DWORD, LPWSTR, LPDWORD, LPDWORD, LPWSTR, LPDWORD, PFILETIME);
    static const Fn pfn = IsWin9x() ? NULL : LookupAdvapi<Fn>("RegEnumKeyExW");
    if (pfn != NULL)
        return pfn(hKey, dwIndex, pszName, pcchName, pReserved, pszClass, pcchClass, pftLastWrite);
    return Fallback::RegEnumKeyExW(hKey, dwIndex, pszName, pcchName, pReserved, pszClass, pcchClass, pftLastWrite);
}

LONG Platform::Fallback::RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR pszName, LPDWORD pcchName, LPDWORD pReserved,
                                       LPWSTR pszClass, LPDWORD pcchClass, PFILETIME pftLastWrite)
{
    // A key's name has at most 255 characters, each of up to two bytes.
    char szName[512];
    char szClass[MAX_PATH];
    DWORD cbName = sizeof(szName);
    DWORD cbClass = sizeof(szClass);
    LONG rc = ::RegEnumKeyExA(hKey, dwIndex, szName, &cbName, pReserved, pszClass != NULL ? szClass : NULL,
                              pszClass != NULL ? &cbClass : NULL, pftLastWrite);
    if (rc == ERROR_SUCCESS)
        rc = WidenName(szName, pszName, pcchName);
    if (rc == ERROR_SUCCESS && pszClass != NULL)
        rc = WidenName(szClass, pszClass, pcchClass);
    return rc;
}

LONG Platform::RegQueryValueExW(HKEY hKey, LPCWSTR pszName, LPDWORD pReserved, LPDWORD pdwType, LPBYTE pData,
                                LPDWORD pcbData)
{
    typedef LONG(WINAPI * Fn)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    static const Fn pfn = IsWin9x() ? NULL : LookupAdvapi<Fn>("RegQueryValueExW");
    if (pfn != NULL)
        return pfn(hKey, pszName, pReserved, pdwType, pData, pcbData);
    return Fallback::RegQueryValueExW(hKey, pszName, pReserved, pdwType, pData, pcbData);
}

// Text values are converted, the others come as they are, as from the wide call.
LONG Platform::Fallback::RegQueryValueExW(HKEY hKey, LPCWSTR pszName, LPDWORD pReserved, LPDWORD pdwType,
                                          LPBYTE pData, LPDWORD pcbData)
{
    if (pData != NULL && pcbData == NULL)
        return ERROR_INVALID_PARAMETER;
    CString strName;
    LPCSTR pszNarrow;
    if (!RegName(pszName, strName, pszNarrow))
        return ERROR_FILE_NOT_FOUND;
    DWORD dwType = 0;
    DWORD cb = 0;
    LONG rc = ::RegQueryValueExA(hKey, pszNarrow, pReserved, &dwType, NULL, &cb);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (dwType != REG_SZ && dwType != REG_EXPAND_SZ && dwType != REG_MULTI_SZ)
        return ::RegQueryValueExA(hKey, pszNarrow, pReserved, pdwType, pData, pcbData);
    std::vector<char> text(cb + 1);
    rc = ::RegQueryValueExA(hKey, pszNarrow, pReserved, &dwType, reinterpret_cast<LPBYTE>(text.data()), &cb);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::wstring str;
    if (!WidenData(text.data(), cb, str))
        return ERROR_INVALID_DATA;
    if (pdwType != NULL)
        *pdwType = dwType;
    const DWORD cbWide = static_cast<DWORD>(str.size() * sizeof(WCHAR));
    rc = ERROR_SUCCESS;
    if (pData != NULL && *pcbData < cbWide)
        rc = ERROR_MORE_DATA;
    else if (pData != NULL)
        memcpy(pData, str.data(), cbWide);
    if (pcbData != NULL)
        *pcbData = cbWide;
    return rc;
}
