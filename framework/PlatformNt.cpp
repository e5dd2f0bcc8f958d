#include "Platform.h"

#include <wchar.h>

#include <string>
#include <vector>

#include "PlatformLookup.h"

using PlatformLookup::CopyOut;
using PlatformLookup::Lookup;

namespace
{
const NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002);
const NTSTATUS kStatusInvalidInfoClass = static_cast<NTSTATUS>(0xC0000003);
const NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000D);
const FILE_INFORMATION_CLASS kNtFileBasicInformation = static_cast<FILE_INFORMATION_CLASS>(4);
const FILE_INFORMATION_CLASS kNtFileDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);
const FILE_INFORMATION_CLASS kNtFileAttributeTagInformation = static_cast<FILE_INFORMATION_CLASS>(35);

// The first n characters of a and b are the same without regard to case.
BOOL SamePrefix(const std::wstring& a, LPCWSTR b, size_t n)
{
    return a.size() >= n
        && Platform::CompareStringOrdinal(a.c_str(), static_cast<int>(n), b, static_cast<int>(n), TRUE) == CSTR_EQUAL;
}

// The DOS form of a kernel name: "\??\C:\x" (as Wine names) and "\Device\HarddiskVolume1\x"
// (mapped through the drive letters' devices) become "\\?\C:\x"; network names "\\?\UNC\...".
BOOL DosPath(const std::wstring& strName, std::wstring& strPath)
{
    if (strName.compare(0, 4, L"\\??\\") == 0)
    {
        strPath = L"\\\\?\\" + strName.substr(4);
        return TRUE;
    }
    for (LPCWSTR pszNetwork : { L"\\Device\\Mup\\", L"\\Device\\LanmanRedirector\\" })
    {
        size_t n = wcslen(pszNetwork);
        if (strName.size() > n && strName[n] != L';' && SamePrefix(strName, pszNetwork, n))
        {
            strPath = L"\\\\?\\UNC\\" + strName.substr(n);
            return TRUE;
        }
    }
    typedef DWORD(WINAPI * QueryDosDeviceFn)(LPCWSTR, LPWSTR, DWORD);
    static const QueryDosDeviceFn pfn = Lookup<QueryDosDeviceFn>("kernel32.dll", "QueryDosDeviceW");
    if (pfn == NULL)
        return FALSE;
    for (WCHAR chDrive = L'A'; chDrive <= L'Z'; ++chDrive)
    {
        const WCHAR szDrive[] = { chDrive, L':', L'\0' };
        WCHAR szDevice[MAX_PATH];
        if (pfn(szDrive, szDevice, MAX_PATH) == 0)
            continue;
        size_t n = wcslen(szDevice);
        if (n > 0 && SamePrefix(strName, szDevice, n) && (strName.size() == n || strName[n] == L'\\'))
        {
            strPath = std::wstring(L"\\\\?\\") + szDrive + (strName.size() == n ? L"\\" : strName.substr(n));
            return TRUE;
        }
    }
    return FALSE;
}

FILE_INFORMATION_CLASS NtClass(Platform::FileInfoClass infoClass)
{
    switch (infoClass)
    {
    case Platform::kFileBasicInfo:
        return kNtFileBasicInformation;
    case Platform::kFileDispositionInfo:
        return kNtFileDispositionInformation;
    case Platform::kFileAttributeTagInfo:
        return kNtFileAttributeTagInformation;
    }
    return static_cast<FILE_INFORMATION_CLASS>(0);
}

BOOL Failed(NTSTATUS status)
{
    SetLastError(Platform::RtlNtStatusToDosError(status));
    return FALSE;
}
}

NTSTATUS Platform::NtCreateFile(PHANDLE ph, ACCESS_MASK access, POBJECT_ATTRIBUTES pAttributes, PIO_STATUS_BLOCK pIo,
                                PLARGE_INTEGER pAllocation, ULONG attributes, ULONG share, ULONG disposition,
                                ULONG options, PVOID pEa, ULONG cbEa)
{
    typedef NTSTATUS(NTAPI * Fn)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG,
                                 ULONG, ULONG, ULONG, PVOID, ULONG);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "NtCreateFile");
    if (pfn == NULL)
        return kStatusNotImplemented;
    return pfn(ph, access, pAttributes, pIo, pAllocation, attributes, share, disposition, options, pEa, cbEa);
}

NTSTATUS Platform::NtQueryObject(HANDLE h, OBJECT_INFORMATION_CLASS infoClass, PVOID pInfo, ULONG cbInfo,
                                 PULONG pcbNeeded)
{
    typedef NTSTATUS(NTAPI * Fn)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "NtQueryObject");
    return pfn != NULL ? pfn(h, infoClass, pInfo, cbInfo, pcbNeeded) : kStatusNotImplemented;
}

ULONG Platform::RtlNtStatusToDosError(NTSTATUS status)
{
    typedef ULONG(NTAPI * Fn)(NTSTATUS);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "RtlNtStatusToDosError");
    return pfn != NULL ? pfn(status) : ERROR_CALL_NOT_IMPLEMENTED;
}

NTSTATUS Platform::NtDeleteKey(HANDLE hKey)
{
    typedef NTSTATUS(NTAPI * Fn)(HANDLE);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "NtDeleteKey");
    return pfn != NULL ? pfn(hKey) : kStatusNotImplemented;
}

BOOL Platform::GetObjectName(HANDLE h, std::wstring& strName)
{
    struct ObjectName
    {
        UNICODE_STRING Name;
    };
    const OBJECT_INFORMATION_CLASS kObjectNameInformation = static_cast<OBJECT_INFORMATION_CLASS>(1);
    union
    {
        ObjectName name;
        BYTE bytes[2048];
    } small;
    std::vector<BYTE> large;
    PVOID pBuffer = &small;
    ULONG cbBuffer = sizeof(small);
    for (int nTry = 0; nTry < 2; ++nTry)
    {
        ULONG cbNeeded = 0;
        NTSTATUS status = Platform::NtQueryObject(h, kObjectNameInformation, pBuffer, cbBuffer, &cbNeeded);
        if (status >= 0)
        {
            const UNICODE_STRING& name = static_cast<ObjectName*>(pBuffer)->Name;
            strName.assign(name.Buffer, name.Length / sizeof(WCHAR));
            return !strName.empty();
        }
        if (status == kStatusNotImplemented)
            break;
        // Whatever the platform says it needs, a name never exceeds what UNICODE_STRING holds.
        large.resize(sizeof(ObjectName) + 0x10000);
        pBuffer = large.data();
        cbBuffer = static_cast<ULONG>(large.size());
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

DWORD Platform::Fallback::GetFinalPathNameByHandleW(HANDLE h, LPWSTR pszPath, DWORD cchPath)
{
    std::wstring strName, strPath;
    if (!GetObjectName(h, strName))
        return 0;
    if (!DosPath(strName, strPath))
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    return CopyOut(strPath, pszPath, cchPath);
}

BOOL Platform::Fallback::GetFileInformationByHandleEx(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo)
{
    typedef NTSTATUS(NTAPI * Fn)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "NtQueryInformationFile");
    NTSTATUS status = kStatusNotImplemented;
    IO_STATUS_BLOCK io;
    if (pfn != NULL)
        status = pfn(h, &io, pInfo, cbInfo, NtClass(infoClass));
    if (status >= 0)
        return TRUE;
    if (infoClass == kFileAttributeTagInfo && cbInfo >= sizeof(FileAttributeTagInfo)
        && (status == kStatusInvalidInfoClass || status == kStatusNotImplemented || status == kStatusInvalidParameter))
    {
        BY_HANDLE_FILE_INFORMATION info;
        if (!::GetFileInformationByHandle(h, &info))
            return FALSE;
        FileAttributeTagInfo* pTag = static_cast<FileAttributeTagInfo*>(pInfo);
        pTag->FileAttributes = info.dwFileAttributes;
        pTag->ReparseTag = 0;
        return TRUE;
    }
    return Failed(status);
}

BOOL Platform::Fallback::SetFileInformationByHandle(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo)
{
    typedef NTSTATUS(NTAPI * Fn)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    static const Fn pfn = Lookup<Fn>("ntdll.dll", "NtSetInformationFile");
    if (pfn == NULL)
        return Failed(kStatusNotImplemented);
    IO_STATUS_BLOCK io;
    NTSTATUS status = pfn(h, &io, pInfo, cbInfo, NtClass(infoClass));
    return status >= 0 ? TRUE : Failed(status);
}
