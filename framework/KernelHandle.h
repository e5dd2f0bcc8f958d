#pragma once

#include <windows.h>

#include <utility>

// Owns one kernel object handle (file, folder, process, mutex); both NULL and
// INVALID_HANDLE_VALUE mean none.
class CKernelHandle
{
public:
    explicit CKernelHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    CKernelHandle(CKernelHandle&& other) noexcept : m_h(other.m_h) { other.m_h = INVALID_HANDLE_VALUE; }
    CKernelHandle& operator=(CKernelHandle&& other) noexcept
    {
        std::swap(m_h, other.m_h);
        return *this;
    }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;
    ~CKernelHandle() { Close(); }

    BOOL IsValid() const { return m_h != NULL && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }

    // Closes now, so that a failed close can be reported; FALSE also when there was none.
    BOOL Close()
    {
        HANDLE h = m_h;
        m_h = INVALID_HANDLE_VALUE;
        return h != NULL && h != INVALID_HANDLE_VALUE && CloseHandle(h);
    }
    // Gives the handle up without closing it: it stays open for the rest of the process.
    HANDLE Detach()
    {
        HANDLE h = m_h;
        m_h = INVALID_HANDLE_VALUE;
        return h;
    }

private:
    HANDLE m_h;
};
