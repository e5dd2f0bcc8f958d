#pragma once

#include <windows.h>

// Reference-counted narrow string in the process's ANSI code page (932 for this program).
// Lengths are byte counts; the searching, case and comparison operations step over
// double-byte characters, so a trail byte such as the 0x5C of "ソ" is never taken for '\'.
class CString
{
public:
    CString();
    CString(const CString& src);
    CString(LPCSTR psz);
    CString(LPCSTR pch, int nLength);
    ~CString();

    CString& operator=(const CString& src);
    CString& operator=(LPCSTR psz);
    CString& operator+=(const CString& src);
    CString& operator+=(LPCSTR psz);
    CString& operator+=(char ch);

    int GetLength() const { return Data()->nLength; }
    BOOL IsEmpty() const { return GetLength() == 0; }
    void Empty();
    operator LPCSTR() const { return m_pchData; }

    int Compare(LPCSTR psz) const;

    int ReverseFind(char ch) const;
    CString Left(int nCount) const;

    void Format(LPCSTR pszFormat, ...);
    BOOL LoadString(UINT nID);

    LPSTR GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    struct Data_
    {
        LONG nRefs;
        int nLength;
        int nAllocLength;
        char* Chars() { return reinterpret_cast<char*>(this + 1); }
    };

    Data_* Data() const { return reinterpret_cast<Data_*>(m_pchData) - 1; }
    void Assign(LPCSTR pch, int nLength);
    void Append(LPCSTR pch, int nLength);
    void Release();
    void MakeUnique(int nMinAlloc);

    char* m_pchData;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCSTR b);
CString operator+(LPCSTR a, const CString& b);
CString operator+(const CString& a, char ch);
inline bool operator==(const CString& a, LPCSTR b) { return a.Compare(b) == 0; }
inline bool operator!=(const CString& a, LPCSTR b) { return a.Compare(b) != 0; }
inline bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }

// Code-page aware helpers shared by the string and the file code.
namespace Mbcs
{
    BOOL IsLeadByte(char ch);
    // Offset of the last ch at a character boundary, or -1.
    int ReverseFind(LPCSTR psz, char ch);
}
