#include "uninstall/UninstallProcedure.h"

#include <shlobj.h>

#include <string>

#include "framework/KernelHandle.h"
#include "registry/RegistryKey.h"
#include "uninstall/Footprint.h"
#include "uninstall/PathRules.h"
#include "uninstall/ProtectedFolders.h"
#include "uninstall/TreeRemover.h"

namespace
{
const DWORD kCompanionWait = 3000;

// What of the installation folder to spare when the album stays, as a path below it: for an
// album inside, the album itself (the folders on the way stay too, so that the photos never go
// with an ancestor, but their other contents go); for an album elsewhere, the top-level
// sub-folder of the album's own name.
std::wstring KeptPath(const std::wstring& strInstall, const std::wstring& strAlbum)
{
    if (PathRules::IsBelow(strInstall, strAlbum))
    {
        size_t nStart = strInstall.size() + (strInstall[strInstall.size() - 1] == L'\\' ? 0 : 1);
        std::wstring strKeep = strAlbum.substr(nStart);
        while (!strKeep.empty() && strKeep[strKeep.size() - 1] == L'\\')
            strKeep.erase(strKeep.size() - 1);
        return strKeep;
    }
    return strAlbum.substr(strAlbum.rfind(L'\\') + 1);
}

// Skipped when the shell cannot supply the folder: the path would be built from nothing.
// A shortcut that is a link goes as the link: a plain deletion could reach its target.
void DeleteShortcut(HWND hWnd, int nFolder, LPCSTR pszFormat)
{
    char szFolder[MAX_PATH];
    if (!::SHGetSpecialFolderPathA(hWnd, szFolder, nFolder, FALSE))
        return;
    CString strFile;
    strFile.Format(pszFormat, szFolder);
    CTreeRemover::RemoveFile(strFile);
}
}

CUninstallProcedure::CUninstallProcedure(HWND hWnd, BOOL bDeleteAlbum)
    : m_hWnd(hWnd), m_bDeleteAlbum(bDeleteAlbum), m_bNT(FALSE), m_dwMajor(0)
{
    OSVERSIONINFOA osvi;
    ZeroMemory(&osvi, sizeof(osvi));
    osvi.dwOSVersionInfoSize = sizeof(osvi);
    ::GetVersionExA(&osvi);
    m_bNT = osvi.dwPlatformId == VER_PLATFORM_WIN32_NT;
    m_dwMajor = osvi.dwMajorVersion;
}

int CUninstallProcedure::Run()
{
    CProtectedFolders::CSharing sharing;
    int nCount = 0;
    if (ReadFolders())
    {
        nCount += RemoveAlbum() ? 1 : 0;
        nCount += RemoveInstallFolder();
    }
    nCount += RemoveStartMenu() ? 1 : 0;
    nCount += RemoveProductKey() ? 1 : 0;
    nCount += RemoveRegistration() ? 1 : 0;
    DeleteShortcuts();
    return nCount;
}

// The companion is started, and given its time, between the two readings, as it always was.
// FALSE when there is no product key: then there are no folders to remove.
BOOL CUninstallProcedure::ReadFolders()
{
    CRegistryKey product(Footprint::kProductKey);
    if (!product.KeyExists())
        return FALSE;
    m_install.Read(product, Footprint::kInstallFolderValue, m_bNT);
    StartCompanion();
    ::Sleep(kCompanionWait);
    m_album.Read(product, Footprint::kAlbumFolderValue, m_bNT);
    product.Close();
    return TRUE;
}

// Only from a folder that the removal would accept: an empty folder would start
// "\OrvalisKicker.exe" from the root of the current drive, and a root or a system folder may
// hold any program.
void CUninstallProcedure::StartCompanion() const
{
    const CString& strFolder = m_install.Text();
    if (m_install.IsEmpty() || !CTreeRemover::IsRemovablePath(m_install.Path()))
        return;
    CString strApplication = strFolder + Footprint::kCompanionFile;
    char szCommandLine[sizeof(Footprint::kCompanionCommandLine)];
    lstrcpyA(szCommandLine, Footprint::kCompanionCommandLine);
    // The record's size is 68 in the 32-bit build.
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (::CreateProcessA(strApplication, szCommandLine, NULL, NULL, FALSE, CREATE_DEFAULT_ERROR_MODE,
                         NULL, strFolder, &si, &pi))
    {
        CKernelHandle thread(pi.hThread);
        CKernelHandle process(pi.hProcess);
    }
}

// The photos are never risked: an album holding the installation folder (and with it
// whatever lies beside that) is not removed, and one that is the installation folder goes
// with it.
BOOL CUninstallProcedure::RemoveAlbum() const
{
    const std::wstring& strInstall = m_install.Path();
    const std::wstring& strAlbum = m_album.Path();
    if (!m_bDeleteAlbum || strAlbum.empty() || PathRules::IsBelow(strAlbum, strInstall))
        return FALSE;
    if (!strInstall.empty() && PathRules::SameText(strAlbum, strInstall))
        return FALSE;
    return CTreeRemover::RemoveFolder(strAlbum, std::wstring());
}

// Counts two when the album is the installation folder and goes with it. With the box
// cleared the installation folder stays whole when the album is it, holds it, or cannot be
// placed, and then counts nothing.
int CUninstallProcedure::RemoveInstallFolder() const
{
    const std::wstring& strInstall = m_install.Path();
    const std::wstring& strAlbum = m_album.Path();
    if (strInstall.empty())
        return 0;
    const BOOL bAlbumIsInstall = !strAlbum.empty() && PathRules::SameText(strAlbum, strInstall);
    if (m_bDeleteAlbum)
    {
        if (!CTreeRemover::RemoveFolder(strInstall, std::wstring()))
            return 0;
        return bAlbumIsInstall ? 2 : 1;
    }
    const BOOL bAlbumPlaced = m_album.IsKnown() && (m_album.IsEmpty() || !strAlbum.empty());
    const BOOL bAlbumHoldsInstall = !strAlbum.empty() && PathRules::IsBelow(strAlbum, strInstall);
    if (!bAlbumPlaced || bAlbumIsInstall || bAlbumHoldsInstall)
        return 0;
    const std::wstring strKeep = strAlbum.empty() ? std::wstring() : KeptPath(strInstall, strAlbum);
    return CTreeRemover::RemoveFolder(strInstall, strKeep) ? 1 : 0;
}

// 9x and NT 4 keep the Start menu below the Windows folder; NT 5 and later name it through
// the shell.
BOOL CUninstallProcedure::RemoveStartMenu() const
{
    char szPath[MAX_PATH];
    UINT nLen = ::GetWindowsDirectoryA(szPath, 256);
    if (nLen == 0)
        return FALSE;
    // A result of 256 or more means the buffer was too small and holds nothing.
    BOOL bWindowsDir = nLen < 256;
    CString strStartMenu;
    if (!m_bNT && bWindowsDir)
        strStartMenu = CString(szPath) + "\\" + Footprint::kStartMenu9x;
    else if (m_bNT && m_dwMajor < 5 && bWindowsDir)
        strStartMenu = CString(szPath) + "\\" + Footprint::kStartMenuNT4;
    else if (m_bNT && m_dwMajor >= 5 && ::SHGetSpecialFolderPathA(m_hWnd, szPath, CSIDL_COMMON_STARTMENU, FALSE))
        strStartMenu = CString(szPath) + Footprint::kStartMenuNT5;
    return !strStartMenu.IsEmpty() && CTreeRemover::RemoveFolder(strStartMenu, NULL);
}

BOOL CUninstallProcedure::RemoveProductKey() const
{
    CRegistryKey maker(Footprint::kMakerKey);
    // Links below the product key go as links: what they lead to is another's.
    if (m_bNT)
        return maker.DeleteSubTree(Footprint::kProductName);
    // Windows 9x deletes the whole subtree itself.
    if (!maker.KeyExists())
        return FALSE;
    BOOL bDeleted = maker.DeleteSubKey(Footprint::kProductName);
    maker.Close();
    return bDeleted;
}

BOOL CUninstallProcedure::RemoveRegistration() const
{
    CRegistryKey uninstall(Footprint::kUninstallKey);
    if (!uninstall.KeyExists())
        return FALSE;
    BOOL bDeleted = uninstall.DeleteSubKey(Footprint::kProductName);
    uninstall.Close();
    return bDeleted;
}

void CUninstallProcedure::DeleteShortcuts() const
{
    DeleteShortcut(m_hWnd, m_bNT ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY, Footprint::kDesktopShortcut);
    DeleteShortcut(m_hWnd, m_bNT ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP, Footprint::kStartupShortcut);
}
