#pragma once

#include <windows.h>

#include "String.h"

// Shows a message with the application title as caption, owned by the window the
// application registered (see AfxSetMessageBoxOwner). OK, OK/Cancel, Yes/No and
// Yes/No/Cancel boxes get the exclamation icon when the caller gives none.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);

// The application title, the string AFX_IDS_APP_TITLE.
CString AfxGetAppName();

// The application names the owner of its boxes through this; NULL: boxes have none.
typedef HWND (*AFX_MSGBOX_OWNER)();
void AfxSetMessageBoxOwner(AFX_MSGBOX_OWNER pfnOwner);

// Unit tests answer boxes through this instead of a window. NULL restores the real box.
typedef int (*AFX_MSGBOX_HOOK)(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType);
void AfxSetMessageBoxHook(AFX_MSGBOX_HOOK pfnHook);
