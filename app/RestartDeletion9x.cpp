#include "RestartDeletion9x.h"

#include <windows.h>

#include "framework/KernelHandle.h"
#include "framework/Wide.h"

namespace
{
BOOL ReadWholeFile(LPCSTR pszFile, std::string& strText)
{
    strText.clear();
    CKernelHandle file(::CreateFileA(pszFile, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    if (!file.IsValid())
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    DWORD cb = ::GetFileSize(file.Get(), NULL);
    if (cb == INVALID_FILE_SIZE)
        return FALSE;
    strText.resize(cb);
    DWORD cbRead = 0;
    return cb == 0 || (::ReadFile(file.Get(), &strText[0], cb, &cbRead, NULL) && cbRead == cb);
}

// The offset just after the line "[rename]" (in any case, blanks around it), or npos.
size_t AfterRenameHead(std::string& strText)
{
    for (size_t at = 0; at < strText.size();)
    {
        size_t end = strText.find('\n', at);
        std::string strLine = strText.substr(at, end == std::string::npos ? end : end - at);
        size_t first = strLine.find_first_not_of(" \t");
        size_t last = strLine.find_last_not_of(" \t\r");
        if (first != std::string::npos && lstrcmpiA(strLine.substr(first, last + 1 - first).c_str(), "[rename]") == 0)
        {
            if (end != std::string::npos)
                return end + 1;
            strText += "\r\n";
            return strText.size();
        }
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return std::string::npos;
}
}

// Each path in its short form, which is what 9x reads there. The key NUL repeats, which the
// profile functions cannot write, so the lines go into the text after the section's head
// and all that the file held stays.
void CRestartDeletion9x::Register(const std::vector<std::wstring>& astrPaths)
{
    std::string strLines;
    for (const std::wstring& strPath : astrPaths)
    {
        char szShort[MAX_PATH];
        DWORD n = ::GetShortPathNameA(Wide::ToAnsi(strPath.c_str()), szShort, MAX_PATH);
        if (n == 0 || n >= MAX_PATH)
            return;
        strLines += std::string("NUL=") + szShort + "\r\n";
    }
    char szWindows[MAX_PATH];
    UINT n = ::GetWindowsDirectoryA(szWindows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    const std::string strFile = std::string(szWindows) + "\\WININIT.INI";
    std::string strText;
    if (!ReadWholeFile(strFile.c_str(), strText))
        return;
    size_t at = AfterRenameHead(strText);
    if (at == std::string::npos)
    {
        if (!strText.empty() && strText.back() != '\n')
            strText += "\r\n";
        strText += "[rename]\r\n";
        at = strText.size();
    }
    strText.insert(at, strLines);
    CKernelHandle file(::CreateFileA(strFile.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    DWORD cbWritten = 0;
    if (file.IsValid())
        ::WriteFile(file.Get(), strText.data(), static_cast<DWORD>(strText.size()), &cbWritten, NULL);
}
