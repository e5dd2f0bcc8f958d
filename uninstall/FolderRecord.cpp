#include "uninstall/FolderRecord.h"

#include "framework/Wide.h"
#include "registry/RegistryKey.h"
#include "uninstall/PathRules.h"

CFolderRecord::CFolderRecord() : m_bKnown(TRUE)
{
}

void CFolderRecord::Read(CRegistryKey& key, LPCSTR pszName, BOOL bNT)
{
    m_strText.Empty();
    m_strValue.clear();
    m_bKnown = TRUE;
    BOOL bNarrow = key.GetValue(pszName, m_strText, "");
    if (!bNT)
    {
        // The 9x registry holds code-page text: the narrow reading is the value.
        m_bKnown = Wide::FromAnsi(m_strText, m_strValue);
    }
    else
    {
        std::wstring strWide, strNarrow;
        LONG lWide = key.GetWideValue(pszName, strWide);
        if (bNarrow || lWide != ERROR_FILE_NOT_FOUND)
        {
            if (!bNarrow || lWide != ERROR_SUCCESS || !Wide::FromAnsi(m_strText, strNarrow) || strNarrow != strWide)
                m_bKnown = FALSE;
            else
                m_strValue = strWide;
        }
    }
    m_strPath = PathRules::ComparablePath(m_strValue);
}
