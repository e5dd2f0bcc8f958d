#include "HeldCopy.h"

#include "framework/Platform.h"
#include "framework/Wide.h"

namespace
{
HANDLE OpenFile(const std::wstring& strPath, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition)
{
    return Platform::CreateFileW(Wide::ExtendedPath(strPath).c_str(), dwAccess, dwShare, NULL, dwDisposition,
                                 FILE_ATTRIBUTE_NORMAL, NULL);
}

// A whole file of the program's size; one of 4 GB or more is none of its own.
BOOL ReadAll(HANDLE h, std::string& strData)
{
    DWORD cbHigh = 0;
    const DWORD cb = ::GetFileSize(h, &cbHigh);
    if ((cb == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) || cbHigh != 0)
        return FALSE;
    strData.resize(cb);
    DWORD cbRead = 0;
    return cb == 0 || (::ReadFile(h, &strData[0], cb, &cbRead, NULL) && cbRead == cb);
}
}

// Between the close and the reopening someone may put another file in its place: the
// comparison finds it, and the copy then does not count.
BOOL CHeldCopy::Place(const std::wstring& strModule, const std::wstring& strCopy)
{
    std::string strImage;
    {
        CKernelHandle module(OpenFile(strModule, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
        if (!module.IsValid() || !ReadAll(module.Get(), strImage))
            return FALSE;
    }
    CKernelHandle file(OpenFile(strCopy, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW));
    if (!file.IsValid())
        return FALSE;
    m_strPath = strCopy;
    const DWORD cb = static_cast<DWORD>(strImage.size());
    DWORD cbWritten = 0;
    if (!::WriteFile(file.Get(), strImage.data(), cb, &cbWritten, NULL) || cbWritten != cb || !file.Close())
        return FALSE;
    m_hold = CKernelHandle(OpenFile(strCopy, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    std::string strWritten;
    return m_hold.IsValid() && ReadAll(m_hold.Get(), strWritten) && strWritten == strImage;
}

void CHeldCopy::Remove()
{
    m_hold.Close();
    if (m_strPath.empty())
        return;
    if (Platform::IsWin9x())
        ::DeleteFileA(Wide::ToAnsi(m_strPath.c_str()));
    else
        ::DeleteFileW(Wide::ExtendedPath(m_strPath).c_str());
    m_strPath.clear();
}
