#include "FileException.h"

#include <string.h>

#include "res/resource.h"

CFileException::CFileException(int cause, LONG lOsError, LPCSTR pstrFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(pstrFileName)
{
}

int CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError)
    {
    case NO_ERROR:
        return none;

    case ERROR_FILE_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
    case ERROR_DISK_CHANGE:
        return fileNotFound;

    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_SAME_DEVICE:
    case ERROR_WRONG_DISK:
    case ERROR_DUP_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NET_NAME:
    case ERROR_SHARING_PAUSED:
    case ERROR_ALREADY_ASSIGNED:
    case ERROR_BUFFER_OVERFLOW:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_LEVEL:
    case ERROR_NO_VOLUME_LABEL:
    case ERROR_DIR_NOT_ROOT:
    case ERROR_LABEL_TOO_LONG:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_META_EXPANSION_TOO_LONG:
    case ERROR_DIRECTORY:
        return badPath;

    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_SHARING_BUFFER_EXCEEDED:
    case ERROR_TOO_MANY_NAMES:
    case ERROR_NO_MORE_SEARCH_HANDLES:
        return tooManyOpenFiles;

    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_ACCESS:
    case ERROR_WRITE_PROTECT:
    case ERROR_WRITE_FAULT:
    case ERROR_NETWORK_BUSY:
    case ERROR_BAD_NET_RESP:
    case ERROR_NETNAME_DELETED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_REQ_NOT_ACCEP:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_CANNOT_MAKE:
    case ERROR_INVALID_PASSWORD:
    case ERROR_BUSY:
    case ERROR_SWAPERROR:
        return accessDenied;

    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_FORMAT:
    case ERROR_NOT_DOS_DISK:
    case ERROR_BAD_REM_ADAP:
    case ERROR_BAD_DEV_TYPE:
    case ERROR_INVALID_TARGET_HANDLE:
    case ERROR_INVALID_ORDINAL:
    case ERROR_INVALID_EXE_SIGNATURE:
    case ERROR_BAD_EXE_FORMAT:
        return invalidFile;

    case ERROR_CURRENT_DIRECTORY:
    case ERROR_DIR_NOT_EMPTY:
        return removeCurrentDir;

    case ERROR_NO_SPOOL_SPACE:
        return directoryFull;

    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SEEK_ON_DEVICE:
    case ERROR_BAD_LENGTH:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
        return badSeek;

    case ERROR_BAD_UNIT:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_CRC:
    case ERROR_ADAP_HDW_ERR:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NET_WRITE_FAULT:
    case ERROR_INVALID_CATEGORY:
    case ERROR_OPERATION_ABORTED:
    case ERROR_IO_INCOMPLETE:
    case ERROR_IO_PENDING:
        return hardIO;

    case ERROR_SHARING_VIOLATION:
        return sharingViolation;

    case ERROR_LOCK_VIOLATION:
    case ERROR_DRIVE_LOCKED:
    case ERROR_LOCK_FAILED:
        return lockViolation;

    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return diskFull;

    case ERROR_HANDLE_EOF:
        return endOfFile;

    default:
        return generic;
    }
}

// Called after a failure: a platform that reports no code for it still gets an error raised.
void CFileException::ThrowOsError(LONG lOsError, LPCSTR lpszFileName)
{
    int cause = lOsError == NO_ERROR ? generic : OsErrorToException(lOsError);
    throw new CFileException(cause, lOsError, lpszFileName);
}

BOOL CFileException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    if (pnHelpContext != NULL)
        *pnHelpContext = AFX_IDP_FILE_NONE + m_cause;
    if (lpszError == NULL || nMaxError == 0)
        return FALSE;

    int cause = m_cause >= none && m_cause <= endOfFile ? m_cause : generic;
    CString strFormat;
    strFormat.LoadString(AFX_IDP_FILE_NONE + cause);
    CString strName = m_strFileName;
    if (strName.IsEmpty())
        strName.LoadString(AFX_IDS_UNNAMED_FILE);

    // Every "%1" takes the name; "%" and "1" are never trail bytes in code page 932, but
    // stepping over double-byte characters keeps that from mattering.
    CString strText;
    LPCSTR p = strFormat;
    while (*p != '\0')
    {
        if (p[0] == '%' && p[1] == '1')
        {
            strText += strName;
            p += 2;
        }
        else if (Mbcs::IsLeadByte(*p) && p[1] != '\0')
        {
            strText += CString(p, 2);
            p += 2;
        }
        else
        {
            strText += *p++;
        }
    }

    // Cut at a character boundary when the buffer is short.
    int nCopy = 0;
    for (int i = 0; i < strText.GetLength();)
    {
        int nChar = Mbcs::IsLeadByte(strText[i]) && i + 1 < strText.GetLength() ? 2 : 1;
        if (static_cast<UINT>(i + nChar) >= nMaxError)
            break;
        i += nChar;
        nCopy = i;
    }
    memcpy(lpszError, static_cast<LPCSTR>(strText), nCopy);
    lpszError[nCopy] = '\0';
    return TRUE;
}
