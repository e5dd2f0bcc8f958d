#include "HandOver.h"

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include "framework/KernelHandle.h"
#include "framework/Platform.h"
#include "framework/String.h"
#include "framework/Wide.h"
#include "registry/RegistryKey.h"
#include "uninstall/FolderRecord.h"
#include "uninstall/Footprint.h"
#include "uninstall/PathRules.h"

namespace
{
// The copy's argument: the original's process handle, inherited, in decimal.
const char kWaitSwitch[] = "/HandOverFrom:";
// The original ends as soon as the copy runs, and the removal comes after the user's
// confirmation; a forged handle costs no more than this.
const DWORD kWaitLimitMs = 5000;
const DWORD kFolderAttempts = 100;

std::wstring FromAnsi(LPCSTR psz)
{
    std::wstring str;
    return Wide::FromAnsi(psz, str) ? str : std::wstring();
}

CString Ansi(const std::wstring& str)
{
    return Wide::ToAnsi(str.c_str(), static_cast<int>(str.size()));
}

// The wide functions are stubs on Windows 9x; there the narrow ones answer.
std::wstring ModulePath(BOOL bNT)
{
    if (!bNT)
    {
        char sz[MAX_PATH];
        DWORD n = ::GetModuleFileNameA(NULL, sz, MAX_PATH);
        return n > 0 && n < MAX_PATH ? FromAnsi(sz) : std::wstring();
    }
    std::wstring str(MAX_PATH, L'\0');
    while (str.size() <= 32768)
    {
        DWORD n = ::GetModuleFileNameW(NULL, &str[0], static_cast<DWORD>(str.size()));
        if (n == 0)
            break;
        if (n < str.size())
        {
            str.resize(n);
            return str;
        }
        str.resize(str.size() * 2);
    }
    return std::wstring();
}

std::wstring TempPath(BOOL bNT)
{
    if (!bNT)
    {
        char sz[MAX_PATH];
        DWORD n = ::GetTempPathA(MAX_PATH, sz);
        return n > 0 && n < MAX_PATH ? FromAnsi(sz) : std::wstring();
    }
    WCHAR sz[MAX_PATH + 1];
    DWORD n = ::GetTempPathW(MAX_PATH + 1, sz);
    return n > 0 && n <= MAX_PATH ? std::wstring(sz, n) : std::wstring();
}

// A SID with up to two sub-authorities, laid out as the platform's SID.
struct SWellKnownSid
{
    BYTE Revision;
    BYTE SubAuthorityCount;
    SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
    DWORD SubAuthority[2];
};

const SWellKnownSid kAdministrators = { SID_REVISION, 2, SECURITY_NT_AUTHORITY,
                                        { SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS } };
const SWellKnownSid kSystem = { SID_REVISION, 1, SECURITY_NT_AUTHORITY, { SECURITY_LOCAL_SYSTEM_RID, 0 } };

DWORD SidLength(PSID pSid)
{
    return offsetof(SID, SubAuthority) + sizeof(DWORD) * static_cast<const SID*>(pSid)->SubAuthorityCount;
}

// A folder that only the current user, the administrators and the system may use. Its ACEs
// pass to the files made in it, and the DACL is shielded from the temporary folder's
// inheritable ones. NT 4 has neither inheritance flags nor protection, and needs neither:
// it merges nothing into a DACL given at creation, and a file made in the folder gets the
// user's default DACL.
struct SPrivateAccess
{
    std::vector<BYTE> user;   // TOKEN_USER
    std::vector<BYTE> acl;
    SECURITY_DESCRIPTOR sd;
    SECURITY_ATTRIBUTES sa;
};

BOOL BuildPrivateAccess(SPrivateAccess& access)
{
    HANDLE hToken = NULL;
    if (!Platform::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return FALSE;
    CKernelHandle token(hToken);
    DWORD cb = 0;
    Platform::GetTokenInformation(hToken, TokenUser, NULL, 0, &cb);
    if (cb < sizeof(TOKEN_USER))
        return FALSE;
    access.user.resize(cb);
    if (!Platform::GetTokenInformation(hToken, TokenUser, &access.user[0], cb, &cb))
        return FALSE;

    const PSID apSid[] = { reinterpret_cast<TOKEN_USER*>(&access.user[0])->User.Sid,
                           const_cast<SWellKnownSid*>(&kAdministrators), const_cast<SWellKnownSid*>(&kSystem) };
    DWORD cbAcl = sizeof(ACL);
    for (PSID pSid : apSid)
        cbAcl += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + SidLength(pSid);
    access.acl.resize(cbAcl);
    PACL pAcl = reinterpret_cast<PACL>(&access.acl[0]);
    if (!Platform::InitializeAcl(pAcl, cbAcl, ACL_REVISION))
        return FALSE;
    for (PSID pSid : apSid)
    {
        if (!Platform::AddAccessAllowedAceEx(pAcl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                             FILE_ALL_ACCESS, pSid))
            return FALSE;
    }
    if (!Platform::InitializeSecurityDescriptor(&access.sd, SECURITY_DESCRIPTOR_REVISION) || !Platform::SetSecurityDescriptorDacl(&access.sd, TRUE, pAcl, FALSE))
        return FALSE;
    if (!Platform::SetSecurityDescriptorControl(&access.sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return FALSE;
    access.sa.nLength = sizeof(access.sa);
    access.sa.lpSecurityDescriptor = &access.sd;
    access.sa.bInheritHandle = FALSE;
    return TRUE;
}

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

// Windows 9x deletes at the restart each file and empty folder that WININIT.INI's [rename]
// section pairs with NUL, in its short form. The key NUL repeats, which the profile
// functions cannot write, so the lines go into the text after the section's head and all
// that the file held stays.
void DeleteAtRestart9x(const std::vector<std::wstring>& astrPaths)
{
    std::string strLines;
    for (const std::wstring& strPath : astrPaths)
    {
        char szShort[MAX_PATH];
        DWORD n = ::GetShortPathNameA(Ansi(strPath), szShort, MAX_PATH);
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
}

CHandOver::CHandOver() : m_bNT(!Platform::IsWin9x())
{
    m_strModule = PathRules::ComparablePath(PathRules::PlainPath(ModulePath(m_bNT)));

    // The folders as the removal will see them: a value it would not remove (unknown, or
    // not a full path) holds nothing that needs a way out.
    CRegistryKey product(Footprint::kProductKey);
    if (!product.KeyExists())
        return;
    CFolderRecord folder;
    for (LPCSTR pszValue : { Footprint::kInstallFolderValue, Footprint::kAlbumFolderValue })
    {
        folder.Read(product, pszValue, m_bNT);
        if (!folder.Path().empty())
            m_astrRemoved.push_back(folder.Path());
    }
    product.Close();
}

BOOL CHandOver::Run()
{
    WaitForOriginal();
    if (m_strModule.empty() || !LiesInRemovedFolder(m_strModule))
        return FALSE;
    if (MakePrivateFolder() && PlaceCopy() && StartCopy())
    {
        DeleteAtRestart();
        return TRUE;
    }
    // Nothing is left behind, and the program runs from where it lies, as it always did.
    Abandon();
    return FALSE;
}

// Only a handle to a process counts, and the wait has a limit: a forged argument costs a
// short delay at most. Pseudo-handles are negative and refused.
void CHandOver::WaitForOriginal() const
{
    LPCSTR psz = strstr(::GetCommandLineA(), kWaitSwitch);
    if (psz == NULL)
        return;
    unsigned long ul = strtoul(psz + sizeof(kWaitSwitch) - 1, NULL, 10);
    HANDLE hOriginal = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(ul));
    DWORD dwExitCode = 0;
    if (ul == 0 || ul > 0x7FFFFFFF || !::GetExitCodeProcess(hOriginal, &dwExitCode))
        return;
    CKernelHandle original(hOriginal);
    ::WaitForSingleObject(original.Get(), kWaitLimitMs);
}

BOOL CHandOver::LiesInRemovedFolder(const std::wstring& strPath) const
{
    for (const std::wstring& strFolder : m_astrRemoved)
    {
        if (PathRules::SameText(strFolder, strPath) || PathRules::IsBelow(strFolder, strPath))
            return TRUE;
    }
    return FALSE;
}

// A new folder for each run: an existing one, whoever made it, is never used.
BOOL CHandOver::MakePrivateFolder()
{
    const std::wstring strTemp = PathRules::ComparablePath(TempPath(m_bNT));
    // A temporary folder inside a removed folder offers no way out.
    if (strTemp.empty() || LiesInRemovedFolder(strTemp))
        return FALSE;
    SPrivateAccess access;
    if (m_bNT && !BuildPrivateAccess(access))
        return FALSE;
    const DWORD dwSeed = ::GetTickCount();
    for (DWORD i = 0; i < kFolderAttempts; ++i)
    {
        char szName[48];
        wsprintfA(szName, "OrvalisUninstaller.%lX.%lX", ::GetCurrentProcessId(), dwSeed + i);
        const std::wstring strFolder = PathRules::JoinPath(strTemp, FromAnsi(szName));
        if (m_bNT ? ::CreateDirectoryW(strFolder.c_str(), &access.sa) : ::CreateDirectoryA(Ansi(strFolder), NULL))
        {
            m_strFolder = strFolder;
            return TRUE;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return FALSE;
    }
    return FALSE;
}

BOOL CHandOver::PlaceCopy()
{
    const std::wstring strCopy = PathRules::JoinPath(m_strFolder, m_strModule.substr(m_strModule.rfind(L'\\') + 1));
    if (m_bNT ? !::CopyFileW(Wide::ExtendedPath(m_strModule).c_str(), strCopy.c_str(), TRUE)
              : !::CopyFileA(Ansi(m_strModule), Ansi(strCopy), TRUE))
        return FALSE;
    m_strCopy = strCopy;
    // A read-only copy might outlast the deletion at the restart.
    Platform::SetFileAttributesW(m_strCopy.c_str(), FILE_ATTRIBUTE_NORMAL);
    return TRUE;
}

// The copy gets an inheritable handle to this process, which no other process can give it
// the same way, and starts in its own folder, so that it holds no removed folder open.
BOOL CHandOver::StartCopy() const
{
    HANDLE hSelf = NULL;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &hSelf,
                           SYNCHRONIZE | PROCESS_QUERY_INFORMATION, TRUE, 0))
        return FALSE;
    CKernelHandle self(hSelf);
    char szArgument[48];
    wsprintfA(szArgument, " %s%lu", kWaitSwitch, static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(hSelf)));

    // The copy shows its window the way the user asked this program to.
    STARTUPINFOA own;
    ::GetStartupInfoA(&own);
    PROCESS_INFORMATION pi;
    BOOL bStarted;
    if (m_bNT)
    {
        std::wstring strCommandLine = L"\"" + m_strCopy + L"\"" + FromAnsi(szArgument);
        STARTUPINFOW si;
        ZeroMemory(&si, sizeof(si));
        si.cb = sizeof(si);
        si.dwFlags = own.dwFlags & STARTF_USESHOWWINDOW;
        si.wShowWindow = own.wShowWindow;
        bStarted = ::CreateProcessW(m_strCopy.c_str(), &strCommandLine[0], NULL, NULL, TRUE, 0, NULL,
                                    m_strFolder.c_str(), &si, &pi);
    }
    else
    {
        const CString strCopy = Ansi(m_strCopy);
        std::string strCommandLine = std::string("\"") + static_cast<LPCSTR>(strCopy) + "\"" + szArgument;
        STARTUPINFOA si;
        ZeroMemory(&si, sizeof(si));
        si.cb = sizeof(si);
        si.dwFlags = own.dwFlags & STARTF_USESHOWWINDOW;
        si.wShowWindow = own.wShowWindow;
        bStarted = ::CreateProcessA(strCopy, &strCommandLine[0], NULL, NULL, TRUE, 0, NULL, Ansi(m_strFolder), &si, &pi);
    }
    if (!bStarted)
        return FALSE;
    CKernelHandle thread(pi.hThread);
    CKernelHandle process(pi.hProcess);
    // The user started this program; the copy's window is to come to the front as its would.
    Platform::AllowSetForegroundWindow(pi.dwProcessId);
    return TRUE;
}

// The file first: the folder can only go once it is empty.
void CHandOver::DeleteAtRestart() const
{
    if (!m_bNT)
    {
        DeleteAtRestart9x({ m_strCopy, m_strFolder });
        return;
    }
    if (Platform::MoveFileExW(m_strCopy.c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        Platform::MoveFileExW(m_strFolder.c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void CHandOver::Abandon() const
{
    if (!m_strCopy.empty())
    {
        if (m_bNT)
            ::DeleteFileW(m_strCopy.c_str());
        else
            ::DeleteFileA(Ansi(m_strCopy));
    }
    if (!m_strFolder.empty())
    {
        if (m_bNT)
            ::RemoveDirectoryW(m_strFolder.c_str());
        else
            ::RemoveDirectoryA(Ansi(m_strFolder));
    }
}
