#pragma once

#include <windows.h>

#include "framework/String.h"
#include "framework/StringArray.h"

// One key below HKEY_LOCAL_MACHINE\SoftWare. Every operation opens the key itself and
// closes it again.
class CRegistryKey
{
public:
    explicit CRegistryKey(LPCSTR name);
    ~CRegistryKey();

    BOOL Close();
    BOOL KeyExists();
    BOOL GetValue(LPCSTR valueName, CString& out, CString defaultValue);
    BOOL SetValue(LPCSTR valueName, CString value);
    // The caller deletes the list; NULL when the key cannot be opened.
    CStringArray* EnumSubKeys();
    BOOL DeleteSubKey(LPCSTR subKeyName);

private:
    HKEY m_hKey;
    REGSAM m_samDesired;
    CString m_strSubKey;

    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
};
