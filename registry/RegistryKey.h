#pragma once

#include <windows.h>

#include "framework/String.h"
#include "framework/StringArray.h"

// One key below HKEY_LOCAL_MACHINE\SoftWare. Every operation opens the key itself and closes
// it before reporting success; only a failed sub-key deletion or a failed close leaves the
// handle held, for the next operation or the destructor to close.
class CRegistryKey
{
public:
    explicit CRegistryKey(LPCTSTR name);
    ~CRegistryKey();

    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    BOOL Close();
    BOOL KeyExists();
    BOOL GetValue(LPCTSTR valueName, CString& out, CString defaultValue);
    BOOL SetValue(LPCTSTR valueName, CString value);
    // The caller deletes the array; null when the key cannot be opened.
    CStringArray* EnumSubKeys();
    BOOL DeleteSubKey(LPCTSTR subKeyName);

private:
    BOOL Open();
    LONG Create(DWORD* pdwDisposition);

    HKEY m_hKey;
    REGSAM m_samDesired;
    CString m_strSubKey;
};
