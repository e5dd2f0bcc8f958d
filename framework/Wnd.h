#pragma once

#include <windows.h>

// Placeholder: the window class of the framework.
class CWnd
{
public:
    CWnd() : m_hWnd(NULL) {}
    virtual ~CWnd() {}
    HWND GetSafeHwnd() const { return this != NULL ? m_hWnd : NULL; }

    HWND m_hWnd;
};
