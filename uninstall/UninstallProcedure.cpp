#include "uninstall/UninstallProcedure.h"

#include <shlobj.h>

#include <string>

#include "framework/KernelHandle.h"
#include "framework/Platform.h"
#include "framework/Wide.h"
#include "registry/RegistryKey.h"
#include "uninstall/Footprint.h"
#include "uninstall/PathRules.h"
#include "uninstall/ProtectedFolders.h"
#include "uninstall/TreeRemover.h"

namespace
{
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

// Only "not found" means gone: a folder that cannot be read may still be there.
BOOL IsGone(const std::wstring& strPath)
{
    if (Platform::GetFileAttributesW(Wide::ExtendedPath(strPath).c_str()) != INVALID_FILE_ATTRIBUTES)
        return FALSE;
    DWORD dwError = ::GetLastError();
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

// Skipped when the shell cannot supply the folder: the path would be built from nothing.
// A shortcut that is a link goes as the link: a plain deletion could reach its target.
// FALSE when the shortcut is still there.
BOOL DeleteShortcut(HWND hWnd, int nFolder, LPCSTR pszFormat)
{
    char szFolder[MAX_PATH];
    if (!::SHGetSpecialFolderPathA(hWnd, szFolder, nFolder, FALSE))
        return TRUE;
    CString strFile;
    strFile.Format(pszFormat, szFolder);
    if (CTreeRemover::RemoveFile(strFile))
        return TRUE;
    std::wstring strPath;
    return Wide::FromAnsi(strFile, strPath) && IsGone(strPath);
}

BOOL KeyExists(const CString& strKey)
{
    return CRegistryKey(strKey).KeyExists();
}
}

CUninstallProcedure::CUninstallProcedure(HWND hWnd, BOOL bDeleteAlbum, CRemovalListener* pListener)
    : m_hWnd(hWnd), m_bDeleteAlbum(bDeleteAlbum), m_bNT(FALSE), m_dwMajor(0), m_pListener(pListener),
      m_bComplete(FALSE)
{
    OSVERSIONINFOA osvi;
    ZeroMemory(&osvi, sizeof(osvi));
    osvi.dwOSVersionInfoSize = sizeof(osvi);
    ::GetVersionExA(&osvi);
    m_bNT = osvi.dwPlatformId == VER_PLATFORM_WIN32_NT;
    m_dwMajor = osvi.dwMajorVersion;
}

BOOL CUninstallProcedure::ClaimApplication(CKernelHandle& mutex)
{
    HANDLE hMutex = ::CreateMutexA(NULL, TRUE, Footprint::kMutexName);
    DWORD dwError = ::GetLastError();
    mutex = CKernelHandle(hMutex);
    // Access denied means the mutex exists under another account: the application runs.
    return hMutex != NULL ? dwError != ERROR_ALREADY_EXISTS : dwError != ERROR_ACCESS_DENIED;
}

// A partial removal can be run again: the product key, which names the folders, and the
// registration, which offers the uninstall, stay while a folder that was to go is still there.
int CUninstallProcedure::Run()
{
    // One protected list for the run's checks, and the tree removal tells the listener too.
    CProtectedFolders::CSharing sharing;
    CTreeRemover::CReporting reporting(m_pListener);
    m_bComplete = TRUE;
    int nCount = 0;
    BOOL bFoldersGone = TRUE;
    const BOOL bInstalled = ReadFolders();
    if (bInstalled)
    {
        Begun(CRemovalListener::kAlbum);
        const CRemovalListener::EOutcome album = RemoveAlbum();
        nCount += Ended(CRemovalListener::kAlbum, album) ? 1 : 0;
        Begun(CRemovalListener::kInstallFolder);
        const CRemovalListener::EOutcome install = RemoveInstallFolder();
        if (Ended(CRemovalListener::kInstallFolder, install))
        {
            // An album that is the installation folder went with it, and counts with it.
            const BOOL bAlbumWent = m_bDeleteAlbum && !m_album.Path().empty()
                                 && PathRules::SameText(m_album.Path(), m_install.Path());
            nCount += bAlbumWent ? 2 : 1;
        }
        // Refused and kept folders would stay in any later run too: only a folder that could
        // not be removed keeps the record. The installation kept whole for the album is left.
        bFoldersGone = album != CRemovalListener::kLeft && install != CRemovalListener::kLeft;
        if (install == CRemovalListener::kKept)
            m_bComplete = FALSE;
    }
    Begun(CRemovalListener::kStartMenu);
    nCount += Ended(CRemovalListener::kStartMenu, RemoveStartMenu(bInstalled)) ? 1 : 0;
    Begun(CRemovalListener::kProductKey);
    nCount += Ended(CRemovalListener::kProductKey, bFoldersGone ? RemoveProductKey() : CRemovalListener::kKept) ? 1 : 0;
    Begun(CRemovalListener::kRegistration);
    nCount += Ended(CRemovalListener::kRegistration, bFoldersGone ? RemoveRegistration() : CRemovalListener::kKept)
            ? 1 : 0;
    Begun(CRemovalListener::kShortcuts);
    Ended(CRemovalListener::kShortcuts, DeleteShortcuts());
    return nCount;
}

void CUninstallProcedure::Begun(CRemovalListener::EStep step) const
{
    if (m_pListener != NULL)
        m_pListener->StepBegun(step);
}

BOOL CUninstallProcedure::Ended(CRemovalListener::EStep step, CRemovalListener::EOutcome outcome)
{
    if (m_pListener != NULL)
        m_pListener->StepEnded(step, outcome);
    if (outcome == CRemovalListener::kLeft || outcome == CRemovalListener::kRefused)
        m_bComplete = FALSE;
    return outcome == CRemovalListener::kRemoved || outcome == CRemovalListener::kAlreadyGone;
}

// The companion is started, and given its time, between the two readings, as it always was.
// FALSE when there is no product key: then there are no folders to remove.
BOOL CUninstallProcedure::ReadFolders()
{
    CRegistryKey product(Footprint::kProductKey);
    if (!product.KeyExists())
        return FALSE;
    m_install.Read(product, Footprint::kInstallFolderValue, m_bNT);
    Begun(CRemovalListener::kCompanion);
    StartCompanion();
    ::Sleep(kCompanionWaitMs);
    Ended(CRemovalListener::kCompanion, CRemovalListener::kRemoved);
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
// with it. An album value that cannot be placed is refused rather than guessed at.
CRemovalListener::EOutcome CUninstallProcedure::RemoveAlbum() const
{
    const std::wstring& strInstall = m_install.Path();
    const std::wstring& strAlbum = m_album.Path();
    if (!m_bDeleteAlbum)
        return CRemovalListener::kKept;
    if (m_album.IsKnown() && m_album.IsEmpty())
        return CRemovalListener::kSkipped;
    if (strAlbum.empty() || PathRules::IsBelow(strAlbum, strInstall))
        return CRemovalListener::kRefused;
    if (!strInstall.empty() && PathRules::SameText(strAlbum, strInstall))
        return CRemovalListener::kSkipped;
    return RemoveFolder(strAlbum, std::wstring());
}

// Counts two, in Run, when the album is the installation folder and goes with it. With the
// box cleared the installation folder stays whole when the album is it, holds it, or cannot
// be placed.
CRemovalListener::EOutcome CUninstallProcedure::RemoveInstallFolder() const
{
    const std::wstring& strInstall = m_install.Path();
    const std::wstring& strAlbum = m_album.Path();
    if (strInstall.empty())
        return m_install.IsKnown() && m_install.IsEmpty() ? CRemovalListener::kSkipped : CRemovalListener::kRefused;
    if (m_bDeleteAlbum)
        return RemoveFolder(strInstall, std::wstring());
    const BOOL bAlbumPlaced = m_album.IsKnown() && (m_album.IsEmpty() || !strAlbum.empty());
    const BOOL bAlbumIsInstall = !strAlbum.empty() && PathRules::SameText(strAlbum, strInstall);
    const BOOL bAlbumHoldsInstall = !strAlbum.empty() && PathRules::IsBelow(strAlbum, strInstall);
    if (!bAlbumPlaced || bAlbumIsInstall || bAlbumHoldsInstall)
    {
        if (m_pListener != NULL)
            m_pListener->Folder(strInstall, CRemovalListener::kKept);
        return CRemovalListener::kKept;
    }
    const std::wstring strKeep = strAlbum.empty() ? std::wstring() : KeptPath(strInstall, strAlbum);
    return RemoveFolder(strInstall, strKeep);
}

// A folder that is no longer there counts as removed, so that a run after a partial one
// completes; a refused one is told apart from one that could not be removed.
CRemovalListener::EOutcome CUninstallProcedure::RemoveFolder(const std::wstring& strPath,
                                                             const std::wstring& strKeep) const
{
    CRemovalListener::EOutcome outcome;
    if (CTreeRemover::RemoveFolder(strPath, strKeep))
        outcome = strKeep.empty() ? CRemovalListener::kRemoved : CRemovalListener::kKept;
    else if (IsGone(strPath))
        outcome = CRemovalListener::kAlreadyGone;
    else if (!CTreeRemover::IsRemovablePath(strPath))
        outcome = CRemovalListener::kRefused;
    else
        outcome = CRemovalListener::kLeft;
    if (m_pListener != NULL)
        m_pListener->Folder(strPath, outcome);
    // The folder kept around the album counts as its step done.
    return outcome == CRemovalListener::kKept ? CRemovalListener::kRemoved : outcome;
}

// 9x and NT 4 keep the Start menu below the Windows folder; NT 5 and later name it through
// the shell.
CRemovalListener::EOutcome CUninstallProcedure::RemoveStartMenu(BOOL bInstalled) const
{
    char szPath[MAX_PATH];
    UINT nLen = ::GetWindowsDirectoryA(szPath, 256);
    if (nLen == 0)
        return CRemovalListener::kLeft;
    // A result of 256 or more means the buffer was too small and holds nothing.
    BOOL bWindowsDir = nLen < 256;
    CString strStartMenu;
    if (!m_bNT && bWindowsDir)
        strStartMenu = CString(szPath) + "\\" + Footprint::kStartMenu9x;
    else if (m_bNT && m_dwMajor < 5 && bWindowsDir)
        strStartMenu = CString(szPath) + "\\" + Footprint::kStartMenuNT4;
    else if (m_bNT && m_dwMajor >= 5 && ::SHGetSpecialFolderPathA(m_hWnd, szPath, CSIDL_COMMON_STARTMENU, FALSE))
        strStartMenu = CString(szPath) + Footprint::kStartMenuNT5;
    if (strStartMenu.IsEmpty())
        return CRemovalListener::kLeft;
    if (CTreeRemover::RemoveFolder(strStartMenu, NULL))
        return CRemovalListener::kRemoved;
    // Gone already counts only for an installation still on record (a run after a partial
    // one): with nothing installed, nothing was removed.
    std::wstring strPath;
    if (!Wide::FromAnsi(strStartMenu, strPath) || !IsGone(strPath))
        return CRemovalListener::kLeft;
    return bInstalled ? CRemovalListener::kAlreadyGone : CRemovalListener::kSkipped;
}

CRemovalListener::EOutcome CUninstallProcedure::RemoveProductKey() const
{
    CRegistryKey maker(Footprint::kMakerKey);
    BOOL bDeleted;
    // Links below the product key go as links: what they lead to is another's.
    if (m_bNT)
    {
        bDeleted = maker.DeleteSubTree(Footprint::kProductName);
    }
    else
    {
        // Windows 9x deletes the whole subtree itself.
        bDeleted = maker.KeyExists() && maker.DeleteSubKey(Footprint::kProductName);
        maker.Close();
    }
    if (bDeleted)
        return CRemovalListener::kRemoved;
    return KeyExists(Footprint::kProductKey) ? CRemovalListener::kLeft : CRemovalListener::kSkipped;
}

CRemovalListener::EOutcome CUninstallProcedure::RemoveRegistration() const
{
    CRegistryKey uninstall(Footprint::kUninstallKey);
    if (!uninstall.KeyExists())
        return CRemovalListener::kSkipped;
    BOOL bDeleted = uninstall.DeleteSubKey(Footprint::kProductName);
    uninstall.Close();
    if (bDeleted)
        return CRemovalListener::kRemoved;
    return KeyExists(CString(Footprint::kUninstallKey) + "\\" + Footprint::kProductName) ? CRemovalListener::kLeft
                                                                                       : CRemovalListener::kSkipped;
}

CRemovalListener::EOutcome CUninstallProcedure::DeleteShortcuts() const
{
    BOOL bGone = DeleteShortcut(m_hWnd, m_bNT ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY,
                                Footprint::kDesktopShortcut);
    bGone = DeleteShortcut(m_hWnd, m_bNT ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP, Footprint::kStartupShortcut) && bGone;
    return bGone ? CRemovalListener::kRemoved : CRemovalListener::kLeft;
}
