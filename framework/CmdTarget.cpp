#include "CmdTarget.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = { { 0, 0, 0, NULL } };
    static const AFX_MSGMAP messageMap = { NULL, entries };
    return &messageMap;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(UINT nMessage, UINT nCode, UINT nID) const
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap != NULL;
         pMap = pMap->pfnGetBaseMap != NULL ? pMap->pfnGetBaseMap() : NULL)
    {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfn != NULL; ++pEntry)
        {
            if (pEntry->nMessage != nMessage)
                continue;
            if (nMessage != WM_COMMAND || (pEntry->nCode == nCode && pEntry->nID == nID))
                return pEntry;
        }
    }
    return NULL;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, UINT nCode)
{
    const AFX_MSGMAP_ENTRY* pEntry = FindEntry(WM_COMMAND, nCode, nID);
    if (pEntry == NULL)
        return FALSE;
    pEntry->pfn(this, 0, 0);
    return TRUE;
}
