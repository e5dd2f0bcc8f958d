#pragma once

#include <windows.h>

#include <time.h>

// A file's status as the framework's status calls read and write it. Times are whole
// seconds since 1970 UTC; 0 means "not set".
struct CFileStatus
{
    __time64_t m_ctime;
    __time64_t m_atime;
    __time64_t m_mtime;
    LONGLONG m_size;
    BYTE m_attribute;   // the low seven attribute bits; read-only is 0x01
};

// The framework's file class, as far as this program uses it: the static status calls.
// The wide forms take names the code page cannot hold and paths beyond MAX_PATH ("\\?\").
class CFile
{
public:
    enum Attribute
    {
        normal = 0x00,
        readOnly = 0x01,
        hidden = 0x02,
        system = 0x04,
        volume = 0x08,
        directory = 0x10,
        archive = 0x20
    };

    static BOOL GetStatus(LPCSTR lpszFileName, CFileStatus& rStatus);
    static BOOL GetStatus(LPCWSTR lpszFileName, CFileStatus& rStatus);
    // Raises CFileException on failure.
    static void SetStatus(LPCSTR lpszFileName, const CFileStatus& status);
    static void SetStatus(LPCWSTR lpszFileName, const CFileStatus& status);
};
