#include "Platform.h"

#include <string.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "FindHandle.h"
#include "PlatformLookup.h"
#include "Wide.h"

using namespace PlatformLookup;

BOOL PlatformLookup::NotImplemented()
{
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

BOOL PlatformLookup::ToCodePage(LPCWSTR psz, CString& str)
{
    const std::wstring strWide = psz != NULL ? psz : L"";
    str = Wide::ToAnsi(strWide.c_str());
    std::wstring strBack;
    if (!Wide::FromAnsi(str, strBack) || strBack != strWide)
    {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    return TRUE;
}

BOOL PlatformLookup::ToNarrow(LPCWSTR psz, CString& str)
{
    std::wstring strWide = psz != NULL ? psz : L"";
    BOOL bExtended = strWide.compare(0, 4, L"\\\\?\\") == 0;
    if (strWide.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        strWide = L"\\\\" + strWide.substr(8);
    else if (bExtended)
        strWide = strWide.substr(4);
    return ToCodePage(strWide.c_str(), str);
}

DWORD PlatformLookup::CopyOut(const std::wstring& str, LPWSTR psz, DWORD cch)
{
    if (str.size() >= cch)
        return static_cast<DWORD>(str.size() + 1);
    wmemcpy(psz, str.c_str(), str.size() + 1);
    return static_cast<DWORD>(str.size());
}

DWORD PlatformLookup::WidenResult(LPCSTR psz, DWORD nNarrow, DWORD cbNarrow, LPWSTR pszOut, DWORD cchOut)
{
    std::wstring str;
    if (nNarrow == 0 || nNarrow >= cbNarrow || !Wide::FromAnsi(psz, str))
        return 0;
    return CopyOut(str, pszOut, cchOut);
}

namespace
{
// Letters of the code pages 9x offers, for the comparison there (no wide casing call).
WCHAR UpperLetter(WCHAR ch)
{
    if ((ch >= L'a' && ch <= L'z') || (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7)
        || (ch >= 0x3B1 && ch <= 0x3C9 && ch != 0x3C2)
        || (ch >= 0x430 && ch <= 0x44F) || (ch >= 0xFF41 && ch <= 0xFF5A))
        return static_cast<WCHAR>(ch - 0x20);
    if (ch >= 0x450 && ch <= 0x45F)
        return static_cast<WCHAR>(ch - 0x50);
    if (ch >= 0x2170 && ch <= 0x217F)   // small Roman numerals
        return static_cast<WCHAR>(ch - 0x10);
    return ch;
}

// The system's upper case, the one its file systems compare names by (not the locale's
// linguistic one, which LCMapStringW uses only when asked).
std::wstring Upper(LPCWSTR psz, int cch)
{
    std::wstring str(psz, cch);
    if (cch == 0)
        return str;
    if (::LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, psz, cch, &str[0], cch) != cch)
    {
        for (int i = 0; i < cch; ++i)
            str[i] = UpperLetter(psz[i]);
    }
    return str;
}
}

BOOL Platform::IsWin9x()
{
    static const BOOL bWin9x = [] {
        OSVERSIONINFOA osvi;
        ZeroMemory(&osvi, sizeof(osvi));
        osvi.dwOSVersionInfoSize = sizeof(osvi);
        return ::GetVersionExA(&osvi) && osvi.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    }();
    return bWin9x;
}

// Vista. Before it: both texts in the system's upper case, compared by their code units.
int Platform::CompareStringOrdinal(LPCWSTR a, int cchA, LPCWSTR b, int cchB, BOOL bIgnoreCase)
{
    typedef int(WINAPI * Fn)(LPCWSTR, int, LPCWSTR, int, BOOL);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "CompareStringOrdinal");
    if (pfn != NULL)
        return pfn(a, cchA, b, cchB, bIgnoreCase);
    return Fallback::CompareStringOrdinal(a, cchA, b, cchB, bIgnoreCase);
}

int Platform::Fallback::CompareStringOrdinal(LPCWSTR a, int cchA, LPCWSTR b, int cchB, BOOL bIgnoreCase)
{
    if (cchA < 0)
        cchA = static_cast<int>(wcslen(a));
    if (cchB < 0)
        cchB = static_cast<int>(wcslen(b));
    int nOrder = bIgnoreCase ? Upper(a, cchA).compare(Upper(b, cchB))
                             : std::wstring(a, cchA).compare(std::wstring(b, cchB));
    return nOrder < 0 ? CSTR_LESS_THAN : nOrder > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

// Vista. Before it: the kernel's name for the handle in its DOS form (only the normalized
// DOS name, the one this program asks for). Links on the way are resolved there too, as the
// kernel names the object it reached.
DWORD Platform::GetFinalPathNameByHandleW(HANDLE h, LPWSTR pszPath, DWORD cchPath, DWORD dwFlags)
{
    typedef DWORD(WINAPI * Fn)(HANDLE, LPWSTR, DWORD, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "GetFinalPathNameByHandleW");
    if (pfn != NULL)
        return pfn(h, pszPath, cchPath, dwFlags);
    if (dwFlags != kFileNameNormalized)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Fallback::GetFinalPathNameByHandleW(h, pszPath, cchPath);
}

// Vista. Before it: the NT call it wraps. NT 4 cannot tell a reparse tag, and has no reparse
// points either: there the tag is 0 and the attributes come from the classic call.
BOOL Platform::GetFileInformationByHandleEx(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo)
{
    typedef BOOL(WINAPI * Fn)(HANDLE, int, LPVOID, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "GetFileInformationByHandleEx");
    if (pfn != NULL)
        return pfn(h, infoClass, pInfo, cbInfo);
    return Fallback::GetFileInformationByHandleEx(h, infoClass, pInfo, cbInfo);
}

// Vista. Before it: the NT call it wraps (NT 4 has both of the classes used here).
BOOL Platform::SetFileInformationByHandle(HANDLE h, FileInfoClass infoClass, LPVOID pInfo, DWORD cbInfo)
{
    typedef BOOL(WINAPI * Fn)(HANDLE, int, LPVOID, DWORD);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "SetFileInformationByHandle");
    if (pfn != NULL)
        return pfn(h, infoClass, pInfo, cbInfo);
    return Fallback::SetFileInformationByHandle(h, infoClass, pInfo, cbInfo);
}

#if defined(__MINGW32__) && defined(__i386__)
namespace
{
// Later than we can vouch for on 95. Without it: the lead-byte ranges of the code page.
BOOL WINAPI LeadByteEx(UINT nCodePage, BYTE ch)
{
    typedef BOOL(WINAPI * Fn)(UINT, BYTE);
    static const Fn pfn = Lookup<Fn>("kernel32.dll", "IsDBCSLeadByteEx");
    if (pfn != NULL)
        return pfn(nCodePage, ch);
    CPINFO info;
    if (!::GetCPInfo(nCodePage, &info))
        return FALSE;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
    {
        if (ch >= info.LeadByte[i] && ch <= info.LeadByte[i + 1])
            return TRUE;
    }
    return FALSE;
}
}

// The C runtime's multibyte conversion, which the C++ library's messages reach, imports
// IsDBCSLeadByteEx; its import slot is defined here instead, so that the lookup above stands in.
// It stays beside IsWin9x, which every part of the program calls: a library member nothing
// refers to is not linked, and the import would come back.
extern "C" BOOL(WINAPI* const g_pfnLeadByteEx)(UINT, BYTE) __asm__("__imp__IsDBCSLeadByteEx@8");
BOOL(WINAPI* const g_pfnLeadByteEx)(UINT, BYTE) = &LeadByteEx;
#endif
