#include "RegistryKey.h"

CRegistryKey::CRegistryKey(LPCSTR name) : m_hKey(NULL), m_samDesired(KEY_READ)
{
    m_strSubKey = CString("SoftWare\\") + name;
}

CRegistryKey::~CRegistryKey()
{
    Close();
}

BOOL CRegistryKey::Close()
{
    if (m_hKey == NULL)
        return FALSE;
    if (RegCloseKey(m_hKey) != ERROR_SUCCESS)
        return FALSE;
    m_hKey = NULL;
    return TRUE;
}

BOOL CRegistryKey::KeyExists()
{
    Close();
    LONG lResult = RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_strSubKey, 0, m_samDesired, &m_hKey);
    if (lResult != ERROR_SUCCESS)
        m_hKey = NULL;
    Close();
    return lResult == ERROR_SUCCESS;
}

BOOL CRegistryKey::GetValue(LPCSTR valueName, CString& out, CString defaultValue)
{
    DWORD dwDisposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_strSubKey, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        NULL, &m_hKey, &dwDisposition) != ERROR_SUCCESS)
    {
        m_hKey = NULL;
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
    char buffer[1024];
    DWORD dwType = 0;
    DWORD cbData = sizeof(buffer);
    LONG lResult = RegQueryValueExA(m_hKey, valueName, NULL, &dwType, reinterpret_cast<LPBYTE>(buffer), &cbData);
    Close();
    if (lResult != ERROR_SUCCESS || dwType != REG_SZ)
        return FALSE;
    int nLength = 0;
    while (nLength < static_cast<int>(cbData) && buffer[nLength] != '\0')
        ++nLength;
    out = CString(buffer, nLength);
    return TRUE;
}

BOOL CRegistryKey::SetValue(LPCSTR valueName, CString value)
{
    BOOL bResult = FALSE;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_strSubKey, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        NULL, &m_hKey, NULL) == ERROR_SUCCESS)
        bResult = RegSetValueExA(m_hKey, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(LPCSTR(value)),
                                 value.GetLength()) == ERROR_SUCCESS;
    else
        m_hKey = NULL;
    Close();
    return bResult;
}

CStringArray* CRegistryKey::EnumSubKeys()
{
    Close();
    CStringArray* pList = new CStringArray;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_strSubKey, 0, m_samDesired, &m_hKey) != ERROR_SUCCESS)
    {
        m_hKey = NULL;
        delete pList;
        return NULL;
    }
    for (DWORD i = 0;; ++i)
    {
        char name[256];
        DWORD cchName = sizeof(name);
        FILETIME ft;
        LONG lResult = RegEnumKeyExA(m_hKey, i, name, &cchName, NULL, NULL, NULL, &ft);
        if (lResult != ERROR_SUCCESS)
            break;
        pList->Add(CString(name, static_cast<int>(cchName)));
    }
    Close();
    return pList;
}

BOOL CRegistryKey::DeleteSubKey(LPCSTR subKeyName)
{
    Close();
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_strSubKey, 0, m_samDesired, &m_hKey) != ERROR_SUCCESS)
    {
        m_hKey = NULL;
        return FALSE;
    }
    if (RegDeleteKeyA(m_hKey, subKeyName) != ERROR_SUCCESS)
        return FALSE;
    Close();
    return TRUE;
}
