#pragma once

#include <windows.h>

// Owns one file search handle, closed with FindClose; both NULL and INVALID_HANDLE_VALUE mean none.
class CFindHandle
{
public:
    explicit CFindHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;
    ~CFindHandle() { Close(); }

    BOOL IsValid() const { return m_h != NULL && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }
    // Takes a new search, ending the one held.
    void Reset(HANDLE h)
    {
        Close();
        m_h = h;
    }
    void Close()
    {
        if (IsValid())
            ::FindClose(m_h);
        m_h = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_h;
};
