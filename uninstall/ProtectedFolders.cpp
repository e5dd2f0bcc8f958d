// The known-folder interfaces are declared for Vista and later only. They are reached through
// COM at run time and never imported (the import-table test guards that), so this file alone
// sees the later declarations.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600

#include "ProtectedFolders.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <initializer_list>

#include "framework/KeyHandle.h"
#include "framework/Platform.h"
#include "uninstall/Footprint.h"
#include "uninstall/NtEntries.h"
#include "uninstall/PathRules.h"

using namespace PathRules;
using NtEntries::ResolvedPath;

namespace
{
// A shell folder by CSIDL, per user or common, whether or not it exists.
BOOL ShellFolder(int nFolder, std::wstring& strPath)
{
    WCHAR sz[MAX_PATH] = L"";
    if (FAILED(Platform::SHGetFolderPathW(NULL, nFolder | CSIDL_FLAG_DONT_VERIFY, NULL, SHGFP_TYPE_CURRENT, sz)))
        return FALSE;
    strPath = sz;
    return TRUE;
}

// A folder query that answers the length it wrote, 0 on failure and more when MAX_PATH is short.
std::wstring Directory(UINT (*pfn)(LPWSTR, UINT))
{
    WCHAR sz[MAX_PATH];
    UINT n = pfn(sz, MAX_PATH);
    return n != 0 && n < MAX_PATH ? std::wstring(sz) : std::wstring();
}

std::wstring Expanded(const std::wstring& str)
{
    DWORD n = Platform::ExpandEnvironmentStringsW(str.c_str(), NULL, 0);
    if (n == 0)
        return std::wstring();
    std::wstring strExpanded(n, L'\0');
    n = Platform::ExpandEnvironmentStringsW(str.c_str(), &strExpanded[0], n);
    if (n == 0 || n > strExpanded.size())
        return std::wstring();
    strExpanded.resize(n - 1);
    return strExpanded;
}

// A folder as the shell, the registry or the environment spells it, in the form the
// installation folder is compared in: the shell hands out a redirected folder as the user typed
// it ("C:/x/", "%ProgramFiles%\\x", a short name), and Windows accepts all of them. Most come
// in that form already, but for the case of the names, which the comparison ignores: only a
// path with a short name (one with a '~') or another spelling asks the file system.
std::wstring Normal(const std::wstring& strFolder)
{
    const std::wstring strPath =
        PlainPath(strFolder.find(L'%') == std::wstring::npos ? strFolder : Expanded(strFolder));
    if (NamesBelowRoot(strPath) >= 0 && strPath.find(L'~') == std::wstring::npos)
        return strPath;
    return ComparablePath(strPath);
}

// A text value, environment references expanded; empty when missing or of another type.
std::wstring RegText(HKEY hKey, LPCWSTR pszValue)
{
    DWORD dwType = 0;
    DWORD cb = 0;
    if (Platform::RegQueryValueExW(hKey, pszValue, NULL, &dwType, NULL, &cb) != ERROR_SUCCESS
        || (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
        return std::wstring();
    std::wstring str(cb / sizeof(WCHAR) + 1, L'\0');
    if (Platform::RegQueryValueExW(hKey, pszValue, NULL, NULL, reinterpret_cast<BYTE*>(&str[0]), &cb) != ERROR_SUCCESS)
        return std::wstring();
    str.resize(wcsnlen(str.c_str(), cb / sizeof(WCHAR)));
    return dwType == REG_EXPAND_SZ ? Expanded(str) : str;
}

// Both registry views where a 32-bit program runs on 64-bit Windows, else the one there is.
std::vector<REGSAM> RegistryViews()
{
    std::vector<REGSAM> views{ 0 };
    BOOL bWow64 = FALSE;
    if (Platform::IsWow64Process(GetCurrentProcess(), &bWow64) && bWow64)
        views.push_back(KEY_WOW64_64KEY);
    return views;
}

// Calls visit with each sub-key of root\pszPath, in every registry view.
template <class Visit>
void ForEachSubKey(HKEY hRoot, LPCWSTR pszPath, Visit visit)
{
    for (REGSAM view : RegistryViews())
    {
        CKeyHandle parent;
        if (Platform::RegOpenKeyExW(hRoot, pszPath, 0, KEY_READ | view, parent.Receive()) != ERROR_SUCCESS)
            continue;
        WCHAR szName[256];
        for (DWORD i = 0;; ++i)
        {
            DWORD cch = sizeof(szName) / sizeof(szName[0]);
            LONG rc = Platform::RegEnumKeyExW(parent.Get(), i, szName, &cch, NULL, NULL, NULL, NULL);
            if (rc == ERROR_MORE_DATA)
                continue;
            if (rc != ERROR_SUCCESS)
                break;
            CKeyHandle key;
            if (Platform::RegOpenKeyExW(parent.Get(), szName, 0, KEY_READ | view, key.Receive()) == ERROR_SUCCESS)
                visit(key.Get(), std::wstring(szName, cch));
        }
    }
}

// Gathering the list asks the shell and the registry for some hundred folders; a run checks
// several paths, and nothing it does changes what the list holds.
int g_nSharing = 0;
std::shared_ptr<const CProtectedFolders> g_shared;
}

CProtectedFolders::CSharing::CSharing()
{
    ++g_nSharing;
}

CProtectedFolders::CSharing::~CSharing()
{
    if (--g_nSharing == 0)
        g_shared.reset();
}

std::shared_ptr<const CProtectedFolders> CProtectedFolders::Get()
{
    if (g_nSharing == 0)
        return std::make_shared<const CProtectedFolders>();
    if (!g_shared)
        g_shared = std::make_shared<const CProtectedFolders>();
    return g_shared;
}

CProtectedFolders::CProtectedFolders()
{
    AddWindowsFolders();
    AddProfiles();
    AddShellFolders();
    AddUserFolders();
    AddRegisteredPrograms();
}

// Every folder the shell can name, per user and common: each CSIDL it answers and, from
// Vista on, each known folder (the ones without a CSIDL among them: Downloads, Saved Games,
// Contacts and whatever a later version adds).
void CProtectedFolders::AddShellFolders()
{
    std::wstring strPath;
    // A CSIDL is one byte; the bits above it are flags.
    for (int nFolder = 0; nFolder <= 0xFF; ++nFolder)
    {
        if (ShellFolder(nFolder, strPath))
            Add(m_folders, strPath);
    }

    HRESULT hrInit = CoInitialize(NULL);
    IKnownFolderManager* pManager = NULL;
    if (SUCCEEDED(CoCreateInstance(CLSID_KnownFolderManager, NULL, CLSCTX_INPROC_SERVER, IID_IKnownFolderManager,
                                   reinterpret_cast<void**>(&pManager))))
    {
        KNOWNFOLDERID* pIds = NULL;
        UINT nIds = 0;
        if (SUCCEEDED(pManager->GetFolderIds(&pIds, &nIds)))
        {
            for (UINT i = 0; i < nIds; ++i)
            {
                IKnownFolder* pFolder = NULL;
                if (FAILED(pManager->GetFolder(pIds[i], &pFolder)))
                    continue;
                PWSTR pszPath = NULL;
                if (SUCCEEDED(pFolder->GetPath(KF_FLAG_DONT_VERIFY, &pszPath)) && pszPath != NULL)
                    Add(m_folders, pszPath);
                CoTaskMemFree(pszPath);
                pFolder->Release();
            }
            CoTaskMemFree(pIds);
        }
        pManager->Release();
    }
    if (SUCCEEDED(hrInit))
        CoUninitialize();

    WCHAR sz[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, sz);
    if (n != 0 && n < MAX_PATH)
        Add(m_folders, sz);
    // A 32-bit process is told the 32-bit Program Files; these name the native ones.
    for (LPCWSTR pszName : { L"ProgramW6432", L"CommonProgramW6432", L"ProgramFiles", L"ProgramFiles(x86)",
                             L"CommonProgramFiles", L"CommonProgramFiles(x86)" })
    {
        n = Platform::GetEnvironmentVariableW(pszName, sz, MAX_PATH);
        if (n != 0 && n < MAX_PATH)
            Add(m_folders, sz);
    }
}

// The Windows folder and everything in it, but for the Start menu's program folders that 9x
// and NT 4 keep inside it, where the product's own Start-menu folder lies.
void CProtectedFolders::AddWindowsFolders()
{
    const std::wstring strWindows = Directory(Platform::GetWindowsDirectoryW);
    Add(m_systemTrees, strWindows);
    Add(m_systemTrees, Directory(Platform::GetSystemDirectoryW));
    Add(m_systemTrees, Directory(Platform::GetSystemWindowsDirectoryW));
    Add(m_systemTrees, Directory(Platform::GetSystemWow64DirectoryW));
    std::wstring strPath;
    for (int nFolder : { CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86 })
    {
        if (ShellFolder(nFolder, strPath))
            Add(m_systemTrees, strPath);
    }

    for (int nFolder : { CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS })
    {
        if (ShellFolder(nFolder, strPath))
            Add(m_openings, strPath);
    }
    if (!strWindows.empty())
    {
        Add(m_openings, strWindows + L"\\" + Footprint::kPrograms9x);
        Add(m_openings, strWindows + L"\\" + Footprint::kProgramsNT4);
    }
}

// The profiles folder as the platform and the registry name it, and each profile: those the
// registry lists (also outside the profiles folder), the current user's and the shared one.
void CProtectedFolders::AddProfiles()
{
    WCHAR sz[MAX_PATH];
    DWORD cch = MAX_PATH;
    if (Platform::GetProfilesDirectoryW(sz, &cch))
        Add(m_profileRoots, sz);
    std::wstring strPath;
    if (ShellFolder(CSIDL_PROFILE, strPath))
    {
        Add(m_profiles, strPath);
        Add(m_profileRoots, ParentPath(strPath));
    }
    const WCHAR kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    CKeyHandle key;
    if (Platform::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS)
    {
        Add(m_profileRoots, RegText(key.Get(), L"ProfilesDirectory"));
        Add(m_profiles, RegText(key.Get(), L"Public"));
        Add(m_profiles, RegText(key.Get(), L"Default"));
    }
    ForEachSubKey(HKEY_LOCAL_MACHINE, kProfileList, [this](HKEY hKey, const std::wstring&) {
        Add(m_profiles, RegText(hKey, L"ProfileImagePath"));
    });
}

// The current user's folders that lie in the profile, relative to it (AppData\\Local,
// Documents, on XP Local Settings\\Application Data and so on), to be refused in every profile:
// the shell names only the current user's. AppData\\LocalLow is one even where the shell does
// not name it.
void CProtectedFolders::AddUserFolders()
{
    std::wstring strProfile;
    if (!ShellFolder(CSIDL_PROFILE, strProfile) || (strProfile = Normal(strProfile)).empty())
        return;
    m_userFolders.push_back(L"AppData\\LocalLow");
    const size_t nStart = JoinPath(strProfile, L"").size();
    for (const std::wstring& strFolder : m_folders)
    {
        if (IsBelow(strProfile, strFolder))
            m_userFolders.push_back(strFolder.substr(nStart));
    }
}

// Other programs' homes as the system records them: the folders of the programs registered
// to start by name, and the installation folders of the other installed products.
void CProtectedFolders::AddRegisteredPrograms()
{
    for (HKEY hRoot : { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER })
    {
        ForEachSubKey(hRoot, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
                      [this](HKEY hKey, const std::wstring&) {
            std::wstring strProgram = RegText(hKey, NULL);
            if (strProgram.size() >= 2 && strProgram[0] == L'"')
                strProgram = strProgram.substr(1, strProgram.find(L'"', 1) - 1);
            Add(m_folders, ParentPath(Normal(strProgram)));
            const std::wstring strFolders = RegText(hKey, L"Path");
            for (size_t i = 0; i < strFolders.size();)
            {
                size_t j = strFolders.find(L';', i);
                if (j == std::wstring::npos)
                    j = strFolders.size();
                Add(m_folders, strFolders.substr(i, j - i));
                i = j + 1;
            }
        });
        ForEachSubKey(hRoot, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                      [this](HKEY hKey, const std::wstring& strName) {
            // The product's own registration goes after its folders.
            if (!SameText(strName, Footprint::kProductNameW))
                Add(m_folders, RegText(hKey, L"InstallLocation"));
        });
    }
}

BOOL CProtectedFolders::Covers(const std::wstring& strPath) const
{
    for (const std::vector<std::wstring>* pFolders : { &m_folders, &m_systemTrees, &m_profileRoots, &m_profiles })
    {
        for (const std::wstring& strFolder : *pFolders)
        {
            if (SameText(strPath, strFolder) || IsBelow(strPath, strFolder))
                return TRUE;
        }
    }
    auto isOpen = [&strPath](const std::vector<std::wstring>& openings) {
        for (const std::wstring& strOpening : openings)
        {
            if (IsBelow(strOpening, strPath))
                return TRUE;
        }
        return FALSE;
    };
    for (const std::wstring& strTree : m_systemTrees)
    {
        if (IsBelow(strTree, strPath) && !isOpen(m_openings) && !isOpen(m_profileRoots))
            return TRUE;
    }
    // A profile, or a folder directly inside one.
    const std::wstring strParent = ParentPath(strPath);
    const std::wstring strGrandparent = ParentPath(strParent);
    for (const std::wstring& strRoot : m_profileRoots)
    {
        if (SameText(strParent, strRoot) || SameText(strGrandparent, strRoot))
            return TRUE;
    }
    for (const std::wstring& strProfile : m_profiles)
    {
        if (SameText(strParent, strProfile) || HoldsUserFolder(strProfile, strPath))
            return TRUE;
    }
    // Each folder in a profiles folder is a profile, listed or not.
    for (const std::wstring& strRoot : m_profileRoots)
    {
        const size_t n = IsBelow(strRoot, strPath) ? strPath.find(L'\\', strRoot.size() + 1) : std::wstring::npos;
        if (n != std::wstring::npos && HoldsUserFolder(strPath.substr(0, n), strPath))
            return TRUE;
    }
    return FALSE;
}

// strPath is one of the user folders at its place in strProfile, or holds one.
BOOL CProtectedFolders::HoldsUserFolder(const std::wstring& strProfile, const std::wstring& strPath) const
{
    if (!IsBelow(strProfile, strPath))
        return FALSE;
    const std::wstring strRelative = strPath.substr(JoinPath(strProfile, L"").size());
    for (const std::wstring& strFolder : m_userFolders)
    {
        if (SameText(strRelative, strFolder) || IsBelow(strRelative, strFolder))
            return TRUE;
    }
    return FALSE;
}

// Each folder once, in the one form and as it resolves.
void CProtectedFolders::Add(std::vector<std::wstring>& folders, const std::wstring& strFolder)
{
    const std::wstring strPath = Normal(strFolder);
    if (strPath.empty())
        return;
    for (const std::wstring& strKnown : folders)
    {
        if (SameText(strKnown, strPath))
            return;
    }
    folders.push_back(strPath);
    std::wstring strResolved = ResolvedPath(strPath);
    if (!strResolved.empty() && !SameText(strResolved, strPath))
        folders.push_back(strResolved);
}
