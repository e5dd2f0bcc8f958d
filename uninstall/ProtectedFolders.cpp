#include "ProtectedFolders.h"

#include <shlobj.h>

#include "framework/Platform.h"
#include "framework/Wide.h"
#include "uninstall/NtEntries.h"
#include "uninstall/PathRules.h"

using namespace PathRules;
using NtEntries::ResolvedPath;

CProtectedFolders::CProtectedFolders()
{
    static const int kFolders[] = {
        CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS,
        CSIDL_MYPICTURES, CSIDL_COMMON_PICTURES, CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU,
        CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTUP, CSIDL_COMMON_STARTUP,
        CSIDL_PROFILE, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
        CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86,
    };
    WCHAR sz[MAX_PATH];
    for (int nFolder : kFolders)
    {
        if (SUCCEEDED(Platform::SHGetFolderPathW(NULL, nFolder | CSIDL_FLAG_DONT_VERIFY, NULL, SHGFP_TYPE_CURRENT, sz)))
            Add(m_folders, sz);
    }
    // Each of these answers the length it wrote, 0 on failure, more when MAX_PATH is short.
    auto fits = [](UINT n) { return n != 0 && n < MAX_PATH; };
    if (fits(Platform::GetWindowsDirectoryW(sz, MAX_PATH)))
        Add(m_folders, sz);
    if (fits(Platform::GetSystemWindowsDirectoryW(sz, MAX_PATH)))
        Add(m_folders, sz);
    if (fits(Platform::GetSystemDirectoryW(sz, MAX_PATH)))
        Add(m_folders, sz);
    if (fits(Platform::GetSystemWow64DirectoryW(sz, MAX_PATH)))
        Add(m_folders, sz);
    // A 32-bit process is told the 32-bit Program Files; these name the native ones.
    for (LPCWSTR pszName : { L"ProgramW6432", L"CommonProgramW6432", L"ProgramFiles", L"ProgramFiles(x86)" })
    {
        if (fits(Platform::GetEnvironmentVariableW(pszName, sz, MAX_PATH)))
            Add(m_folders, sz);
    }

    DWORD cch = MAX_PATH;
    if (Platform::GetProfilesDirectoryW(sz, &cch))
        Add(m_profileRoots, sz);
    if (SUCCEEDED(Platform::SHGetFolderPathW(NULL, CSIDL_PROFILE | CSIDL_FLAG_DONT_VERIFY, NULL, SHGFP_TYPE_CURRENT, sz)))
        Add(m_profileRoots, ParentPath(sz));
    m_folders.insert(m_folders.end(), m_profileRoots.begin(), m_profileRoots.end());
}

BOOL CProtectedFolders::Covers(const std::wstring& strPath) const
{
    for (const std::wstring& strFolder : m_folders)
    {
        if (SameText(strPath, strFolder) || IsBelow(strPath, strFolder))
            return TRUE;
    }
    std::wstring strParent = ParentPath(strPath);
    for (const std::wstring& strRoot : m_profileRoots)
    {
        if (SameText(strParent, strRoot))
            return TRUE;
    }
    return FALSE;
}

void CProtectedFolders::Add(std::vector<std::wstring>& folders, const std::wstring& strFolder)
{
    if (NamesBelowRoot(strFolder) < 0)
        return;
    folders.push_back(strFolder);
    std::wstring strLong = LongPath(Wide::ExtendedPath(strFolder));
    if (!strLong.empty())
        folders.push_back(PlainPath(strLong));
    std::wstring strResolved = ResolvedPath(strFolder);
    if (!strResolved.empty())
        folders.push_back(strResolved);
}
