#pragma once

#include <windows.h>

// Base of the framework's exceptions. They are thrown by pointer, caught by the window
// procedure, reported there and deleted; the program's own code throws none.
class CException
{
public:
    virtual ~CException() {}

    // Fills the message text; FALSE when there is none.
    virtual BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const;
    virtual int ReportError(UINT nType = MB_OK, UINT nMessageID = 0) const;
    void Delete() { delete this; }
};
