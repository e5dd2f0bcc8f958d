#include "File.h"

#include <string>

#include "FileException.h"
#include "KernelHandle.h"
#include "Platform.h"
#include "Wide.h"

namespace
{
// 100-nanosecond intervals between 1601 and 1970.
const LONGLONG kEpochDelta = 116444736000000000LL;
const LONGLONG kTicksPerSecond = 10000000LL;

__time64_t FileTimeToTime(const FILETIME& ft)
{
    LONGLONG ticks = (static_cast<LONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    if (ticks == 0)
        return 0;
    return (ticks - kEpochDelta) / kTicksPerSecond;
}

BOOL TimeToFileTime(__time64_t t, FILETIME& ft)
{
    if (t < -kEpochDelta / kTicksPerSecond)
        return FALSE;
    LONGLONG ticks = t * kTicksPerSecond + kEpochDelta;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return TRUE;
}

// The status call reports no file name with its errors.
[[noreturn]] void ThrowLastError()
{
    CFileException::ThrowOsError(static_cast<LONG>(GetLastError()));
}
}

BOOL CFile::GetStatus(LPCSTR lpszFileName, CFileStatus& rStatus)
{
    std::wstring strName;
    if (lpszFileName == NULL || !Wide::FromAnsi(lpszFileName, strName))
        return FALSE;
    return GetStatus(strName.c_str(), rStatus);
}

BOOL CFile::GetStatus(LPCWSTR lpszFileName, CFileStatus& rStatus)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (lpszFileName == NULL || !Platform::GetFileAttributesExW(lpszFileName, GetFileExInfoStandard, &data))
        return FALSE;

    rStatus.m_attribute = static_cast<BYTE>(data.dwFileAttributes & 0x7F);
    rStatus.m_size = (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    rStatus.m_mtime = FileTimeToTime(data.ftLastWriteTime);
    rStatus.m_ctime = FileTimeToTime(data.ftCreationTime);
    rStatus.m_atime = FileTimeToTime(data.ftLastAccessTime);
    // File systems that keep no creation or access time report 0 for it.
    if (rStatus.m_ctime == 0)
        rStatus.m_ctime = rStatus.m_mtime;
    if (rStatus.m_atime == 0)
        rStatus.m_atime = rStatus.m_mtime;
    return TRUE;
}

void CFile::SetStatus(LPCSTR lpszFileName, const CFileStatus& status)
{
    std::wstring strName;
    if (lpszFileName == NULL || !Wide::FromAnsi(lpszFileName, strName))
        CFileException::ThrowOsError(ERROR_INVALID_NAME);
    SetStatus(strName.c_str(), status);
}

// The attributes go first: the file may be read-only until then, and the times can only be
// set through a handle opened for writing.
void CFile::SetStatus(LPCWSTR lpszFileName, const CFileStatus& status)
{
    DWORD dwAttributes = Platform::GetFileAttributesW(lpszFileName);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        ThrowLastError();
    if ((dwAttributes & 0x7F) != status.m_attribute && !Platform::SetFileAttributesW(lpszFileName, status.m_attribute))
        ThrowLastError();

    if (status.m_mtime == 0)
        return;
    FILETIME ftCreation, ftAccess, ftWrite;
    if (!TimeToFileTime(status.m_ctime != 0 ? status.m_ctime : status.m_mtime, ftCreation)
        || !TimeToFileTime(status.m_atime != 0 ? status.m_atime : status.m_mtime, ftAccess)
        || !TimeToFileTime(status.m_mtime, ftWrite))
        CFileException::ThrowOsError(ERROR_INVALID_PARAMETER);

    CKernelHandle file(Platform::CreateFileW(lpszFileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file.IsValid())
        ThrowLastError();
    if (!SetFileTime(file.Get(), &ftCreation, &ftAccess, &ftWrite))
        ThrowLastError();
    if (!file.Close())
        ThrowLastError();
}
