#include "HandOver.h"

#include "CommandLine.h"
#include "RestartDeletion9x.h"
#include "UninstallLog.h"
#include "framework/KernelHandle.h"
#include "framework/Platform.h"
#include "framework/String.h"
#include "framework/Wide.h"
#include "registry/RegistryKey.h"
#include "uninstall/FolderRecord.h"
#include "uninstall/Footprint.h"
#include "uninstall/PathRules.h"
#include "uninstall/TreeRemover.h"

namespace
{
// The copy's arguments: the original's process handle and the answer pipe's writing end,
// both inherited, in decimal, and the original's file.
const char kFromSwitch[] = "/HandOverFrom:";
const char kToSwitch[] = "/HandOverTo:";
const WCHAR kFileSwitch[] = L"/HandOverFile:";
const WCHAR kHomeSwitch[] = L"/HandOverHome:";
// A copy without an answer pipe was started by no original of this version: a forged
// handle costs no more than this.
const DWORD kWaitLimitMs = 5000;
// The original's file is released a moment after the original ends.
const DWORD kReleaseAttempts = 50;
const DWORD kReleasePauseMs = 100;

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
}

CHandOver::CHandOver(const CCommandLine& commandLine) : m_bNT(!Platform::IsWin9x())
{
    // Only handles that name what they are meant to count: a process, and a pipe's end.
    DWORD dwExitCode = 0;
    HANDLE hOriginal = reinterpret_cast<HANDLE>(commandLine.HandOverFrom());
    if (hOriginal != NULL && ::GetExitCodeProcess(hOriginal, &dwExitCode))
        m_hOriginal = CKernelHandle(hOriginal);
    HANDLE hAnswerTo = reinterpret_cast<HANDLE>(commandLine.HandOverTo());
    if (m_hOriginal.IsValid() && hAnswerTo != NULL && ::GetFileType(hAnswerTo) == FILE_TYPE_PIPE)
    {
        m_hAnswerTo = CKernelHandle(hAnswerTo);
        m_strOriginalFile = PathRules::ComparablePath(commandLine.OriginalFile());
        m_strOriginalHome = PathRules::ComparablePath(commandLine.OriginalHome());
    }

    m_strModule = PathRules::ComparablePath(PathRules::PlainPath(ModulePath(m_bNT)));
    // The original's file lies beside this copy, where only the original put it.
    if (!m_strOriginalFile.empty()
        && !PathRules::SameText(PathRules::ParentPath(m_strOriginalFile), PathRules::ParentPath(m_strModule)))
        m_strOriginalFile.clear();

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

BOOL CHandOver::Run(const std::wstring& strArguments)
{
    WaitForOriginal();
    // The original's home is restored only inside a folder the removal works on.
    if (!m_strOriginalHome.empty() && !LiesInRemovedFolder(m_strOriginalHome))
        m_strOriginalHome.clear();
    if (m_hOriginal.IsValid() || m_strModule.empty() || !LiesInRemovedFolder(m_strModule))
        return FALSE;
    if (MakePrivateFolder() && PlaceCopy() && MoveAside() && StartCopy(strArguments))
    {
        // The holds on folder and copy go with this object, the copy having started. This
        // process waits on, and its working folder must not hold a removed one open.
        DeleteAtRestart();
        if (m_bNT)
            ::SetCurrentDirectoryW(m_folder.Path().c_str());
        else
            ::SetCurrentDirectoryA(Ansi(m_folder.Path()));
        return TRUE;
    }
    // Nothing is left behind, and the program runs from where it lies, as it always did.
    MoveBack(m_strMoved, m_strModule);
    Abandon();
    return FALSE;
}

// On NT a running program's file can be renamed within its volume: moved into the private
// folder it no longer holds the installation folder, and the copy removes the whole of it.
// Where it cannot be moved (9x, another volume) the copy waits for this process to end.
BOOL CHandOver::MoveAside()
{
    if (!m_bNT)
        return TRUE;
    const std::wstring strName = m_strModule.substr(m_strModule.rfind(L'\\') + 1);
    const std::wstring strMoved = PathRules::JoinPath(m_folder.Path(), L"original-" + strName);
    if (Platform::MoveFileExW(Wide::ExtendedPath(m_strModule).c_str(), Wide::ExtendedPath(strMoved).c_str(), 0))
        m_strMoved = strMoved;
    return TRUE;
}

// Each folder on the way made again where the removal took it.
BOOL CHandOver::MoveBack(const std::wstring& strFrom, const std::wstring& strTo)
{
    if (strFrom.empty() || strTo.empty())
        return FALSE;
    std::vector<std::wstring> astrFolders;
    for (std::wstring strFolder = PathRules::ParentPath(strTo); PathRules::NamesBelowRoot(strFolder) > 0;
         strFolder = PathRules::ParentPath(strFolder))
        astrFolders.insert(astrFolders.begin(), strFolder);
    for (const std::wstring& strFolder : astrFolders)
        ::CreateDirectoryW(Wide::ExtendedPath(strFolder).c_str(), NULL);
    return Platform::MoveFileExW(Wide::ExtendedPath(strFrom).c_str(), Wide::ExtendedPath(strTo).c_str(), 0);
}

// A copy that answers its original runs at once: the original waits for it. One started
// without an answer pipe waits, within a limit, for its starter to end.
void CHandOver::WaitForOriginal()
{
    if (!m_hOriginal.IsValid() || m_hAnswerTo.IsValid())
        return;
    ::WaitForSingleObject(m_hOriginal.Get(), kWaitLimitMs);
    m_hOriginal = CKernelHandle();
}

int CHandOver::WaitForCopy()
{
    DWORD dwCode = 0;
    // A copy that waits for this process to end has no answer to give.
    if (!m_hAnswer.IsValid())
        return 0;
    DWORD cbRead = 0;
    if (::ReadFile(m_hAnswer.Get(), &dwCode, sizeof(dwCode), &cbRead, NULL) && cbRead == sizeof(dwCode))
        return static_cast<int>(dwCode);
    // The copy ended without an answer (it was ended from outside, say): its own code tells.
    ::WaitForSingleObject(m_hCopy.Get(), INFINITE);
    if (!::GetExitCodeProcess(m_hCopy.Get(), &dwCode))
        dwCode = 1603;
    return static_cast<int>(dwCode);
}

void CHandOver::Finish(int nExitCode, BOOL bComplete, CUninstallLog& log)
{
    if (!m_hAnswerTo.IsValid())
        return;
    // An incomplete removal can be run again from where the registration points.
    if (!bComplete && !m_strOriginalFile.empty() && !m_strOriginalHome.empty())
    {
        if (MoveBack(m_strOriginalFile, m_strOriginalHome))
            m_strOriginalFile.clear();
        else
            log.Failure(L"Could not put back " + m_strOriginalHome, ::GetLastError());
    }
    DWORD dwCode = static_cast<DWORD>(nExitCode);
    DWORD cbWritten = 0;
    ::WriteFile(m_hAnswerTo.Get(), &dwCode, sizeof(dwCode), &cbWritten, NULL);
    m_hAnswerTo = CKernelHandle();
    if (m_strOriginalFile.empty())
        return;
    // The original's file, registered for the restart by the original, goes now if it can.
    ::WaitForSingleObject(m_hOriginal.Get(), INFINITE);
    for (DWORD i = 0; i < kReleaseAttempts; ++i)
    {
        if (::DeleteFileW(Wide::ExtendedPath(m_strOriginalFile).c_str()))
            return;
        ::Sleep(kReleasePauseMs);
    }
    log.Failure(L"Deleted at the next restart: " + m_strOriginalFile, ::GetLastError());
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

BOOL CHandOver::MakePrivateFolder()
{
    const std::wstring strTemp = PathRules::ComparablePath(TempPath(m_bNT));
    // A temporary folder inside a removed folder offers no way out.
    return !strTemp.empty() && !LiesInRemovedFolder(strTemp) && m_folder.Make(strTemp, "OrvalisUninstaller");
}

BOOL CHandOver::PlaceCopy()
{
    const std::wstring strName = m_strModule.substr(m_strModule.rfind(L'\\') + 1);
    return m_copy.Place(m_strModule, PathRules::JoinPath(m_folder.Path(), strName));
}

// The copy gets an inheritable handle to this process, which no other process can give it
// the same way, and starts in its own folder, so that it holds no removed folder open.
BOOL CHandOver::StartCopy(const std::wstring& strArguments)
{
    HANDLE hSelf = NULL;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &hSelf,
                           SYNCHRONIZE | PROCESS_QUERY_INFORMATION, TRUE, 0))
        return FALSE;
    CKernelHandle self(hSelf);
    char szArgument[80];
    wsprintfA(szArgument, " %s%lu", kFromSwitch, static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(hSelf)));
    std::wstring strTail = FromAnsi(szArgument);
    // A copy whose original's file is out of the way answers through a pipe; only the writing
    // end is inherited, so that the reading one ends without an answer when the copy is gone.
    CKernelHandle write;
    if (!m_strMoved.empty())
    {
        SECURITY_ATTRIBUTES sa = { sizeof(sa), NULL, TRUE };
        HANDLE hRead = NULL;
        HANDLE hWrite = NULL;
        if (!::CreatePipe(&hRead, &hWrite, &sa, 0))
            return FALSE;
        CKernelHandle read(hRead);
        write = CKernelHandle(hWrite);
        HANDLE hReadOwn = NULL;
        if (!::DuplicateHandle(::GetCurrentProcess(), hRead, ::GetCurrentProcess(), &hReadOwn, 0, FALSE,
                               DUPLICATE_SAME_ACCESS))
            return FALSE;
        m_hAnswer = CKernelHandle(hReadOwn);
        wsprintfA(szArgument, " %s%lu", kToSwitch, static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(hWrite)));
        strTail += FromAnsi(szArgument) + L" \"" + kFileSwitch + m_strMoved + L"\" \"" + kHomeSwitch + m_strModule
                 + L"\"";
    }
    strTail += strArguments;

    // The copy shows its window the way the user asked this program to.
    STARTUPINFOA own;
    ::GetStartupInfoA(&own);
    PROCESS_INFORMATION pi;
    BOOL bStarted;
    if (m_bNT)
    {
        std::wstring strCommandLine = L"\"" + m_copy.Path() + L"\"" + strTail;
        STARTUPINFOW si;
        ZeroMemory(&si, sizeof(si));
        si.cb = sizeof(si);
        si.dwFlags = own.dwFlags & STARTF_USESHOWWINDOW;
        si.wShowWindow = own.wShowWindow;
        bStarted = ::CreateProcessW(m_copy.Path().c_str(), &strCommandLine[0], NULL, NULL, TRUE, 0, NULL,
                                    m_folder.Path().c_str(), &si, &pi);
    }
    else
    {
        const CString strCopy = Ansi(m_copy.Path());
        std::string strCommandLine = std::string("\"") + static_cast<LPCSTR>(strCopy) + "\"" + static_cast<LPCSTR>(Ansi(strTail));
        STARTUPINFOA si;
        ZeroMemory(&si, sizeof(si));
        si.cb = sizeof(si);
        si.dwFlags = own.dwFlags & STARTF_USESHOWWINDOW;
        si.wShowWindow = own.wShowWindow;
        bStarted = ::CreateProcessA(strCopy, &strCommandLine[0], NULL, NULL, TRUE, 0, NULL, Ansi(m_folder.Path()), &si, &pi);
    }
    if (!bStarted)
        return FALSE;
    CKernelHandle thread(pi.hThread);
    m_hCopy = CKernelHandle(pi.hProcess);
    // The user started this program; the copy's window is to come to the front as its would.
    Platform::AllowSetForegroundWindow(pi.dwProcessId);
    return TRUE;
}

// The file first: the folder can only go once it is empty.
void CHandOver::DeleteAtRestart() const
{
    if (!m_bNT)
    {
        CRestartDeletion9x::Register({ m_copy.Path(), m_folder.Path() });
        return;
    }
    if (!m_strMoved.empty())
        Platform::MoveFileExW(m_strMoved.c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (Platform::MoveFileExW(m_copy.Path().c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        Platform::MoveFileExW(m_folder.Path().c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void CHandOver::Abandon()
{
    m_copy.Remove();
    m_folder.Remove();
}
