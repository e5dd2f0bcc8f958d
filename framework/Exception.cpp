#include "Exception.h"

#include "MessageBox.h"

BOOL CException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    if (pnHelpContext != NULL)
        *pnHelpContext = 0;
    if (nMaxError != 0 && lpszError != NULL)
        *lpszError = '\0';
    return FALSE;
}

int CException::ReportError(UINT nType, UINT nMessageID) const
{
    char szMessage[512];
    if (GetErrorMessage(szMessage, sizeof(szMessage)))
        return AfxMessageBox(szMessage, nType);
    return nMessageID != 0 ? AfxMessageBox(nMessageID, nType) : 0;
}
