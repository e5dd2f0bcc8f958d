#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <memory>
#include <string>

#include "registry/RegistryKey.h"
#include "TestRegistry.h"

namespace
{
// Every test works on a key of its own below HKLM\Software, removed again afterwards.
class RegistryKeyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_name = std::string("OrvalisTest_") + std::to_string(GetCurrentProcessId()) + "_" + info->name();
        m_path = "Software\\" + m_name;
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, m_path.c_str());
    }

    void TearDown() override
    {
        RestoreAccess();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, m_path.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_path.c_str());
    }

    // Path of a key below the test's key, relative to HKLM.
    std::string Path(const std::string& sub = "") const { return sub.empty() ? m_path : m_path + "\\" + sub; }
    // Name as the accessor takes it, relative to HKLM\SoftWare.
    std::string Name(const std::string& sub = "") const { return sub.empty() ? m_name : m_name + "\\" + sub; }

    // Sub-keys are created relative to the test's key: Wine's A functions refuse a path of
    // more than 260 characters, and a 255-character name would make one.
    void MakeKey(const std::string& sub = "")
    {
        HKEY hTest, hKey;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                                 &hTest, NULL));
        if (!sub.empty())
        {
            EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(hTest, sub.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL))
                << sub.size() << "-byte name";
            RegCloseKey(hKey);
        }
        RegCloseKey(hTest);
    }

    bool KeyPresent(const std::string& sub = "") const
    {
        HKEY hKey;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Path(sub).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return false;
        RegCloseKey(hKey);
        return true;
    }

    // Stores exactly cb bytes. The byte after them must not be zero if the value is to lack
    // its terminating zero: the registry adds one that the caller forgot to count.
    void SetRaw(LPCSTR valueName, DWORD type, const void* data, DWORD cb)
    {
        MakeKey();
        HKEY hKey;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, KEY_SET_VALUE, &hKey));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(hKey, valueName, 0, type, static_cast<const BYTE*>(data), cb));
        RegCloseKey(hKey);
    }

    LONG QueryRaw(LPCSTR valueName, DWORD* pType, DWORD* pcb) const
    {
        return RegGetValueA(HKEY_LOCAL_MACHINE, m_path.c_str(), valueName, RRF_RT_ANY | RRF_NOEXPAND, pType, NULL, pcb);
    }

    // Replaces the test key's access list; TRUE when the registry took it.
    bool SetAccess(LPCSTR sddl)
    {
        PSECURITY_DESCRIPTOR pSD = NULL;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &pSD, NULL))
            return false;
        HKEY hKey;
        bool ok = false;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, WRITE_DAC, &hKey) == ERROR_SUCCESS)
        {
            ok = RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, pSD) == ERROR_SUCCESS;
            RegCloseKey(hKey);
        }
        LocalFree(pSD);
        m_bRestrict = m_bRestrict || ok;
        return ok;
    }

    void RestoreAccess()
    {
        if (m_bRestrict)
            SetAccess("D:(A;OICI;KA;;;WD)");
        m_bRestrict = false;
    }

    std::string m_name;
    std::string m_path;
    bool m_bRestrict = false;
};

CString Repeat(char ch, int n)
{
    return CString(std::string(n, ch).c_str());
}

TEST_F(RegistryKeyTest, GetValue_AbsentKey_CreatesItWithTheDefault)
{
    CRegistryKey key(Name().c_str());
    CString out("unchanged");
    EXPECT_TRUE(key.GetValue("InstallFolder", out, ""));
    EXPECT_EQ(out, "");
    ASSERT_TRUE(KeyPresent());
    DWORD type = 0, cb = 99;
    ASSERT_EQ(ERROR_SUCCESS, QueryRaw("InstallFolder", &type, &cb));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(0u, cb);
    EXPECT_FALSE(key.Close()) << "no handle may stay open";

    CRegistryKey other(Name("Deeper\\Still").c_str());
    EXPECT_TRUE(other.GetValue("AlbumFolder", out, "C:\\ソフト\\表示"));
    EXPECT_EQ(out, "C:\\ソフト\\表示");
    CString again;
    EXPECT_TRUE(other.GetValue("AlbumFolder", again, "other default"));
    EXPECT_EQ(again, "C:\\ソフト\\表示");
}

TEST_F(RegistryKeyTest, GetValue_MissingOrNonStringValue_FailsAndLeavesOutAlone)
{
    MakeKey();
    DWORD dw = 7;
    SetRaw("Dword", REG_DWORD, &dw, sizeof(dw));
    SetRaw("Expand", REG_EXPAND_SZ, "%WINDIR%\\x", 11);
    SetRaw("Multi", REG_MULTI_SZ, "a\0b\0", 5);
    SetRaw("Binary", REG_BINARY, "abc", 3);

    CRegistryKey key(Name().c_str());
    for (LPCSTR valueName : { "Missing", "Dword", "Expand", "Multi", "Binary" })
    {
        CString out("unchanged");
        EXPECT_FALSE(key.GetValue(valueName, out, "default")) << valueName;
        EXPECT_EQ(out, "unchanged") << valueName;
        EXPECT_FALSE(key.Close()) << valueName << ": no handle may stay open";
    }
    DWORD type, cb;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, QueryRaw("Missing", &type, &cb)) << "an existing key gets no default";
}

// The read buffer holds 1024 bytes including the terminating zero; longer values are refused
// rather than cut short.
TEST_F(RegistryKeyTest, GetValue_LengthLimitOfTheReadBuffer)
{
    struct Case { int nChars; bool bOk; } cases[] = { { 1022, true }, { 1023, true }, { 1024, false }, { 2000, false } };
    for (const Case& c : cases)
    {
        CString text = Repeat('x', c.nChars);
        SetRaw("Value", REG_SZ, static_cast<LPCSTR>(text), c.nChars + 1);
        CRegistryKey key(Name().c_str());
        CString out("unchanged");
        EXPECT_EQ(c.bOk, key.GetValue("Value", out, "") != FALSE) << c.nChars;
        EXPECT_EQ(c.bOk ? text : CString("unchanged"), out) << c.nChars;
    }
}

TEST_F(RegistryKeyTest, GetValue_StringWithoutTerminatingZero_ReadsNoFurther)
{
    // The data ends without a zero; the byte after it is not zero either.
    std::string full(1025, 'y');
    SetRaw("Short", REG_SZ, "abcdef", 3);
    SetRaw("Full", REG_SZ, full.data(), 1024);
    SetRaw("Over", REG_SZ, full.data(), 1025);
    DWORD type, cb;
    ASSERT_EQ(ERROR_SUCCESS, QueryRaw("Full", &type, &cb));
    ASSERT_EQ(1024u, cb) << "the registry added a terminating zero";

    CRegistryKey key(Name().c_str());
    CString out;
    EXPECT_TRUE(key.GetValue("Short", out, ""));
    EXPECT_EQ(out, "abc");
    EXPECT_TRUE(key.GetValue("Full", out, ""));
    EXPECT_EQ(1024, out.GetLength());
    EXPECT_EQ(out, Repeat('y', 1024));
    CString over("unchanged");
    EXPECT_FALSE(key.GetValue("Over", over, ""));
    EXPECT_EQ(over, "unchanged");
}

TEST_F(RegistryKeyTest, SetValue_CreatesTheKeyAndRoundTripsCodePage932)
{
    CRegistryKey key(Name("Sub").c_str());
    const CString text("C:\\Program Files\\ソフト\\表示 能 ｱﾙﾊﾞﾑ");
    EXPECT_TRUE(key.SetValue("Folder", text));
    EXPECT_FALSE(key.Close()) << "no handle may stay open";
    CString out;
    EXPECT_TRUE(key.GetValue("Folder", out, ""));
    EXPECT_EQ(out, text);

    EXPECT_TRUE(key.SetValue("Folder", ""));
    EXPECT_TRUE(key.GetValue("Folder", out, "default"));
    EXPECT_EQ(out, "");
}

TEST_F(RegistryKeyTest, KeyExists_ProbesWithoutCreating)
{
    CRegistryKey key(Name().c_str());
    EXPECT_FALSE(key.KeyExists());
    EXPECT_FALSE(KeyPresent());
    MakeKey();
    EXPECT_TRUE(key.KeyExists());
    EXPECT_FALSE(key.Close()) << "no handle may stay open";
}

TEST_F(RegistryKeyTest, Access_UnreadableAndReadOnlyKeys)
{
    MakeKey();
    SetRaw("InstallFolder", REG_SZ, "C:\\x", 5);
    ASSERT_TRUE(SetAccess("D:P(D;;KR;;;WD)"));
    HKEY hProbe;
    LONG lProbe = RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, KEY_READ, &hProbe);
    if (lProbe == ERROR_SUCCESS)
    {
        RegCloseKey(hProbe);
        GTEST_SKIP() << "this registry does not honour a key's access list";
    }
    CRegistryKey key(Name().c_str());
    EXPECT_FALSE(key.KeyExists());
    EXPECT_EQ(nullptr, key.EnumSubKeys());

    // Readable but not writable: the probe succeeds, the value read (full access) does not.
    ASSERT_TRUE(SetAccess("D:P(A;;KR;;;WD)"));
    EXPECT_TRUE(key.KeyExists());
    CString out("unchanged");
    EXPECT_FALSE(key.GetValue("InstallFolder", out, ""));
    EXPECT_EQ(out, "unchanged");
    EXPECT_FALSE(key.SetValue("InstallFolder", "C:\\y"));
    EXPECT_FALSE(key.Close());
}

TEST_F(RegistryKeyTest, EnumSubKeys_EmptyAbsentAndLongNames)
{
    CRegistryKey key(Name().c_str());
    EXPECT_EQ(nullptr, key.EnumSubKeys()) << "absent key";

    MakeKey();
    std::unique_ptr<CStringArray> pEmpty(key.EnumSubKeys());
    ASSERT_NE(nullptr, pEmpty);
    EXPECT_EQ(0, pEmpty->GetSize());

    // 150 and 255 double-byte characters: 300 and 510 bytes in code page 932, too long for
    // a 256-byte buffer. 255 characters is the longest name the registry takes.
    CString wide, widest;
    for (int i = 0; i < 150; ++i)
        wide += "ソ";
    for (int i = 0; i < 255; ++i)
        widest += "表";
    const CString names[] = { "A", Repeat('B', 255), wide, widest, "能" };
    for (const CString& n : names)
        MakeKey(static_cast<LPCSTR>(n));
    std::unique_ptr<CStringArray> pNames(key.EnumSubKeys());
    ASSERT_NE(nullptr, pNames);
    ASSERT_EQ(5, pNames->GetSize());
    for (const CString& n : names)
    {
        int nFound = 0;
        for (int i = 0; i < pNames->GetSize(); ++i)
            nFound += pNames->GetAt(i) == n ? 1 : 0;
        EXPECT_EQ(1, nFound) << n.GetLength() << "-byte name listed " << nFound << " times";
    }
    EXPECT_FALSE(key.Close()) << "no handle may stay open";
}

TEST_F(RegistryKeyTest, DeleteSubKey_LeafMissingParentOfOthersAndLink)
{
    MakeKey("Leaf");
    MakeKey("Parent\\Child");
    CRegistryKey key(Name().c_str());

    EXPECT_TRUE(key.DeleteSubKey("Leaf"));
    EXPECT_FALSE(KeyPresent("Leaf"));
    EXPECT_FALSE(key.Close()) << "a successful deletion closes";

    EXPECT_FALSE(key.DeleteSubKey("Missing"));
    EXPECT_FALSE(key.DeleteSubKey(""));
    EXPECT_TRUE(KeyPresent()) << "an empty name names the key itself, which a read handle cannot delete";

    // NT refuses a key that has sub-keys of its own, and the handle stays open for a later close.
    EXPECT_FALSE(key.DeleteSubKey("Parent"));
    EXPECT_TRUE(KeyPresent("Parent\\Child"));
    EXPECT_TRUE(key.Close());
    EXPECT_FALSE(key.Close());

    // A sub-key that is a link goes as the link; the key it leads to is another's.
    ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, Path("Target"), "Keep", "me"));
    std::wstring strTarget = L"\\Registry\\Machine\\";
    for (char ch : Path("Target"))
        strTarget += static_cast<wchar_t>(ch);
    ASSERT_TRUE(RegCreateLink(HKEY_LOCAL_MACHINE, Path("Link"), strTarget));
    EXPECT_TRUE(key.DeleteSubKey("Link"));
    EXPECT_TRUE(RegDeleteLink(HKEY_LOCAL_MACHINE, Path("Link"))) << "the link itself is gone";
    EXPECT_TRUE(KeyPresent("Target"));

    CRegistryKey absent(Name("Nowhere").c_str());
    EXPECT_FALSE(absent.DeleteSubKey("Leaf"));
    EXPECT_FALSE(absent.Close());
}
}
