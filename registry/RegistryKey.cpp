#include "RegistryKey.h"

#include <string.h>

namespace
{
// What a value read may take; a longer value is refused rather than cut.
const DWORD kValueBufferSize = 1024;
// Enumeration tries this first, then kLongNameBufferSize for a name that does not fit: a
// name of 255 characters needs up to 510 bytes in code page 932.
const DWORD kNameBufferSize = 256;
const DWORD kLongNameBufferSize = 1024;
}

CRegistryKey::CRegistryKey(LPCTSTR name)
    : m_hKey(NULL), m_samDesired(KEY_READ), m_strSubKey(CString("SoftWare\\") + name)
{
}

CRegistryKey::~CRegistryKey()
{
    Close();
}

// A failed close keeps the handle, so that a later call can try again.
BOOL CRegistryKey::Close()
{
    if (m_hKey == NULL)
        return FALSE;
    if (RegCloseKey(m_hKey) != ERROR_SUCCESS)
        return FALSE;
    m_hKey = NULL;
    return TRUE;
}

BOOL CRegistryKey::Open()
{
    HKEY hKey = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_strSubKey, 0, m_samDesired, &hKey) != ERROR_SUCCESS)
        return FALSE;
    m_hKey = hKey;
    return TRUE;
}

// Value reads and writes open with full access and create the key when it is missing.
LONG CRegistryKey::Create(DWORD* pdwDisposition)
{
    // A handle left by a failed deletion would otherwise be overwritten and leak.
    if (m_hKey != NULL)
        Close();
    HKEY hKey = NULL;
    LONG lResult = RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_strSubKey, 0, NULL, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, NULL, &hKey, pdwDisposition);
    if (lResult == ERROR_SUCCESS)
        m_hKey = hKey;
    return lResult;
}

BOOL CRegistryKey::KeyExists()
{
    Close();
    BOOL bOpened = Open();
    Close();
    return bOpened;
}

// A key that did not exist is created and given the default, which is then the result.
// A value that is missing, not REG_SZ or longer than the buffer leaves out unchanged.
BOOL CRegistryKey::GetValue(LPCTSTR valueName, CString& out, CString defaultValue)
{
    DWORD dwDisposition = 0;
    if (Create(&dwDisposition) != ERROR_SUCCESS)
    {
        Close();
        return FALSE;
    }
    if (dwDisposition == REG_CREATED_NEW_KEY)
    {
        out = defaultValue;
        Close();
        SetValue(valueName, defaultValue);
        Close();
        return TRUE;
    }
    if (dwDisposition != REG_OPENED_EXISTING_KEY)
    {
        Close();
        return TRUE;
    }

    char buffer[kValueBufferSize];
    DWORD dwType = 0;
    DWORD cbData = sizeof(buffer);
    LONG lResult = RegQueryValueExA(m_hKey, valueName, NULL, &dwType, reinterpret_cast<LPBYTE>(buffer), &cbData);
    if (lResult != ERROR_SUCCESS || dwType != REG_SZ || cbData > sizeof(buffer))
    {
        Close();
        return FALSE;
    }
    // A value stored without its terminating zero fills the buffer to the returned size and
    // no further.
    const char* pEnd = static_cast<const char*>(memchr(buffer, '\0', cbData));
    out = CString(buffer, pEnd != NULL ? static_cast<int>(pEnd - buffer) : static_cast<int>(cbData));
    Close();
    return TRUE;
}

// The length written excludes the terminating zero.
BOOL CRegistryKey::SetValue(LPCTSTR valueName, CString value)
{
    DWORD dwDisposition = 0;
    BOOL bOk = Create(&dwDisposition) == ERROR_SUCCESS
        && RegSetValueExA(m_hKey, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(static_cast<LPCSTR>(value)),
                          static_cast<DWORD>(value.GetLength())) == ERROR_SUCCESS;
    Close();
    return bOk;
}

// Names in the registry's index order. A name too long for the first buffer is read again
// with a larger one; any result but success ends the list, so a failing index cannot
// repeat forever.
CStringArray* CRegistryKey::EnumSubKeys()
{
    if (m_hKey != NULL)
        Close();
    CStringArray* pNames = new CStringArray;
    if (!Open())
    {
        delete pNames;
        return NULL;
    }
    char szShort[kNameBufferSize];
    char szLong[kLongNameBufferSize];
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        FILETIME ftLastWrite;
        DWORD cchName = sizeof(szShort);
        char* pszName = szShort;
        LONG lResult = RegEnumKeyExA(m_hKey, dwIndex, szShort, &cchName, NULL, NULL, NULL, &ftLastWrite);
        if (lResult == ERROR_MORE_DATA)
        {
            cchName = sizeof(szLong);
            pszName = szLong;
            lResult = RegEnumKeyExA(m_hKey, dwIndex, szLong, &cchName, NULL, NULL, NULL, &ftLastWrite);
        }
        if (lResult != ERROR_SUCCESS)
            break;
        pNames->Add(CString(pszName, static_cast<int>(cchName)));
    }
    Close();
    return pNames;
}

// On NT a sub-key that has sub-keys of its own is refused; Windows 9x deletes the subtree.
// A failed deletion leaves the handle open.
BOOL CRegistryKey::DeleteSubKey(LPCTSTR subKeyName)
{
    if (m_hKey != NULL)
        Close();
    if (!Open())
        return FALSE;
    if (RegDeleteKeyA(m_hKey, subKeyName) != ERROR_SUCCESS)
        return FALSE;
    Close();
    return TRUE;
}
