#include "uninstall/PropPage1.h"

#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include "framework/MessageBox.h"
#include "framework/WaitCursor.h"
#include "registry/RegistryKey.h"
#include "uninstall/TreeRemover.h"

namespace
{
const char kMutexName[] = "Orvalis@Halvik";
const char kProductKey[] = "Halvik\\Orvalis";
const char kMakerKey[] = "Halvik";
const char kProductName[] = "Orvalis";
const char kUninstallKey[] = "Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kKickerFile[] = "\\OrvalisKicker.exe";
const char kKickerCommandLine[] = "OrvalisKicker.exe -D";
const DWORD kKickerWait = 3000;

const char kStartMenu9x[] = "ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\オルヴァリス";
const char kStartMenuNT4[] = "Profiles\\All Users\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\オルヴァリス";
const char kStartMenuNT5[] = "\\プログラム\\オルヴァリス";
const char kDesktopShortcut[] = "%s\\オルヴァリス.lnk";
const char kStartupShortcut[] = "%s\\オルヴァリス ドライブ監視プログラム.lnk";

const char kMsgRunning[] = "オルヴァリスが起動しています。終了させてから実行してください。";
const char kMsgConfirm[] = "ｱﾝｲﾝｽﾄｰﾙを実行します。よろしいですか？";
const char kMsgNothing[] = "削除されているか、削除に失敗しました。";
const char kMsgComplete[] = "完全に削除しました。";
const char kMsgPartial[] = "削除に成功しました。";

const int kCountedSteps = 5;

// Holds the application mutex for one press. A run that completes leaves the handle open
// until the program exits; an early return or a file exception closes it, so that a later
// press does not mistake our own handle for a running application.
class CMutexHold
{
public:
    explicit CMutexHold(HANDLE h) : m_h(h) {}
    ~CMutexHold() { if (m_h != NULL) CloseHandle(m_h); }
    HANDLE Detach() { HANDLE h = m_h; m_h = NULL; return h; }

private:
    CMutexHold(const CMutexHold&);
    CMutexHold& operator=(const CMutexHold&);
    HANDLE m_h;
};

// Deletes every key below name, deepest first, so that the key itself can then go on NT,
// where a key with sub-keys cannot be deleted.
BOOL DeleteKeyChildren(const CString& name)
{
    CRegistryKey key(name);
    CStringArray* pList = key.EnumSubKeys();
    key.Close();
    if (pList == NULL)
        return TRUE;   // the deletion of the key itself tells whether it could go
    BOOL bOk = TRUE;
    for (int i = 0; i < pList->GetSize(); ++i)
    {
        if (!DeleteKeyChildren(name + "\\" + pList->GetAt(i)) || !key.DeleteSubKey(pList->GetAt(i)))
            bOk = FALSE;
    }
    delete pList;
    return bOk;
}

// The top-level sub-folder of the installation folder to spare when the album stays: the
// album's own name, or, for an album deeper inside, the sub-folder that holds it, so that
// the photos are never removed with their ancestor. Trailing backslashes are not names.
CString KeptName(const CString& strInstallFolder, CString strAlbumFolder)
{
    while (!strAlbumFolder.IsEmpty() && strAlbumFolder.ReverseFind('\\') == strAlbumFolder.GetLength() - 1)
        strAlbumFolder = strAlbumFolder.Left(strAlbumFolder.GetLength() - 1);
    int nInstall = strInstallFolder.GetLength();
    if (nInstall > 0 && strAlbumFolder.GetLength() > nInstall + 1 && strAlbumFolder[nInstall] == '\\'
        && strAlbumFolder.Left(nInstall).CompareNoCase(strInstallFolder) == 0)
    {
        CString strBelow = strAlbumFolder.Mid(nInstall + 1);
        int nSeparator = strBelow.Find('\\');
        return nSeparator < 0 ? strBelow : strBelow.Left(nSeparator);
    }
    return strAlbumFolder.Mid(strAlbumFolder.ReverseFind('\\') + 1);
}

// An empty folder would start "\OrvalisKicker.exe" from the root of the current drive.
void LaunchKicker(const CString& strInstallFolder)
{
    if (strInstallFolder.IsEmpty())
        return;
    CString strApplication = strInstallFolder + kKickerFile;
    char szCommandLine[sizeof(kKickerCommandLine)];
    lstrcpyA(szCommandLine, kKickerCommandLine);
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
    // The sheet that hosts this page is the main dialog's.
    HWND hTab = reinterpret_cast<HWND>(::SendMessageA(::GetParent(m_hWnd), PSM_GETTABCONTROL, 0, 0));
    if (hTab != NULL)
        ::SetFocus(hTab);

    HANDLE hMutex = ::CreateMutexA(NULL, TRUE, kMutexName);
    DWORD dwError = ::GetLastError();
    CMutexHold mutex(hMutex);
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
    CString strInstallFolder;
    CString strAlbumFolder;
    CRegistryKey product(kProductKey);
    if (product.KeyExists())
    {
        product.GetValue("InstallFolder", strInstallFolder, "");
        LaunchKicker(strInstallFolder);
        ::Sleep(kKickerWait);
        product.GetValue("AlbumFolder", strAlbumFolder, "");

        if (!strAlbumFolder.IsEmpty() && m_bDeleteAlbum)
        {
            if (RemoveFolder(strAlbumFolder, NULL))
                nCount = 1;
        }
        if (!strInstallFolder.IsEmpty())
        {
            BOOL bRemoved;
            if (m_bDeleteAlbum)
            {
                bRemoved = RemoveFolder(strInstallFolder, NULL);
            }
            else
            {
                bRemoved = RemoveFolder(strInstallFolder, KeptName(strInstallFolder, strAlbumFolder));
            }
            if (bRemoved)
                ++nCount;
        }
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
            strStartMenu = CString(szPath) + "\\" + kStartMenu9x;
        else if (bNT && dwMajor < 5 && bWindowsDir)
            strStartMenu = CString(szPath) + "\\" + kStartMenuNT4;
        else if (bNT && dwMajor >= 5 && ::SHGetSpecialFolderPathA(m_hWnd, szPath, CSIDL_COMMON_STARTMENU, FALSE))
            strStartMenu = CString(szPath) + kStartMenuNT5;
        if (!strStartMenu.IsEmpty() && RemoveFolder(strStartMenu, NULL))
            ++nCount;
    }

    if (bNT)
    {
        BOOL bOk = DeleteKeyChildren(kProductKey);
        CRegistryKey maker(kMakerKey);
        if (!maker.DeleteSubKey(kProductName))
            bOk = FALSE;
        maker.Close();
        if (bOk)
            ++nCount;
    }
    else
    {
        // Windows 9x deletes the whole subtree itself.
        CRegistryKey maker(kMakerKey);
        if (maker.KeyExists())
        {
            if (maker.DeleteSubKey(kProductName))
                ++nCount;
            maker.Close();
        }
    }

    CRegistryKey uninstall(kUninstallKey);
    if (uninstall.KeyExists())
    {
        if (uninstall.DeleteSubKey(kProductName))
            ++nCount;
        uninstall.Close();
    }

    DeleteShortcut(m_hWnd, bNT ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY, kDesktopShortcut);
    DeleteShortcut(m_hWnd, bNT ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP, kStartupShortcut);

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
