#pragma once

#include <windows.h>

// Shows the wait cursor over every window of the program while at least one instance
// lives; the last one to go puts back the cursor that was showing before.
class CWaitCursor
{
public:
    CWaitCursor();
    ~CWaitCursor();

    static BOOL IsWaiting();
    // The cursor our windows show for WM_SETCURSOR while waiting.
    static void Restore();

private:
    HCURSOR m_hPrevious;

    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
