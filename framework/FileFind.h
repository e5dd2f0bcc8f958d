#pragma once

#include <windows.h>

#include "FindHandle.h"
#include "String.h"

// A file search. FindFile starts it; each FindNextFile makes the next entry current and
// tells whether more follow, so the loop is `for (BOOL b = f.FindFile(); b;) { b = f.FindNextFile(); ... }`.
// Wide inside: GetFileNameW gives names the code page cannot hold.
class CFileFind
{
public:
    CFileFind();
    ~CFileFind();
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // NULL searches "*.*" in the current directory. FALSE when nothing was found or the
    // search could not start; GetLastError tells which (ERROR_FILE_NOT_FOUND for nothing).
    BOOL FindFile(LPCSTR pstrName = NULL);
    BOOL FindFile(LPCWSTR pstrName);
    BOOL FindNextFile();
    void Close();

    // Set when the search ended on an error rather than on its last entry.
    DWORD GetSearchError() const { return m_dwError; }

    CString GetFileName() const;
    LPCWSTR GetFileNameW() const { return m_current.cFileName; }
    DWORD GetAttributes() const { return m_current.dwFileAttributes; }
    BOOL IsDirectory() const { return (m_current.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    BOOL IsReadOnly() const { return (m_current.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0; }
    BOOL IsDots() const;

private:
    CFindHandle m_find;
    BOOL m_bHaveNext;
    DWORD m_dwError;
    WIN32_FIND_DATAW m_current;
    WIN32_FIND_DATAW m_next;
};
