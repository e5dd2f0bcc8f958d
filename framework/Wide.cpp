#include "Wide.h"

#include <wchar.h>

BOOL Wide::FromAnsi(LPCSTR psz, std::wstring& str)
{
    str.clear();
    if (psz == NULL || *psz == '\0')
        return TRUE;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, psz, -1, NULL, 0);
    if (n <= 0)
        return FALSE;
    str.resize(n);
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, psz, -1, &str[0], n);
    str.resize(n - 1);
    return TRUE;
}

CString Wide::ToAnsi(LPCWSTR psz, int nLength)
{
    CString str;
    if (nLength < 0)
        nLength = static_cast<int>(wcslen(psz));
    if (nLength == 0)
        return str;
    int n = WideCharToMultiByte(CP_ACP, 0, psz, nLength, NULL, 0, NULL, NULL);
    if (n <= 0)
        return str;
    LPSTR p = str.GetBuffer(n);
    WideCharToMultiByte(CP_ACP, 0, psz, nLength, p, n, NULL, NULL);
    str.ReleaseBuffer(n);
    return str;
}

std::wstring Wide::ExtendedPath(const std::wstring& strPath)
{
    if (strPath.compare(0, 4, L"\\\\?\\") == 0)
        return strPath;
    if (strPath.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + strPath.substr(2);
    return L"\\\\?\\" + strPath;
}
