// The fixtures every end-to-end test relies on for isolation and comparison.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestRegistry.h"

namespace
{
const char kScratchKey[] = "Software\\OrvalisTest\\Backup";
const char kScratchFolder[] = "C:\\OrvalisTest\\fixture tree";
}

TEST(FixtureTest, RegistryBackup_RestoresSubtreeExactly)
{
    ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kScratchKey));
    ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kScratchKey, "Text", "ソフト表示"));
    ASSERT_TRUE(RegSetDword(HKEY_LOCAL_MACHINE, kScratchKey, "Number", 7));
    ASSERT_TRUE(RegSetRaw(HKEY_LOCAL_MACHINE, std::string(kScratchKey) + "\\Sub\\Deeper", "", REG_BINARY,
                          std::string("\0\x01\xff", 3)));
    const std::vector<std::string> original = RegExport(HKEY_LOCAL_MACHINE, kScratchKey);
    ASSERT_EQ(6u, original.size()) << "three keys and three values";
    {
        CRegistryBackup backup(HKEY_LOCAL_MACHINE, kScratchKey);
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kScratchKey, "Text", "changed"));
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, std::string(kScratchKey) + "\\Added", "x", "y"));
        ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, std::string(kScratchKey) + "\\Sub"));
        EXPECT_NE(original, RegExport(HKEY_LOCAL_MACHINE, kScratchKey));
    }
    EXPECT_EQ(original, RegExport(HKEY_LOCAL_MACHINE, kScratchKey));
    EXPECT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, "Software\\OrvalisTest"));
}

TEST(FixtureTest, RegistryBackup_RestoresAbsence)
{
    ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kScratchKey));
    {
        CRegistryBackup backup(HKEY_LOCAL_MACHINE, kScratchKey);
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, std::string(kScratchKey) + "\\Sub", "v", "w"));
    }
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kScratchKey));
    EXPECT_TRUE(RegExport(HKEY_LOCAL_MACHINE, kScratchKey).empty());
    RegDeleteTreeAll(HKEY_LOCAL_MACHINE, "Software\\OrvalisTest");
}

TEST(FixtureTest, ListTree_ShowsEveryEntryWithAttributesAndSize)
{
    ASSERT_TRUE(RemoveTestTree(kScratchFolder));
    const std::string folder = kScratchFolder;
    ASSERT_TRUE(MakeFolders(folder + "\\ｱﾙﾊﾞﾑ\\2024"));
    ASSERT_TRUE(WriteTextFile(folder + "\\ｱﾙﾊﾞﾑ\\2024\\photo.jpg", "12345"));
    ASSERT_TRUE(WriteTextFile(folder + "\\readme.txt", ""));
    ASSERT_TRUE(SetFileAttributesA((folder + "\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));

    const std::vector<std::string> expected = {
        "readme.txt\t00000021\t0",
        "ｱﾙﾊﾞﾑ\t00000010\t0",
        "ｱﾙﾊﾞﾑ\\2024\t00000010\t0",
        "ｱﾙﾊﾞﾑ\\2024\\photo.jpg\t00000020\t5",
    };
    EXPECT_EQ(expected, ListTree(folder));
    EXPECT_TRUE(RemoveTestTree(folder));
    EXPECT_TRUE(ListTree(folder).empty());
    EXPECT_FALSE(FileExists(folder));
}
