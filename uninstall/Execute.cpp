#include "uninstall/PropPage1.h"

#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <algorithm>
#include <string>

#include "framework/KernelHandle.h"
#include "framework/MessageBox.h"
#include "framework/WaitCursor.h"
#include "framework/Wide.h"
#include "registry/RegistryKey.h"
#include "uninstall/Footprint.h"
#include "uninstall/PathRules.h"
#include "uninstall/TreeRemover.h"

namespace
{
const DWORD kKickerWait = 3000;

const char kMsgRunning[] = "オルヴァリスが起動しています。終了させてから実行してください。";
const char kMsgConfirm[] = "ｱﾝｲﾝｽﾄｰﾙを実行します。よろしいですか？";
const char kMsgNothing[] = "削除されているか、削除に失敗しました。";
const char kMsgComplete[] = "完全に削除しました。";
const char kMsgPartial[] = "削除に成功しました。";

const int kCountedSteps = 5;

// Marks a press as running for as long as it runs, also when a file exception ends it.
class CRunning
{
public:
    explicit CRunning(BOOL& bRunning) : m_bRunning(bRunning) { m_bRunning = TRUE; }
    ~CRunning() { m_bRunning = FALSE; }

private:
    CRunning(const CRunning&);
    CRunning& operator=(const CRunning&);
    BOOL& m_bRunning;
};

// A folder value of the product key. On NT the registry holds it in Unicode and the narrow
// reading may have lost characters to the code page ('?', or a best-fit such as e for é):
// it is read wide as well, and a value whose readings differ is not known.
struct SFolderValue
{
    CString strText;       // the narrow reading
    std::wstring strPath;  // the value itself; empty when missing or not known
    BOOL bKnown;
};

void ReadFolderValue(CRegistryKey& key, LPCSTR pszName, BOOL bNT, SFolderValue& value)
{
    value.strText.Empty();
    value.strPath.clear();
    value.bKnown = TRUE;
    BOOL bNarrow = key.GetValue(pszName, value.strText, "");
    if (!bNT)
    {
        // The 9x registry holds code-page text: the narrow reading is the value.
        value.bKnown = Wide::FromAnsi(value.strText, value.strPath);
        return;
    }
    std::wstring strWide, strNarrow;
    LONG lWide = key.GetWideValue(pszName, strWide);
    if (!bNarrow && lWide == ERROR_FILE_NOT_FOUND)
        return;
    if (!bNarrow || lWide != ERROR_SUCCESS || !Wide::FromAnsi(value.strText, strNarrow) || strNarrow != strWide)
    {
        value.bKnown = FALSE;
        return;
    }
    value.strPath = strWide;
}

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

// The top-level sub-folder of the installation folder to spare when the album stays: for an
// album inside, the one that is or holds it, so that the photos never go with their ancestor;
// for an album elsewhere, the one of the album's own name.
std::wstring KeptName(const std::wstring& strInstall, const std::wstring& strAlbum)
{
    if (PathRules::IsBelow(strInstall, strAlbum))
    {
        size_t nStart = strInstall.size() + (strInstall[strInstall.size() - 1] == L'\\' ? 0 : 1);
        size_t nEnd = strAlbum.find(L'\\', nStart);
        return strAlbum.substr(nStart, nEnd == std::wstring::npos ? std::wstring::npos : nEnd - nStart);
    }
    return strAlbum.substr(strAlbum.rfind(L'\\') + 1);
}

// NT takes the names as they are; on 9x a name must be code-page text, and one that is not
// cannot be told apart from the one its narrow form names.
BOOL RemoveFolderAt(BOOL bNT, const std::wstring& strPath, const std::wstring& strKeep)
{
    if (bNT)
        return CTreeRemover::RemoveFolder(strPath, strKeep);
    CString strNarrowPath = Wide::ToAnsi(strPath.c_str());
    CString strNarrowKeep = Wide::ToAnsi(strKeep.c_str());
    std::wstring strBack, strKeepBack;
    if (!Wide::FromAnsi(strNarrowPath, strBack) || strBack != strPath || !Wide::FromAnsi(strNarrowKeep, strKeepBack)
        || strKeepBack != strKeep)
        return FALSE;
    return CPropPage1::RemoveFolder(strNarrowPath, strNarrowKeep);
}

// Removes the album and the installation folder as the check box says; returns how many of
// the two steps count. The photos are never risked: with the box cleared the installation
// folder stays whole when the album is it, holds it, or cannot be placed; with the box
// ticked an album holding the installation folder (and with it whatever lies beside that)
// is not removed. Neither step so left out counts.
int RemoveFolders(BOOL bNT, BOOL bDeleteAlbum, const SFolderValue& install, const SFolderValue& album)
{
    const std::wstring strInstall = ComparablePath(install.strPath);
    const std::wstring strAlbum = ComparablePath(album.strPath);
    const BOOL bAlbumPlaced = album.bKnown && (album.strPath.empty() || !strAlbum.empty());
    const BOOL bAlbumIsInstall = !strAlbum.empty() && !strInstall.empty() && PathRules::SameText(strAlbum, strInstall);
    const BOOL bAlbumHoldsInstall = !strAlbum.empty() && PathRules::IsBelow(strAlbum, strInstall);

    int nCount = 0;
    if (bDeleteAlbum && !strAlbum.empty() && !bAlbumIsInstall && !bAlbumHoldsInstall)
    {
        if (RemoveFolderAt(bNT, strAlbum, std::wstring()))
            nCount = 1;
    }
    if (strInstall.empty())
        return nCount;
    if (bDeleteAlbum)
    {
        // An album that is the installation folder goes with it, once, and counts with it.
        if (RemoveFolderAt(bNT, strInstall, std::wstring()))
            nCount += bAlbumIsInstall ? 2 : 1;
    }
    else if (bAlbumPlaced && !bAlbumIsInstall && !bAlbumHoldsInstall)
    {
        std::wstring strKeep = strAlbum.empty() ? std::wstring() : KeptName(strInstall, strAlbum);
        if (RemoveFolderAt(bNT, strInstall, strKeep))
            ++nCount;
    }
    return nCount;
}

// Only from a folder that the removal would accept: an empty folder would start
// "\OrvalisKicker.exe" from the root of the current drive, and a root or a system folder may
// hold any program.
void LaunchKicker(const CString& strInstallFolder)
{
    if (strInstallFolder.IsEmpty() || !CTreeRemover::IsRemovablePath(strInstallFolder))
        return;
    CString strApplication = strInstallFolder + Footprint::kCompanionFile;
    char szCommandLine[sizeof(Footprint::kCompanionCommandLine)];
    lstrcpyA(szCommandLine, Footprint::kCompanionCommandLine);
    // The record's size is 68 in the 32-bit build.
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (::CreateProcessA(strApplication, szCommandLine, NULL, NULL, FALSE, CREATE_DEFAULT_ERROR_MODE,
                         NULL, strInstallFolder, &si, &pi))
    {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
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

void CPropPage1::OnExecute()
{
    // A press that comes while a run waits in one of its boxes (the second click of a double
    // click) is part of that run; so is one after the run, which disabled the button (Wine
    // delivers a posted click even then).
    if (m_bRunning || !m_btnExecute.IsWindowEnabled())
        return;
    CRunning running(m_bRunning);

    // The sheet that hosts this page is the main dialog's.
    HWND hTab = reinterpret_cast<HWND>(::SendMessageA(::GetParent(m_hWnd), PSM_GETTABCONTROL, 0, 0));
    if (hTab != NULL)
        ::SetFocus(hTab);

    // Held for one press. A run that completes leaves the handle open until the program
    // exits; an early return or a file exception closes it, so that a later press does not
    // mistake our own handle for a running application.
    HANDLE hMutex = ::CreateMutexA(NULL, TRUE, Footprint::kMutexName);
    DWORD dwError = ::GetLastError();
    CKernelHandle mutex(hMutex);
    // Access denied means the mutex exists under another account: the application runs.
    if (hMutex != NULL ? dwError == ERROR_ALREADY_EXISTS : dwError == ERROR_ACCESS_DENIED)
    {
        AfxMessageBox(kMsgRunning, MB_OK);
        return;
    }

    if (AfxMessageBox(kMsgConfirm, MB_YESNO | MB_ICONQUESTION) == IDNO)
        return;

    CWaitCursor wait;
    UpdateData(TRUE);

    OSVERSIONINFOA osvi;
    ZeroMemory(&osvi, sizeof(osvi));
    osvi.dwOSVersionInfoSize = sizeof(osvi);
    ::GetVersionExA(&osvi);
    BOOL bNT = osvi.dwPlatformId == VER_PLATFORM_WIN32_NT;
    DWORD dwMajor = osvi.dwMajorVersion;

    int nCount = 0;
    CRegistryKey product(Footprint::kProductKey);
    if (product.KeyExists())
    {
        SFolderValue install, album;
        ReadFolderValue(product, Footprint::kInstallFolderValue, bNT, install);
        LaunchKicker(install.bKnown ? install.strText : CString());
        ::Sleep(kKickerWait);
        ReadFolderValue(product, Footprint::kAlbumFolderValue, bNT, album);
        nCount += RemoveFolders(bNT, m_bDeleteAlbum, install, album);
        product.Close();
    }

    char szPath[MAX_PATH];
    UINT nLen = ::GetWindowsDirectoryA(szPath, 256);
    if (nLen != 0)
    {
        // A result of 256 or more means the buffer was too small and holds nothing.
        BOOL bWindowsDir = nLen < 256;
        CString strStartMenu;
        if (!bNT && bWindowsDir)
            strStartMenu = CString(szPath) + "\\" + Footprint::kStartMenu9x;
        else if (bNT && dwMajor < 5 && bWindowsDir)
            strStartMenu = CString(szPath) + "\\" + Footprint::kStartMenuNT4;
        else if (bNT && dwMajor >= 5 && ::SHGetSpecialFolderPathA(m_hWnd, szPath, CSIDL_COMMON_STARTMENU, FALSE))
            strStartMenu = CString(szPath) + Footprint::kStartMenuNT5;
        if (!strStartMenu.IsEmpty() && RemoveFolder(strStartMenu, NULL))
            ++nCount;
    }

    if (bNT)
    {
        // Links below the product key go as links: what they lead to is another's.
        CRegistryKey maker(Footprint::kMakerKey);
        if (maker.DeleteSubTree(Footprint::kProductName))
            ++nCount;
    }
    else
    {
        // Windows 9x deletes the whole subtree itself.
        CRegistryKey maker(Footprint::kMakerKey);
        if (maker.KeyExists())
        {
            if (maker.DeleteSubKey(Footprint::kProductName))
                ++nCount;
            maker.Close();
        }
    }

    CRegistryKey uninstall(Footprint::kUninstallKey);
    if (uninstall.KeyExists())
    {
        if (uninstall.DeleteSubKey(Footprint::kProductName))
            ++nCount;
        uninstall.Close();
    }

    DeleteShortcut(m_hWnd, bNT ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY, Footprint::kDesktopShortcut);
    DeleteShortcut(m_hWnd, bNT ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP, Footprint::kStartupShortcut);

    if (nCount == 0)
        AfxMessageBox(kMsgNothing, MB_OK);
    else if (nCount == kCountedSteps)
        AfxMessageBox(kMsgComplete, MB_OK);
    else
        AfxMessageBox(kMsgPartial, MB_OK);

    m_btnExecute.EnableWindow(FALSE);
    // Held until the process exits.
    mutex.Detach();
}


BOOL CPropPage1::RemoveFolder(CString path, LPCSTR keepName)
{
    return CTreeRemover::RemoveFolder(path, keepName);
}

BOOL CPropPage1::RemoveTree(CString name, LPCSTR keepName)
{
    return CTreeRemover::RemoveTree(name, keepName);
}
