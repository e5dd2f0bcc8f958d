#include "CommandLine.h"

#include <initializer_list>

#include "framework/Platform.h"

namespace
{
const WCHAR kHandOverFrom[] = L"HandOverFrom:";
const WCHAR kHandOverTo[] = L"HandOverTo:";
const WCHAR kHandOverFile[] = L"HandOverFile:";
const WCHAR kHandOverHome[] = L"HandOverHome:";

size_t Length(LPCWSTR psz)
{
    size_t n = 0;
    while (psz[n] != L'\0')
        ++n;
    return n;
}

// Exactly as the original writes them.
BOOL HasPrefix(const std::wstring& str, LPCWSTR pszPrefix)
{
    return str.compare(0, Length(pszPrefix), pszPrefix) == 0;
}

BOOL IsBlank(WCHAR ch)
{
    return ch == L' ' || ch == L'\t';
}

// ASCII only: a switch is never a word of another script.
BOOL SameSwitch(const std::wstring& str, LPCWSTR pszName)
{
    size_t i = 0;
    for (; pszName[i] != L'\0'; ++i)
    {
        if (i >= str.size())
            return FALSE;
        WCHAR a = str[i] >= L'a' && str[i] <= L'z' ? str[i] - (L'a' - L'A') : str[i];
        WCHAR b = pszName[i] >= L'a' && pszName[i] <= L'z' ? pszName[i] - (L'a' - L'A') : pszName[i];
        if (a != b)
            return FALSE;
    }
    return i == str.size();
}

BOOL IsAnyOf(const std::wstring& str, std::initializer_list<LPCWSTR> names)
{
    for (LPCWSTR pszName : names)
    {
        if (SameSwitch(str, pszName))
            return TRUE;
    }
    return FALSE;
}
}

CCommandLine::CCommandLine()
    : m_bValid(TRUE), m_bUsage(FALSE), m_bUnattended(FALSE), m_bProgress(FALSE), m_album(kAlbumDefault),
      m_bLog(FALSE), m_nHandOverFrom(0), m_nHandOverTo(0)
{
}

void CCommandLine::Parse()
{
    Parse(AfterProgramName(Platform::CommandLine()));
}

void CCommandLine::Parse(const std::wstring& strArguments)
{
    *this = CCommandLine();
    for (const std::wstring& strArgument : Split(strArguments))
    {
        if (!Take(strArgument))
            m_bValid = FALSE;
        else if (!HasPrefix(strArgument.substr(1), L"HandOver"))
            m_strArguments += L" \"" + strArgument + L"\"";
    }
}

// One switch, "/" or "-", its name in any case; only LOG takes a value.
BOOL CCommandLine::Take(const std::wstring& strArgument)
{
    if (strArgument.size() < 2 || (strArgument[0] != L'/' && strArgument[0] != L'-'))
        return FALSE;
    const std::wstring strSwitch = strArgument.substr(1);
    // The hand-over's own switches: handles in decimal, the way the original writes them,
    // and the original's own file.
    for (ULONG_PTR* pValue : { &m_nHandOverFrom, &m_nHandOverTo })
    {
        LPCWSTR pszPrefix = pValue == &m_nHandOverFrom ? kHandOverFrom : kHandOverTo;
        if (!HasPrefix(strSwitch, pszPrefix))
            continue;
        const std::wstring strValue = strSwitch.substr(Length(pszPrefix));
        if (strValue.empty() || strValue.size() > 10 || strValue.find_first_not_of(L"0123456789") != std::wstring::npos
            || *pValue != 0)
            return FALSE;
        unsigned long long n = 0;
        for (WCHAR ch : strValue)
            n = n * 10 + (ch - L'0');
        if (n == 0 || n > 0x7FFFFFFF)
            return FALSE;
        *pValue = static_cast<ULONG_PTR>(n);
        return TRUE;
    }
    for (std::wstring* pValue : { &m_strOriginalFile, &m_strOriginalHome })
    {
        LPCWSTR pszPrefix = pValue == &m_strOriginalFile ? kHandOverFile : kHandOverHome;
        if (!HasPrefix(strSwitch, pszPrefix))
            continue;
        if (!pValue->empty() || strSwitch.size() == Length(pszPrefix))
            return FALSE;
        *pValue = strSwitch.substr(Length(pszPrefix));
        return TRUE;
    }
    const size_t nEquals = strSwitch.find(L'=');
    const std::wstring strName = strSwitch.substr(0, nEquals);
    if (nEquals != std::wstring::npos)
    {
        if (!SameSwitch(strName, L"LOG") || m_bLog)
            return FALSE;
        size_t nFirst = nEquals + 1;
        size_t nLast = strSwitch.size();
        while (nFirst < nLast && IsBlank(strSwitch[nFirst]))
            ++nFirst;
        while (nLast > nFirst && IsBlank(strSwitch[nLast - 1]))
            --nLast;
        m_strLogPath = strSwitch.substr(nFirst, nLast - nFirst);
        m_bLog = TRUE;
        return !m_strLogPath.empty();
    }
    if (IsAnyOf(strName, { L"S", L"VERYSILENT", L"QUIET", L"QN" }))
        m_bUnattended = TRUE;
    else if (IsAnyOf(strName, { L"SILENT", L"PASSIVE" }))
        m_bUnattended = m_bProgress = TRUE;
    else if (IsAnyOf(strName, { L"SUPPRESSMSGBOXES", L"NORESTART" }))
        ;
    else if (SameSwitch(strName, L"DELETEALBUM") && m_album != kAlbumKeep)
        m_album = kAlbumDelete;
    else if (SameSwitch(strName, L"KEEPALBUM") && m_album != kAlbumDelete)
        m_album = kAlbumKeep;
    else if (SameSwitch(strName, L"LOG") && !m_bLog)
        m_bLog = TRUE;
    else if (SameSwitch(strName, L"?"))
        m_bUsage = TRUE;
    else
        return FALSE;
    return TRUE;
}

// The C runtime's rules: blanks part arguments outside quotes; 2n backslashes before a quote
// are n and the quote toggles quoting, 2n+1 are n and a literal quote; others are literal.
std::vector<std::wstring> CCommandLine::Split(const std::wstring& strArguments)
{
    std::vector<std::wstring> arguments;
    size_t i = 0;
    const size_t n = strArguments.size();
    for (;;)
    {
        while (i < n && IsBlank(strArguments[i]))
            ++i;
        if (i >= n)
            break;
        std::wstring str;
        BOOL bQuoted = FALSE;
        while (i < n && (bQuoted || !IsBlank(strArguments[i])))
        {
            size_t nBackslashes = 0;
            while (i < n && strArguments[i] == L'\\')
            {
                ++nBackslashes;
                ++i;
            }
            if (i < n && strArguments[i] == L'"')
            {
                str.append(nBackslashes / 2, L'\\');
                if (nBackslashes % 2 != 0)
                    str += L'"';
                else if (bQuoted && i + 1 < n && strArguments[i + 1] == L'"')
                    str += L'"', ++i;   // "" inside quotes is a quote, as the runtime reads it
                else
                    bQuoted = !bQuoted;
                ++i;
            }
            else
            {
                str.append(nBackslashes, L'\\');
                if (i < n && (bQuoted || !IsBlank(strArguments[i])))
                    str += strArguments[i++];
            }
        }
        arguments.push_back(str);
    }
    return arguments;
}

// The program's name ends at the first blank outside quotes; backslashes are plain there.
std::wstring CCommandLine::AfterProgramName(const std::wstring& strCommandLine)
{
    size_t i = 0;
    BOOL bQuoted = FALSE;
    while (i < strCommandLine.size() && (bQuoted || !IsBlank(strCommandLine[i])))
    {
        if (strCommandLine[i] == L'"')
            bQuoted = !bQuoted;
        ++i;
    }
    return strCommandLine.substr(i);
}
