#pragma once

#include <windows.h>

// Owns one registry key handle; NULL means none.
class CKeyHandle
{
public:
    CKeyHandle() : m_hKey(NULL) {}
    CKeyHandle(const CKeyHandle&) = delete;
    CKeyHandle& operator=(const CKeyHandle&) = delete;
    ~CKeyHandle() { Close(); }

    BOOL IsValid() const { return m_hKey != NULL; }
    HKEY Get() const { return m_hKey; }
    // For the open and create calls; only when none is held.
    HKEY* Receive() { return &m_hKey; }
    // A failed close keeps the handle, so that a later call can try again; FALSE also when
    // there was none.
    BOOL Close()
    {
        if (m_hKey == NULL || RegCloseKey(m_hKey) != ERROR_SUCCESS)
            return FALSE;
        m_hKey = NULL;
        return TRUE;
    }

private:
    HKEY m_hKey;
};
