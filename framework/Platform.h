#pragma once

#include <windows.h>
#include <winternl.h>

#include <string>

// What the program needs of Windows versions later than 95 and NT 4, in one place. The program
// imports only what those two export, so that it loads everywhere; each later function is
// looked up once, at its first call, and where the system lacks it the call falls back on an
// older way to the same result (or fails as the later function would, where none exists).
// The classic wide functions also work on 9x here, where the system's own are stubs: the call
// goes to the narrow function, with the names converted (a name the code page cannot hold fails).
namespace Platform
{
    // Windows 95, 98 and Me: no links, no NT calls, the wide functions are stubs.
    BOOL IsWin9x();
    // Takes the program's and the current folder out of the search for libraries, where the
    // system can (PlatformLoad.cpp); the first thing the program does.
    void RestrictDllSearch();

    // The later functions' own types; the product is compiled with the headers of NT 4.
    enum FileInfoClass
    {
        kFileBasicInfo = 0,
        kFileDispositionInfo = 4,
        kFileAttributeTagInfo = 9
    };
    struct FileBasicInfo
    {
        LARGE_INTEGER CreationTime;
        LARGE_INTEGER LastAccessTime;
        LARGE_INTEGER LastWriteTime;
        LARGE_INTEGER ChangeTime;
        DWORD FileAttributes;
    };
    struct FileDispositionInfo
    {
        BOOLEAN DeleteFile;
    };
    struct FileAttributeTagInfo
    {
        DWORD FileAttributes;
        DWORD ReparseTag;
    };
    const DWORD kFileNameNormalized = 0x0;   // with VOLUME_NAME_DOS, also 0
    const DWORD kFindExInfoBasic = 1;
    const DWORD kFindFirstExLargeFetch = 2;

    // Kernel32, later functions (the fallbacks, where the system lacks one, are in the
    // definitions). Names and handles (Platform.cpp):
    int CompareStringOrdinal(LPCWSTR a, int cchA, LPCWSTR b, int cchB, BOOL bIgnoreCase);
    DWORD GetFinalPathNameByHandleW(HANDLE h, LPWSTR pszPath, DWORD cchPath, DWORD dwFlags);
    BOOL GetFileInformationByHandleEx(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo);
    BOOL SetFileInformationByHandle(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo);
    // Files by name (PlatformFiles.cpp):
    DWORD GetLongPathNameW(LPCWSTR pszShort, LPWSTR pszLong, DWORD cchLong);
    BOOL GetFileAttributesExW(LPCWSTR pszName, GET_FILEEX_INFO_LEVELS level, LPVOID pData);
    HANDLE FindFirstFileExW(LPCWSTR pszName, DWORD dwInfoLevel, WIN32_FIND_DATAW* pData, DWORD dwFlags);
    // The system's folders and WoW64 (PlatformSystem.cpp):
    UINT GetSystemWindowsDirectoryW(LPWSTR psz, UINT cch);
    UINT GetSystemWow64DirectoryW(LPWSTR psz, UINT cch);
    // Where the system lacks it: TRUE, and not under WoW64.
    BOOL IsWow64Process(HANDLE hProcess, PBOOL pbWow64);

    // Kernel32's classic wide functions, working on 9x too: folders and environment
    // (PlatformSystem.cpp), files (PlatformFiles.cpp).
    UINT GetWindowsDirectoryW(LPWSTR psz, UINT cch);
    UINT GetSystemDirectoryW(LPWSTR psz, UINT cch);
    DWORD GetEnvironmentVariableW(LPCWSTR pszName, LPWSTR psz, DWORD cch);
    DWORD ExpandEnvironmentStringsW(LPCWSTR pszSource, LPWSTR pszDestination, DWORD cch);
    DWORD GetCurrentDirectoryW(DWORD cch, LPWSTR psz);
    DWORD GetFileAttributesW(LPCWSTR pszName);
    BOOL SetFileAttributesW(LPCWSTR pszName, DWORD dwAttributes);
    HANDLE CreateFileW(LPCWSTR pszName, DWORD dwAccess, DWORD dwShare, LPSECURITY_ATTRIBUTES pSecurity,
                       DWORD dwDisposition, DWORD dwFlags, HANDLE hTemplate);
    BOOL FindNextFileW(HANDLE hFind, WIN32_FIND_DATAW* pData);
    // NT only: 9x has the narrow function alone (and WININIT.INI for deletion at restart).
    BOOL MoveFileExW(LPCWSTR pszExisting, LPCWSTR pszNew, DWORD dwFlags);

    // Ntdll (PlatformNt.cpp): the NT calls, which 9x lacks (there they fail with
    // STATUS_NOT_IMPLEMENTED).
    NTSTATUS NtCreateFile(PHANDLE ph, ACCESS_MASK access, POBJECT_ATTRIBUTES pAttributes, PIO_STATUS_BLOCK pIo,
                          PLARGE_INTEGER pAllocation, ULONG attributes, ULONG share, ULONG disposition,
                          ULONG options, PVOID pEa, ULONG cbEa);
    NTSTATUS NtQueryObject(HANDLE h, OBJECT_INFORMATION_CLASS infoClass, PVOID pInfo, ULONG cbInfo,
                           PULONG pcbNeeded);
    ULONG RtlNtStatusToDosError(NTSTATUS status);
    NTSTATUS NtDeleteKey(HANDLE hKey);
    // The handle's name as the kernel knows it ("\\Device\\HarddiskVolume1\\..." on Windows,
    // "\\??\\C:\\..." under Wine), of any length; FALSE on 9x.
    BOOL GetObjectName(HANDLE h, std::wstring& strName);

    // Advapi32 (PlatformAdvapi.cpp): the NT security calls, which Windows 95 lacks or only
    // stubs; the later ones (AddAccessAllowedAceEx, SetSecurityDescriptorControl) came with 2000.
    BOOL OpenProcessToken(HANDLE hProcess, DWORD dwAccess, PHANDLE phToken);
    BOOL GetTokenInformation(HANDLE hToken, TOKEN_INFORMATION_CLASS infoClass, LPVOID pInfo, DWORD cbInfo,
                             PDWORD pcbNeeded);
    BOOL InitializeAcl(PACL pAcl, DWORD cbAcl, DWORD dwRevision);
    BOOL AddAccessAllowedAce(PACL pAcl, DWORD dwRevision, DWORD dwAccess, PSID pSid);
    BOOL AddAccessAllowedAceEx(PACL pAcl, DWORD dwRevision, DWORD dwFlags, DWORD dwAccess, PSID pSid);
    BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR pSd, DWORD dwRevision);
    BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR pSd, BOOL bPresent, PACL pAcl, BOOL bDefaulted);
    BOOL SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR pSd, PSID pOwner, BOOL bDefaulted);
    BOOL SetSecurityDescriptorControl(PSECURITY_DESCRIPTOR pSd, SECURITY_DESCRIPTOR_CONTROL mask,
                                      SECURITY_DESCRIPTOR_CONTROL bits);
    // The registry's wide functions, working on 9x too (there the text values are converted).
    LONG RegOpenKeyExW(HKEY hKey, LPCWSTR pszSubKey, DWORD dwOptions, REGSAM sam, PHKEY phResult);
    LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR pszName, LPDWORD pcchName, LPDWORD pReserved,
                       LPWSTR pszClass, LPDWORD pcchClass, PFILETIME pftLastWrite);
    LONG RegQueryValueExW(HKEY hKey, LPCWSTR pszName, LPDWORD pReserved, LPDWORD pdwType, LPBYTE pData,
                          LPDWORD pcbData);

    // The process (PlatformProcess.cpp): its command line, wide where the system has it, and
    // the user it runs for.
    std::wstring CommandLine();
    std::wstring UserName();

    // Shell32, SHFolder, userenv and user32 (PlatformShell.cpp).
    BOOL GetProfilesDirectoryW(LPWSTR psz, LPDWORD pcch);
    HRESULT SHGetFolderPathW(HWND hWnd, int nFolder, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath);
    HWND GetAncestor(HWND hWnd, UINT gaFlags);
    BOOL AllowSetForegroundWindow(DWORD dwProcessId);
    // The usable part of the screen (of the window's monitor, where the system knows monitors).
    void GetWorkArea(HWND hWnd, RECT& rcArea);

    // The fallbacks themselves, also where the later function exists (for tests that hold one
    // against the other).
    namespace Fallback
    {
        int CompareStringOrdinal(LPCWSTR a, int cchA, LPCWSTR b, int cchB, BOOL bIgnoreCase);
        DWORD GetFinalPathNameByHandleW(HANDLE h, LPWSTR pszPath, DWORD cchPath);
        BOOL GetFileInformationByHandleEx(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo);
        BOOL SetFileInformationByHandle(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo);
        DWORD GetLongPathNameW(LPCWSTR pszShort, LPWSTR pszLong, DWORD cchLong);
        DWORD ExpandEnvironmentStringsW(LPCWSTR pszSource, LPWSTR pszDestination, DWORD cch);
        LONG RegOpenKeyExW(HKEY hKey, LPCWSTR pszSubKey, DWORD dwOptions, REGSAM sam, PHKEY phResult);
        LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR pszName, LPDWORD pcchName, LPDWORD pReserved,
                           LPWSTR pszClass, LPDWORD pcchClass, PFILETIME pftLastWrite);
        LONG RegQueryValueExW(HKEY hKey, LPCWSTR pszName, LPDWORD pReserved, LPDWORD pdwType, LPBYTE pData,
                              LPDWORD pcbData);
    }
}
