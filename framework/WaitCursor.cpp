#include "WaitCursor.h"

namespace
{
// Process-wide: the wait shows over every window of the program while any instance lives.
int g_nWaitCount;
}

CWaitCursor::CWaitCursor()
{
    ++g_nWaitCount;
    m_hPrevious = SetCursor(LoadCursorA(NULL, MAKEINTRESOURCEA(32514) /* IDC_WAIT */));
}

CWaitCursor::~CWaitCursor()
{
    if (--g_nWaitCount == 0)
        SetCursor(m_hPrevious);
}

BOOL CWaitCursor::IsWaiting()
{
    return g_nWaitCount > 0;
}

void CWaitCursor::Show()
{
    SetCursor(LoadCursorA(NULL, MAKEINTRESOURCEA(32514)));
}
