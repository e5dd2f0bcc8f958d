#include "RegistryKey.h"

#include <string.h>

#include <vector>

#include "framework/Platform.h"
#include "framework/Wide.h"

namespace
{
// What a value read may take; a longer value is refused rather than cut.
const DWORD kValueBufferSize = 1024;
// Enumeration tries this first, then kLongNameBufferSize for a name that does not fit: a
// name of 255 characters needs up to 510 bytes in code page 932.
const DWORD kNameBufferSize = 256;
const DWORD kLongNameBufferSize = 1024;


// The direct sub-keys' names in index order. A name too long for the first buffer is read
// again with a larger one; any result but success ends the list, so a failing index cannot
// repeat forever. FALSE when the list ended on an error rather than at its end.
BOOL ListSubKeys(HKEY hKey, CStringArray& names)
{
    char szShort[kNameBufferSize];
    char szLong[kLongNameBufferSize];
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        FILETIME ftLastWrite;
        DWORD cchName = sizeof(szShort);
        char* pszName = szShort;
        LONG lResult = RegEnumKeyExA(hKey, dwIndex, szShort, &cchName, NULL, NULL, NULL, &ftLastWrite);
        if (lResult == ERROR_MORE_DATA)
        {
            cchName = sizeof(szLong);
            pszName = szLong;
            lResult = RegEnumKeyExA(hKey, dwIndex, szLong, &cchName, NULL, NULL, NULL, &ftLastWrite);
        }
        if (lResult != ERROR_SUCCESS)
            return lResult == ERROR_NO_MORE_ITEMS;
        names.Add(CString(pszName, static_cast<int>(cchName)));
    }
}

// A link key opened as itself holds where it leads in this value (NtQueryKey's flags would
// tell too, but Wine does not answer that query).
BOOL IsLinkKey(HKEY hKey)
{
    DWORD dwType = 0;
    DWORD cbData = 0;
    return RegQueryValueExA(hKey, "SymbolicLinkValue", NULL, &dwType, NULL, &cbData) == ERROR_SUCCESS
        && dwType == REG_LINK;
}

// Every key is opened relative to its parent and as itself, so that no link on the way is
// followed; a link is deleted through its own handle (RegDeleteKey would delete its target).
BOOL DeleteTree(HKEY hParent, LPCSTR pszName)
{
    CKeyHandle key;
    if (RegOpenKeyExA(hParent, pszName, REG_OPTION_OPEN_LINK, KEY_READ | DELETE, key.Receive()) != ERROR_SUCCESS)
        return FALSE;
    if (!IsLinkKey(key.Get()))
    {
        CStringArray names;
        BOOL bOk = ListSubKeys(key.Get(), names);
        for (int i = 0; i < names.GetSize(); ++i)
        {
            if (!DeleteTree(key.Get(), names.GetAt(i)))
                bOk = FALSE;
        }
        if (!bOk)
            return FALSE;
    }
    return Platform::NtDeleteKey(key.Get()) >= 0;
}

// A sub-key that is a link goes as the link: RegDeleteKey follows it and would delete the
// key it leads to, which is another's. 9x has no links.
BOOL DeleteLeaf(HKEY hParent, LPCSTR pszName)
{
    if (!Platform::IsWin9x() && pszName != NULL && *pszName != '\0')
    {
        CKeyHandle key;
        if (RegOpenKeyExA(hParent, pszName, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | DELETE, key.Receive())
                == ERROR_SUCCESS
            && IsLinkKey(key.Get()))
            return Platform::NtDeleteKey(key.Get()) >= 0;
    }
    return RegDeleteKeyA(hParent, pszName) == ERROR_SUCCESS;
}
}

CRegistryKey::CRegistryKey(LPCTSTR name)
    : m_samDesired(KEY_READ), m_strSubKey(CString("SoftWare\\") + name)
{
}

CRegistryKey::~CRegistryKey()
{
    Close();
}

// A failed close keeps the handle, so that a later call can try again.
BOOL CRegistryKey::Close()
{
    return m_key.Close();
}

LONG CRegistryKey::Open()
{
    HKEY hKey = NULL;
    LONG lResult = RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_strSubKey, 0, m_samDesired, &hKey);
    if (lResult == ERROR_SUCCESS)
        *m_key.Receive() = hKey;
    return lResult;
}

// Value reads and writes open with full access and create the key when it is missing.
LONG CRegistryKey::Create(DWORD* pdwDisposition)
{
    // A handle left by a failed deletion would otherwise be overwritten and leak.
    if (m_key.IsValid())
        Close();
    HKEY hKey = NULL;
    LONG lResult = RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_strSubKey, 0, NULL, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, NULL, &hKey, pdwDisposition);
    if (lResult == ERROR_SUCCESS)
        *m_key.Receive() = hKey;
    return lResult;
}

BOOL CRegistryKey::KeyExists()
{
    Close();
    BOOL bOpened = Open() == ERROR_SUCCESS;
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
    LONG lResult = RegQueryValueExA(m_key.Get(), valueName, NULL, &dwType, reinterpret_cast<LPBYTE>(buffer), &cbData);
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
        && RegSetValueExA(m_key.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(static_cast<LPCSTR>(value)),
                          static_cast<DWORD>(value.GetLength())) == ERROR_SUCCESS;
    Close();
    return bOk;
}

// Names in the registry's index order, as far as the registry lists them.
std::unique_ptr<CStringArray> CRegistryKey::EnumSubKeys()
{
    if (m_key.IsValid())
        Close();
    if (Open() != ERROR_SUCCESS)
        return std::unique_ptr<CStringArray>();
    std::unique_ptr<CStringArray> pNames(new CStringArray);
    ListSubKeys(m_key.Get(), *pNames);
    Close();
    return pNames;
}

// On NT a sub-key that has sub-keys of its own is refused; Windows 9x deletes the subtree.
// A failed deletion leaves the handle open.
BOOL CRegistryKey::DeleteSubKey(LPCTSTR subKeyName)
{
    if (m_key.IsValid())
        Close();
    if (Open() != ERROR_SUCCESS)
        return FALSE;
    if (!DeleteLeaf(m_key.Get(), subKeyName))
        return FALSE;
    Close();
    return TRUE;
}

// A value stored without its terminating zero is taken to its returned size.
LONG CRegistryKey::GetWideValue(LPCTSTR valueName, std::wstring& out)
{
    std::wstring strName;
    if (!Wide::FromAnsi(valueName, strName))
        return ERROR_CALL_NOT_IMPLEMENTED;
    if (m_key.IsValid())
        Close();
    LONG lResult = Open();
    if (lResult != ERROR_SUCCESS)
        return lResult;
    std::vector<WCHAR> buffer(MAX_PATH);
    DWORD dwType = 0;
    DWORD cbData = 0;
    // A value that grows between the calls is asked for again.
    for (int nTry = 0; nTry < 3; ++nTry)
    {
        cbData = static_cast<DWORD>(buffer.size() * sizeof(WCHAR));
        lResult = Platform::RegQueryValueExW(m_key.Get(), strName.c_str(), NULL, &dwType, reinterpret_cast<LPBYTE>(buffer.data()), &cbData);
        if (lResult != ERROR_MORE_DATA)
            break;
        buffer.resize(cbData / sizeof(WCHAR) + 1);
    }
    Close();
    if (lResult != ERROR_SUCCESS)
        return lResult;
    if (dwType != REG_SZ)
        return ERROR_INVALID_DATATYPE;
    size_t nLength = cbData / sizeof(WCHAR);
    out.assign(buffer.data(), nLength);
    out.resize(wcsnlen(out.c_str(), nLength));
    return ERROR_SUCCESS;
}

// The removal of links needs NtDeleteKey; without it (9x) the first key fails and nothing goes.
BOOL CRegistryKey::DeleteSubTree(LPCTSTR subKeyName)
{
    if (m_key.IsValid())
        Close();
    if (Open() != ERROR_SUCCESS)
        return FALSE;
    BOOL bOk = DeleteTree(m_key.Get(), subKeyName);
    Close();
    return bOk;
}
