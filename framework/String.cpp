#include "String.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ResourceModule.h"

namespace
{
// The shared empty string of every CString in the process; its count of -1 marks it as never
// freed, and nothing writes to it.
struct EmptyData
{
    LONG nRefs;
    int nLength;
    int nAllocLength;
    char chNil;
};
EmptyData g_empty = { -1, 0, 0, 0 };
char* const g_pchNil = &g_empty.chNil;
}

BOOL Mbcs::IsLeadByte(char ch)
{
    return IsDBCSLeadByte(static_cast<BYTE>(ch));
}

int Mbcs::ReverseFind(LPCSTR psz, char ch)
{
    int nLast = -1;
    for (int i = 0; psz[i] != '\0'; ++i)
    {
        if (psz[i] == ch)
            nLast = i;
        if (IsLeadByte(psz[i]) && psz[i + 1] != '\0')
            ++i;
    }
    return nLast;
}

CString::CString() : m_pchData(g_pchNil)
{
}

CString::CString(const CString& src) : m_pchData(src.m_pchData)
{
    if (Data()->nRefs >= 0)
        InterlockedIncrement(&Data()->nRefs);
}

CString::CString(LPCSTR psz) : m_pchData(g_pchNil)
{
    if (psz != NULL)
        Assign(psz, lstrlenA(psz));
}

CString::CString(LPCSTR pch, int nLength) : m_pchData(g_pchNil)
{
    if (pch != NULL && nLength > 0)
        Assign(pch, nLength);
}

CString::~CString()
{
    Release();
}

void CString::Release()
{
    if (Data()->nRefs >= 0 && InterlockedDecrement(&Data()->nRefs) == 0)
        free(Data());
    m_pchData = g_pchNil;
}

// Gives this object a buffer of its own holding at least nMinAlloc bytes plus the zero,
// keeping the current text.
void CString::MakeUnique(int nMinAlloc)
{
    Data_* pOld = Data();
    if (pOld->nRefs == 1 && pOld->nAllocLength >= nMinAlloc)
        return;
    int nAlloc = nMinAlloc < 16 ? 16 : nMinAlloc;
    Data_* pNew = static_cast<Data_*>(malloc(sizeof(Data_) + nAlloc + 1));
    if (pNew == NULL)
        abort();
    pNew->nRefs = 1;
    pNew->nLength = pOld->nLength;
    pNew->nAllocLength = nAlloc;
    memcpy(pNew->Chars(), m_pchData, pOld->nLength + 1);
    Release();
    m_pchData = pNew->Chars();
}

void CString::Assign(LPCSTR pch, int nLength)
{
    if (nLength <= 0)
    {
        Empty();
        return;
    }
    // pch may point into our own buffer.
    CString keep(*this);
    Release();
    MakeUnique(nLength);
    memmove(m_pchData, pch, nLength);
    m_pchData[nLength] = '\0';
    Data()->nLength = nLength;
}

void CString::Append(LPCSTR pch, int nLength)
{
    if (nLength <= 0)
        return;
    int nOld = GetLength();
    int nNew = nOld + nLength;
    if (Data()->nRefs != 1 || nNew > Data()->nAllocLength)
    {
        // pch may point into the buffer that is about to be replaced.
        CString keep(*this);
        MakeUnique(nNew + nNew / 2);
        memmove(m_pchData + nOld, pch, nLength);
    }
    else
    {
        memmove(m_pchData + nOld, pch, nLength);
    }
    m_pchData[nNew] = '\0';
    Data()->nLength = nNew;
}

CString& CString::operator=(const CString& src)
{
    if (m_pchData != src.m_pchData)
    {
        if (src.Data()->nRefs >= 0)
            InterlockedIncrement(&src.Data()->nRefs);
        Release();
        m_pchData = src.m_pchData;
    }
    return *this;
}

CString& CString::operator=(LPCSTR psz)
{
    Assign(psz, psz != NULL ? lstrlenA(psz) : 0);
    return *this;
}

CString& CString::operator+=(const CString& src)
{
    Append(src.m_pchData, src.GetLength());
    return *this;
}

CString& CString::operator+=(LPCSTR psz)
{
    if (psz != NULL)
        Append(psz, lstrlenA(psz));
    return *this;
}

CString& CString::operator+=(char ch)
{
    Append(&ch, 1);
    return *this;
}

void CString::Empty()
{
    Release();
}

int CString::Compare(LPCSTR psz) const
{
    return strcmp(m_pchData, psz != NULL ? psz : "");
}

int CString::ReverseFind(char ch) const
{
    return Mbcs::ReverseFind(m_pchData, ch);
}

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    return nCount >= GetLength() ? *this : CString(m_pchData, nCount);
}

void CString::Format(LPCSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(NULL, 0, pszFormat, copy);
    va_end(copy);
    if (n < 0)
    {
        Empty();
    }
    else
    {
        // An argument may point into our own text: keep it alive until the output is made.
        CString keep(*this);
        Release();
        MakeUnique(n);
        vsnprintf(m_pchData, n + 1, pszFormat, args);
        Data()->nLength = n;
    }
    va_end(args);
}

BOOL CString::LoadString(UINT nID)
{
    // LoadStringA cuts at the buffer; a string table entry holds at most 4097 bytes in 932.
    char sz[4100];
    int n = ::LoadStringA(AfxGetResourceHandle(), nID, sz, sizeof(sz));
    Assign(sz, n);
    return n > 0;
}

LPSTR CString::GetBuffer(int nMinBufLength)
{
    MakeUnique(nMinBufLength > GetLength() ? nMinBufLength : GetLength());
    return m_pchData;
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (Data()->nRefs < 0)
        return;
    if (nNewLength < 0)
        nNewLength = lstrlenA(m_pchData);
    if (nNewLength > Data()->nAllocLength)
        nNewLength = Data()->nAllocLength;
    m_pchData[nNewLength] = '\0';
    Data()->nLength = nNewLength;
    if (nNewLength == 0)
        Release();
}

CString operator+(const CString& a, const CString& b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString& a, LPCSTR b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(LPCSTR a, const CString& b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString& a, char ch)
{
    CString s(a);
    s += ch;
    return s;
}
