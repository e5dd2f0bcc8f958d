#include "PathRules.h"

#include <wchar.h>

#include <algorithm>

#include "framework/Platform.h"
#include "framework/Wide.h"

BOOL PathRules::SameText(const std::wstring& a, const std::wstring& b)
{
    return Platform::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

BOOL PathRules::IsBelow(const std::wstring& a, const std::wstring& b)
{
    if (a.empty() || b.size() <= a.size())
        return FALSE;
    if (a.back() != L'\\' && b[a.size()] != L'\\')
        return FALSE;
    return SameText(a, b.substr(0, a.size()));
}

BOOL PathRules::IsOnKeptPath(const std::wstring& strKeep, const std::wstring& strName, std::wstring& strBelow)
{
    const size_t n = strKeep.find(L'\\');
    if (strKeep.empty() || !SameText(strKeep.substr(0, n), strName))
        return FALSE;
    strBelow = n == std::wstring::npos ? std::wstring() : strKeep.substr(n + 1);
    return TRUE;
}

std::wstring PathRules::PlainPath(const std::wstring& strPath)
{
    if (strPath.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        return L"\\\\" + strPath.substr(8);
    if (strPath.compare(0, 4, L"\\\\?\\") == 0)
        return strPath.substr(4);
    return strPath;
}

std::wstring PathRules::JoinPath(const std::wstring& strFolder, const std::wstring& strName)
{
    if (!strFolder.empty() && strFolder.back() == L'\\')
        return strFolder + strName;
    return strFolder + L'\\' + strName;
}

std::wstring PathRules::ParentPath(const std::wstring& strPath)
{
    size_t n = strPath.rfind(L'\\');
    return n == std::wstring::npos ? std::wstring() : strPath.substr(0, n);
}

// The number of names below the root of a plain full path ("C:\" and "\\server\share" have
// none), or -1 when the path is not full or holds a name the platform would alter or
// misread: empty, "." or "..", ending in a dot or a blank (the platform strips those), or
// with a character no file name may hold.
int PathRules::NamesBelowRoot(const std::wstring& strPath)
{
    size_t i;
    int nRootNames;
    if (strPath.size() >= 3 && strPath[1] == L':' && strPath[2] == L'\\'
        && ((strPath[0] >= L'A' && strPath[0] <= L'Z') || (strPath[0] >= L'a' && strPath[0] <= L'z')))
    {
        i = 3;
        nRootNames = 0;
        if (i == strPath.size())
            return 0;
    }
    else if (strPath.compare(0, 2, L"\\\\") == 0)
    {
        i = 2;
        nRootNames = 2;   // server and share
    }
    else
    {
        return -1;
    }

    int nNames = 0;
    for (;;)
    {
        size_t j = strPath.find(L'\\', i);
        if (j == std::wstring::npos)
            j = strPath.size();
        if (j == i)
            return -1;
        WCHAR chLast = strPath[j - 1];
        if (chLast == L'.' || chLast == L' ')   // also "." and ".."
            return -1;
        for (size_t k = i; k < j; ++k)
        {
            WCHAR ch = strPath[k];
            if (ch < 0x20 || wcschr(L"<>:\"/|?*", ch) != NULL)
                return -1;
        }
        ++nNames;
        if (j == strPath.size())
            break;
        i = j + 1;
    }
    return nNames >= nRootNames ? nNames - nRootNames : -1;
}

std::wstring PathRules::LongPath(const std::wstring& strPath)
{
    std::wstring strLong(MAX_PATH, L'\0');
    for (;;)
    {
        DWORD n = Platform::GetLongPathNameW(strPath.c_str(), &strLong[0], static_cast<DWORD>(strLong.size()));
        if (n == 0)
            return std::wstring();
        if (n < strLong.size())
        {
            strLong.resize(n);
            return strLong;
        }
        strLong.resize(n + 1);
    }
}

std::wstring PathRules::ComparablePath(std::wstring strPath)
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
                strOut = ParentPath(strOut);
            if (strOut.size() < nRootLength)
                strOut = strPath.substr(0, nRootLength);
        }
        else if (!strName.empty() && strName != L".")
        {
            strOut = JoinPath(strOut, strName);
        }
        i = j + 1;
    }
    if (NamesBelowRoot(strOut) < 0)
        return std::wstring();

    // Wine expands short names only in the plain form, so the "\\?\" form is kept for what
    // is too long for the plain one.
    std::wstring strHead = strOut;
    std::wstring strTail;
    while (NamesBelowRoot(strHead) > 0)
    {
        std::wstring strLong = LongPath(strHead.size() < MAX_PATH ? strHead : Wide::ExtendedPath(strHead));
        if (!strLong.empty())
            return PlainPath(strLong) + strTail;
        size_t n = strHead.rfind(L'\\');
        strTail = strHead.substr(n) + strTail;
        strHead = strHead.substr(0, n);
    }
    return strOut;
}
