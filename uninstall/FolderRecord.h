#pragma once

#include <windows.h>

#include <string>

#include "framework/String.h"

class CRegistryKey;

// A folder value of the product key, read once and normalised once, so that the keep
// decision and the removal work on the same path. On NT the registry holds the value in
// Unicode and the narrow reading may have lost characters to the code page ('?', or a
// best-fit such as e for é): it is read wide as well, and a value whose readings differ is
// not known.
class CFolderRecord
{
public:
    CFolderRecord();

    void Read(CRegistryKey& key, LPCSTR pszName, BOOL bNT);

    // FALSE when the value cannot be told: its readings differ, or it is not code-page text.
    BOOL IsKnown() const { return m_bKnown; }
    // TRUE when the value names nothing: missing, empty, or not known.
    BOOL IsEmpty() const { return m_strValue.empty(); }
    // The narrow reading, as the value's own text.
    const CString& Text() const { return m_strText; }
    // The full path, long names for the part that exists, "\" separators, "." and ".."
    // resolved; empty for what is not a full path.
    const std::wstring& Path() const { return m_strPath; }

private:
    CString m_strText;
    std::wstring m_strValue;  // the value itself; empty when missing or not known
    std::wstring m_strPath;
    BOOL m_bKnown;
};
