#pragma once

#include <windows.h>

// Placeholder: the window class of the framework.
class CWnd
{
public:
    CWnd() : m_hWnd(NULL) {}
    virtual ~CWnd() {}
    HWND GetSafeHwnd() const { return m_hWnd; }

    HWND m_hWnd;
};
