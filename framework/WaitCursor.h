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
    // Sets the wait cursor; our windows answer WM_SETCURSOR with it while waiting.
    static void Show();

private:
    HCURSOR m_hPrevious;

    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
