#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/KeyHandle.h"
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
    // Null when the key cannot be opened.
    std::unique_ptr<CStringArray> EnumSubKeys();
    BOOL DeleteSubKey(LPCTSTR subKeyName);

    // NT only. A string value as the registry holds it, without the code page's losses:
    // ERROR_SUCCESS for a REG_SZ value, ERROR_FILE_NOT_FOUND when there is none.
    LONG GetWideValue(LPCTSTR valueName, std::wstring& out);
    // NT only. Deletes a direct sub-key with everything below it; a registry link goes as
    // the link itself and what it leads to is never touched.
    BOOL DeleteSubTree(LPCTSTR subKeyName);

private:
    LONG Open();
    LONG Create(DWORD* pdwDisposition);

    CKeyHandle m_key;
    REGSAM m_samDesired;
    CString m_strSubKey;
};
