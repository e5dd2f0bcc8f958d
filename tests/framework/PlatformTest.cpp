#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "framework/KernelHandle.h"
#include "framework/KeyHandle.h"
#include "framework/Platform.h"
#include "framework/Wide.h"

// The fallbacks stand in where a system lacks the later function; here, where both exist,
// each is held against the system's own answer.
namespace
{
const std::wstring kDir = L"C:\\OrvalisTest\\Platform";
const std::wstring kFolder = kDir + L"\\Long folder name of the album";
const std::wstring kFile = kFolder + L"\\photo with a long name.jpg";

class PlatformTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateDirectoryW(kDir.c_str(), NULL);
        CreateDirectoryW(kFolder.c_str(), NULL);
        CKernelHandle h(CreateFileW(kFile.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
        ASSERT_TRUE(h.IsValid());
    }

    void TearDown() override
    {
        SetFileAttributesW(kFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(kFile.c_str());
        RemoveDirectoryW(kFolder.c_str());
        RemoveDirectoryW(kDir.c_str());
    }
};

// What a value query answers, with a buffer of cb bytes (none for 0).
template <typename Fn>
std::tuple<LONG, DWORD, DWORD, std::vector<BYTE>> Query(Fn fn, HKEY hKey, LPCWSTR pszName, DWORD cb)
{
    DWORD dwType = 0;
    std::vector<BYTE> data(cb);
    LONG rc = fn(hKey, pszName, NULL, &dwType, cb != 0 ? data.data() : NULL, &cb);
    data.resize(rc == ERROR_SUCCESS && !data.empty() ? cb : 0);
    return std::make_tuple(rc, dwType, cb, data);
}

std::wstring FinalPath(HANDLE h, bool bFallback)
{
    WCHAR sz[MAX_PATH];
    DWORD n = bFallback ? Platform::Fallback::GetFinalPathNameByHandleW(h, sz, MAX_PATH)
                        : GetFinalPathNameByHandleW(h, sz, MAX_PATH, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    return n > 0 && n < MAX_PATH ? std::wstring(sz, n) : std::wstring();
}
}

TEST(PlatformFallbackTest, CompareStringOrdinal_AgreesWithTheSystemFullWidthLettersIncluded)
{
    const std::pair<LPCWSTR, LPCWSTR> pairs[] = {
        { L"album", L"ALBUM" },
        { L"\xFF41\xFF4C\xFF42\xFF55\xFF4D", L"\xFF21\xFF2C\xFF22\xFF35\xFF2D" },   // "ａｌｂｕｍ", "ＡＬＢＵＭ"
        { L"\xFF41\xFF4C\xFF42\xFF55\xFF4D", L"ALBUM" },
        { L"\x3B1\x3B2\x3B3", L"\x391\x392\x393" },                               // Greek
        { L"\x8868\x793A", L"\x8868\x793A" },                                     // "表示"
        { L"abc", L"abd" },
        { L"abc", L"ab" },
        { L"", L"" },
    };
    for (const auto& pair : pairs)
    {
        for (BOOL bIgnoreCase : { TRUE, FALSE })
        {
            EXPECT_EQ(CompareStringOrdinal(pair.first, -1, pair.second, -1, bIgnoreCase),
                      Platform::Fallback::CompareStringOrdinal(pair.first, -1, pair.second, -1, bIgnoreCase))
                << Wide::ToAnsi(pair.first) << " / " << Wide::ToAnsi(pair.second) << " " << bIgnoreCase;
        }
    }
}

TEST_F(PlatformTest, FileFallbacks_AgreeWithTheSystem)
{
    CKernelHandle hFolder(CreateFileW(kFolder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL));
    CKernelHandle hFile(CreateFileW(kFile.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | DELETE,
                                    FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    ASSERT_TRUE(hFolder.IsValid() && hFile.IsValid());

    for (HANDLE h : { hFolder.Get(), hFile.Get() })
    {
        const std::wstring strFinal = FinalPath(h, true);
        EXPECT_EQ(CSTR_EQUAL, CompareStringOrdinal(FinalPath(h, false).c_str(), -1, strFinal.c_str(), -1, TRUE))
            << Wide::ToAnsi(strFinal.c_str());

        FILE_ATTRIBUTE_TAG_INFO system = {};
        Platform::FileAttributeTagInfo fallback = {};
        ASSERT_TRUE(GetFileInformationByHandleEx(h, FileAttributeTagInfo, &system, sizeof(system)));
        ASSERT_TRUE(Platform::Fallback::GetFileInformationByHandleEx(h, Platform::kFileAttributeTagInfo, &fallback,
                                                                     sizeof(fallback)));
        EXPECT_EQ(system.FileAttributes, fallback.FileAttributes);
        EXPECT_EQ(system.ReparseTag, fallback.ReparseTag);
    }

    WCHAR szShort[MAX_PATH], szSystem[MAX_PATH], szFallback[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameW(kFile.c_str(), szShort, MAX_PATH));
    ASSERT_NE(kFile, szShort);
    ASSERT_NE(0u, GetLongPathNameW(szShort, szSystem, MAX_PATH));
    EXPECT_EQ(wcslen(szSystem), Platform::Fallback::GetLongPathNameW(szShort, szFallback, MAX_PATH));
    EXPECT_STREQ(szSystem, szFallback);
    // Wine leaves the "\\?\" form short; Windows expands it like the plain one.
    EXPECT_NE(0u, Platform::Fallback::GetLongPathNameW(Wide::ExtendedPath(szShort).c_str(), szFallback, MAX_PATH));
    EXPECT_EQ(Wide::ExtendedPath(szSystem), szFallback);

    // The attributes and the deletion go through the handle as through the later function.
    Platform::FileBasicInfo basic = {};
    basic.FileAttributes = FILE_ATTRIBUTE_READONLY;
    EXPECT_TRUE(Platform::Fallback::SetFileInformationByHandle(hFile.Get(), Platform::kFileBasicInfo, &basic, sizeof(basic)));
    EXPECT_NE(0u, GetFileAttributesW(kFile.c_str()) & FILE_ATTRIBUTE_READONLY);
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    Platform::Fallback::SetFileInformationByHandle(hFile.Get(), Platform::kFileBasicInfo, &basic, sizeof(basic));
    Platform::FileDispositionInfo disposition = { TRUE };
    EXPECT_TRUE(Platform::Fallback::SetFileInformationByHandle(hFile.Get(), Platform::kFileDispositionInfo,
                                                               &disposition, sizeof(disposition)));
    hFile = CKernelHandle();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(kFile.c_str()));
}

// The narrow calls that stand in for the wide registry and environment calls on 9x, on a key
// with a value of each kind and names in the code page.
TEST(PlatformFallbackTest, RegistryAndEnvironment_AgreeWithTheSystem)
{
    const WCHAR kKey[] = L"Software\\OrvalisTest\\Platform";
    const WCHAR kText[] = L"C:\\アルバム\\表示";
    const WCHAR kList[] = L"写真\0表示\0";
    const DWORD dwNumber = 932;
    CKeyHandle key, sub;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, key.Receive(), NULL));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(key.Get(), L"写真", 0, NULL, 0, KEY_READ, NULL, sub.Receive(), NULL));
    RegSetValueExW(key.Get(), NULL, 0, REG_SZ, reinterpret_cast<const BYTE*>(kText), sizeof(kText));
    // Stored without its terminator, as another program may have.
    RegSetValueExW(key.Get(), L"表示", 0, REG_SZ, reinterpret_cast<const BYTE*>(kText), sizeof(kText) - sizeof(WCHAR));
    RegSetValueExW(key.Get(), L"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(L"%SystemRoot%\\写真"),
                   sizeof(L"%SystemRoot%\\写真"));
    RegSetValueExW(key.Get(), L"List", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kList), sizeof(kList));
    RegSetValueExW(key.Get(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwNumber), sizeof(dwNumber));
    // What a name outside the code page becomes when converted carelessly.
    RegSetValueExW(key.Get(), L"?", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwNumber), sizeof(dwNumber));

    CKeyHandle opened;
    ASSERT_EQ(ERROR_SUCCESS, Platform::Fallback::RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ | KEY_WOW64_64KEY,
                                                               opened.Receive()));
    // The last two are missing, one of them by a name outside the code page.
    for (LPCWSTR pszName : { static_cast<LPCWSTR>(NULL), L"表示", L"Expand", L"List", L"Number", L"None", L"\xD55C" })
    {
        const auto system = Query(RegQueryValueExW, opened.Get(), pszName, 1024);
        const DWORD cb = std::get<2>(system);
        for (DWORD cbBuffer : { 0ul, cb - 1, 1024ul })
        {
            EXPECT_EQ(Query(RegQueryValueExW, opened.Get(), pszName, cbBuffer),
                      Query(Platform::Fallback::RegQueryValueExW, opened.Get(), pszName, cbBuffer))
                << (pszName != NULL ? Wide::ToAnsi(pszName) : CString("(default)")) << " " << cbBuffer;
        }
    }

    WCHAR szSystem[MAX_PATH] = L"", szFallback[MAX_PATH] = L"";
    DWORD cchSystem = 256, cchFallback = 256, cchShort = 2;
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyExW(opened.Get(), 0, szSystem, &cchSystem, NULL, NULL, NULL, NULL));
    EXPECT_EQ(ERROR_SUCCESS,
              Platform::Fallback::RegEnumKeyExW(opened.Get(), 0, szFallback, &cchFallback, NULL, NULL, NULL, NULL));
    EXPECT_STREQ(szSystem, szFallback);
    EXPECT_EQ(cchSystem, cchFallback);
    EXPECT_EQ(ERROR_MORE_DATA,
              Platform::Fallback::RegEnumKeyExW(opened.Get(), 0, szFallback, &cchShort, NULL, NULL, NULL, NULL));
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              Platform::Fallback::RegEnumKeyExW(opened.Get(), 1, szFallback, &cchFallback, NULL, NULL, NULL, NULL));

    for (LPCWSTR psz : { L"%SystemRoot%\\写真", L"表示", L"" })
    {
        EXPECT_EQ(ExpandEnvironmentStringsW(psz, NULL, 0), Platform::Fallback::ExpandEnvironmentStringsW(psz, NULL, 0));
        EXPECT_EQ(ExpandEnvironmentStringsW(psz, szSystem, MAX_PATH),
                  Platform::Fallback::ExpandEnvironmentStringsW(psz, szFallback, MAX_PATH));
        EXPECT_STREQ(szSystem, szFallback);
    }

    opened.Close();
    sub.Close();
    key.Close();
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
}
