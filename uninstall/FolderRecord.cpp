#include "uninstall/FolderRecord.h"

#include <algorithm>

#include "framework/Wide.h"
#include "registry/RegistryKey.h"
#include "uninstall/PathRules.h"

namespace
{
// The form in which two spellings of one folder compare equal: "\" separators, "." and ".."
// resolved, and the long names of the part that exists. Empty for what is not a full path.
std::wstring ComparablePath(std::wstring strPath)
{
    std::replace(strPath.begin(), strPath.end(), L'/', L'\\');
    size_t nRoot;
    if (strPath.size() >= 3 && strPath[1] == L':' && strPath[2] == L'\\')
    {
        nRoot = 3;
    }
    else if (strPath.compare(0, 2, L"\\\\") == 0 && strPath.size() > 2 && strPath[2] != L'?' && strPath[2] != L'.')
    {
        size_t nServer = strPath.find(L'\\', 2);
        nRoot = nServer == std::wstring::npos ? std::wstring::npos : strPath.find(L'\\', nServer + 1);
        if (nRoot == std::wstring::npos)
            nRoot = strPath.size();
    }
    else
    {
        return std::wstring();
    }
    std::wstring strOut = strPath.substr(0, nRoot);
    const size_t nRootLength = strOut.size();
    for (size_t i = nRoot; i < strPath.size();)
    {
        size_t j = strPath.find(L'\\', i);
        if (j == std::wstring::npos)
            j = strPath.size();
        const std::wstring strName = strPath.substr(i, j - i);
        if (strName == L"..")
        {
            if (strOut.size() > nRootLength)
                strOut = PathRules::ParentPath(strOut);
            if (strOut.size() < nRootLength)
                strOut = strPath.substr(0, nRootLength);
        }
        else if (!strName.empty() && strName != L".")
        {
            strOut = PathRules::JoinPath(strOut, strName);
        }
        i = j + 1;
    }
    if (PathRules::NamesBelowRoot(strOut) < 0)
        return std::wstring();

    // Wine expands short names only in the plain form, so the "\\?\" form is kept for what
    // is too long for the plain one.
    std::wstring strHead = strOut;
    std::wstring strTail;
    while (PathRules::NamesBelowRoot(strHead) > 0)
    {
        std::wstring strLong = PathRules::LongPath(strHead.size() < MAX_PATH ? strHead : Wide::ExtendedPath(strHead));
        if (!strLong.empty())
            return PathRules::PlainPath(strLong) + strTail;
        size_t n = strHead.rfind(L'\\');
        strTail = strHead.substr(n) + strTail;
        strHead = strHead.substr(0, n);
    }
    return strOut;
}
}

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
    m_strPath = ComparablePath(m_strValue);
}
