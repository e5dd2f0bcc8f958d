#include "HandOver.h"

#include <stdlib.h>
#include <string.h>

#include "RestartDeletion9x.h"
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
        // The holds on folder and copy go with this object, the copy having started.
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
        std::wstring strCommandLine = L"\"" + m_copy.Path() + L"\"" + FromAnsi(szArgument);
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
        std::string strCommandLine = std::string("\"") + static_cast<LPCSTR>(strCopy) + "\"" + szArgument;
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
        CRestartDeletion9x::Register({ m_copy.Path(), m_folder.Path() });
        return;
    }
    if (Platform::MoveFileExW(m_copy.Path().c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        Platform::MoveFileExW(m_folder.Path().c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void CHandOver::Abandon()
{
    m_copy.Remove();
    m_folder.Remove();
}
