#pragma once

#include <windows.h>

#include "Exception.h"
#include "String.h"

// The framework's file error, raised by the file status calls. Thrown by pointer like every
// framework exception; its text is the string AFX_IDP_FILE_NONE + cause.
class CFileException : public CException
{
public:
    enum
    {
        none,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, LPCSTR pstrFileName = NULL);

    static int OsErrorToException(LONG lOsError);
    [[noreturn]] static void ThrowOsError(LONG lOsError, LPCSTR lpszFileName = NULL);

    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override;

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};
