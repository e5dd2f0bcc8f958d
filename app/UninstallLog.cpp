#include "UninstallLog.h"

#include <stdio.h>

#include "framework/Platform.h"
#include "framework/String.h"
#include "framework/Wide.h"
#include "res/resource.h"

namespace
{
LPCWSTR StepName(CRemovalListener::EStep step)
{
    switch (step)
    {
    case CRemovalListener::kCompanion: return L"companion program";
    case CRemovalListener::kAlbum: return L"album folder";
    case CRemovalListener::kInstallFolder: return L"installation folder";
    case CRemovalListener::kStartMenu: return L"Start-menu folder";
    case CRemovalListener::kProductKey: return L"product settings";
    case CRemovalListener::kRegistration: return L"uninstall registration";
    case CRemovalListener::kShortcuts: return L"shortcuts";
    }
    return L"?";
}

LPCWSTR OutcomeName(CRemovalListener::EOutcome outcome)
{
    switch (outcome)
    {
    case CRemovalListener::kRemoved: return L"removed";
    case CRemovalListener::kAlreadyGone: return L"already gone";
    case CRemovalListener::kKept: return L"kept";
    case CRemovalListener::kRefused: return L"refused";
    case CRemovalListener::kLeft: return L"not removed";
    case CRemovalListener::kSkipped: return L"nothing to do";
    }
    return L"?";
}

// Encoded here: the code-page conversions of Windows 95 know no UTF-8.
std::string Utf8(const std::wstring& str)
{
    std::string out;
    for (size_t i = 0; i < str.size(); ++i)
    {
        unsigned long c = str[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < str.size() && str[i + 1] >= 0xDC00 && str[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (str[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x80)
        {
            out += static_cast<char>(c);
        }
        else if (c < 0x800)
        {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring Number(unsigned long n)
{
    char sz[16];
    wsprintfA(sz, "%lu", n);
    return std::wstring(sz, sz + lstrlenA(sz));
}

// The system's text for an error, in its own language, without the line break it ends in.
std::wstring ErrorText(DWORD dwError)
{
    char sz[512] = "";
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, dwError, 0, sz,
                               sizeof(sz), NULL);
    while (n > 0 && (sz[n - 1] == '\r' || sz[n - 1] == '\n' || sz[n - 1] == ' '))
        sz[--n] = '\0';
    std::wstring str;
    Wide::FromAnsi(sz, str);
    return str;
}

// The version the program's own resource gives.
std::wstring Version()
{
    HRSRC hInfo = ::FindResourceA(NULL, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));
    HGLOBAL hData = hInfo != NULL ? ::LoadResource(NULL, hInfo) : NULL;
    const BYTE* p = hData != NULL ? static_cast<const BYTE*>(::LockResource(hData)) : NULL;
    const DWORD cb = hInfo != NULL ? ::SizeofResource(NULL, hInfo) : 0;
    for (DWORD i = 0; p != NULL && i + sizeof(VS_FIXEDFILEINFO) <= cb; i += 4)
    {
        const VS_FIXEDFILEINFO* pInfo = reinterpret_cast<const VS_FIXEDFILEINFO*>(p + i);
        if (pInfo->dwSignature == 0xFEEF04BD)
            return Number(HIWORD(pInfo->dwFileVersionMS)) + L"." + Number(LOWORD(pInfo->dwFileVersionMS)) + L"."
                 + Number(HIWORD(pInfo->dwFileVersionLS)) + L"." + Number(LOWORD(pInfo->dwFileVersionLS));
    }
    return L"?";
}

std::wstring PlatformText()
{
    OSVERSIONINFOA osvi;
    ZeroMemory(&osvi, sizeof(osvi));
    osvi.dwOSVersionInfoSize = sizeof(osvi);
    ::GetVersionExA(&osvi);
    std::wstring str = osvi.dwPlatformId == VER_PLATFORM_WIN32_NT ? L"Windows NT " : L"Windows ";
    str += Number(osvi.dwMajorVersion) + L"." + Number(osvi.dwMinorVersion) + L" build "
         + Number(osvi.dwBuildNumber & 0xFFFF);
    BOOL bWow64 = FALSE;
    if (Platform::IsWow64Process(::GetCurrentProcess(), &bWow64) && bWow64)
        str += L", WoW64";
    return str;
}

std::wstring ModulePath()
{
    char sz[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(NULL, sz, MAX_PATH);
    std::wstring str;
    if (n > 0 && n < MAX_PATH)
        Wide::FromAnsi(sz, str);
    return str;
}
}

CUninstallLog::CUninstallLog()
{
}

BOOL CUninstallLog::Open(const std::wstring& strPath)
{
    if (strPath.empty())
        return OpenNumbered();
    m_file = CKernelHandle(Platform::CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, NULL));
    if (!m_file.IsValid())
        return FALSE;
    DWORD dwHigh = 0;
    const DWORD dwSize = ::GetFileSize(m_file.Get(), &dwHigh);
    if (::SetFilePointer(m_file.Get(), 0, NULL, FILE_END) == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR)
    {
        m_file = CKernelHandle();
        return FALSE;
    }
    DWORD cbWritten;
    if (dwSize == 0 && dwHigh == 0)
        ::WriteFile(m_file.Get(), "\xEF\xBB\xBF", 3, &cbWritten, NULL);
    return TRUE;
}

// "Orvalis Uninstall Log 2026-12-08 #001.txt": the first number of the day not yet taken.
BOOL CUninstallLog::OpenNumbered()
{
    WCHAR szTemp[MAX_PATH + 1];
    char szTempA[MAX_PATH + 1];
    std::wstring strTemp;
    if (!Platform::IsWin9x())
    {
        DWORD n = ::GetTempPathW(MAX_PATH + 1, szTemp);
        if (n > 0 && n <= MAX_PATH)
            strTemp.assign(szTemp, n);
    }
    else
    {
        DWORD n = ::GetTempPathA(MAX_PATH + 1, szTempA);
        if (n > 0 && n <= MAX_PATH)
            Wide::FromAnsi(szTempA, strTemp);
    }
    if (strTemp.empty())
        return FALSE;
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    for (int i = 1; i <= 999; ++i)
    {
        char szName[64];
        wsprintfA(szName, "Orvalis Uninstall Log %04u-%02u-%02u #%03d.txt", st.wYear, st.wMonth, st.wDay, i);
        const std::wstring strPath = strTemp + std::wstring(szName, szName + lstrlenA(szName));
        m_file = CKernelHandle(Platform::CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW,
                                                     FILE_ATTRIBUTE_NORMAL, NULL));
        if (m_file.IsValid())
        {
                    DWORD cbWritten;
            ::WriteFile(m_file.Get(), "\xEF\xBB\xBF", 3, &cbWritten, NULL);
            return TRUE;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
            return FALSE;
    }
    return FALSE;
}

void CUninstallLog::Line(const std::wstring& strText)
{
    if (!m_file.IsValid())
        return;
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    char szStamp[32];
    wsprintfA(szStamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u  ", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
              st.wSecond, st.wMilliseconds);
    const std::string strLine = szStamp + Utf8(strText) + "\r\n";
    DWORD cbWritten;
    ::WriteFile(m_file.Get(), strLine.data(), static_cast<DWORD>(strLine.size()), &cbWritten, NULL);
}

void CUninstallLog::Start()
{
    Line(L"OrvalisUninstaller " + Version() + L"; program " + ModulePath() + L"; command line "
         + Platform::CommandLine() + L"; platform " + PlatformText() + L"; user " + Platform::UserName());
}

void CUninstallLog::Finish(const std::wstring& strOutcome, int nExitCode)
{
    Line(L"Outcome: " + strOutcome + L"; exit code " + Number(static_cast<unsigned long>(nExitCode)));
}

void CUninstallLog::Failure(const std::wstring& strWhat, DWORD dwError)
{
    Line(strWhat + L" (error " + Number(dwError) + L": " + ErrorText(dwError) + L")");
}

void CUninstallLog::StepBegun(EStep step)
{
    Line(std::wstring(L"Step begun: ") + StepName(step));
}

void CUninstallLog::StepEnded(EStep step, EOutcome outcome)
{
    // The companion is only started and given its time.
    Line(std::wstring(L"Step ended: ") + StepName(step) + L": "
         + (step == kCompanion ? L"started and waited for" : OutcomeName(outcome)));
}

void CUninstallLog::Folder(const std::wstring& strPath, EOutcome outcome)
{
    Line(std::wstring(L"Folder ") + OutcomeName(outcome) + L": " + strPath);
}

void CUninstallLog::EntryFailed(const std::wstring& strPath, DWORD dwError)
{
    Failure(L"Could not remove " + strPath, dwError);
}
