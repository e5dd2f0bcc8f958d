#include "FileFind.h"

#include <string>

#include "Platform.h"
#include "Wide.h"

CFileFind::CFileFind() : m_bHaveNext(FALSE), m_dwError(NO_ERROR)
{
    ZeroMemory(&m_current, sizeof(m_current));
    ZeroMemory(&m_next, sizeof(m_next));
}

CFileFind::~CFileFind()
{
    Close();
}

void CFileFind::Close()
{
    m_find.Close();
    m_bHaveNext = FALSE;
}

BOOL CFileFind::FindFile(LPCSTR pstrName)
{
    std::wstring strName;
    if (!Wide::FromAnsi(pstrName != NULL ? pstrName : "*.*", strName))
    {
        Close();
        m_dwError = ERROR_INVALID_NAME;
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    return FindFile(strName.c_str());
}

BOOL CFileFind::FindFile(LPCWSTR pstrName)
{
    Close();
    ZeroMemory(&m_current, sizeof(m_current));
    m_find.Reset(Platform::FindFirstFileExW(pstrName != NULL ? pstrName : L"*.*", Platform::kFindExInfoBasic,
                                            &m_next, Platform::kFindFirstExLargeFetch));
    if (!m_find.IsValid())
    {
        m_dwError = GetLastError();
        // The search did start when it only found nothing.
        if (m_dwError == ERROR_NO_MORE_FILES)
            m_dwError = ERROR_FILE_NOT_FOUND;
        SetLastError(m_dwError);
        if (m_dwError == ERROR_FILE_NOT_FOUND)
            m_dwError = NO_ERROR;
        return FALSE;
    }
    m_dwError = NO_ERROR;
    m_bHaveNext = TRUE;
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (!m_bHaveNext)
        return FALSE;
    m_current = m_next;
    if (!Platform::FindNextFileW(m_find.Get(), &m_next))
    {
        DWORD dwError = GetLastError();
        m_dwError = dwError == ERROR_NO_MORE_FILES ? NO_ERROR : dwError;
        m_bHaveNext = FALSE;
    }
    return m_bHaveNext;
}

CString CFileFind::GetFileName() const
{
    return Wide::ToAnsi(m_current.cFileName);
}

BOOL CFileFind::IsDots() const
{
    const WCHAR* p = m_current.cFileName;
    return p[0] == L'.' && (p[1] == L'\0' || (p[1] == L'.' && p[2] == L'\0'));
}
