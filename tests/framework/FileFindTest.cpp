#include <gtest/gtest.h>

#include <map>
#include <string>

#include "framework/FileFind.h"

namespace
{
class FileFindTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateDirectoryW(kDir, NULL);
        CreateDirectoryW(L"C:\\OrvalisTest\\FileFind\\sub", NULL);
        MakeFile(L"C:\\OrvalisTest\\FileFind\\a.jpg", 0);
        MakeFile(L"C:\\OrvalisTest\\FileFind\\ro.jpg", FILE_ATTRIBUTE_READONLY);
        MakeFile(L"C:\\OrvalisTest\\FileFind\\\xD55C.jpg", 0);   // no code-page-932 form
    }

    void TearDown() override
    {
        for (LPCWSTR psz : { L"a.jpg", L"ro.jpg", L"\xD55C.jpg" })
        {
            std::wstring strFile = std::wstring(kDir) + L"\\" + psz;
            SetFileAttributesW(strFile.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(strFile.c_str());
        }
        RemoveDirectoryW(L"C:\\OrvalisTest\\FileFind\\sub");
        RemoveDirectoryW(kDir);
    }

    static void MakeFile(LPCWSTR pszPath, DWORD dwAttributes)
    {
        HANDLE h = CreateFileW(pszPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, dwAttributes, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        CloseHandle(h);
    }

    static constexpr LPCWSTR kDir = L"C:\\OrvalisTest\\FileFind";
};
}

TEST_F(FileFindTest, FindFile_ReportsEachEntryOnceWithItsKind)
{
    std::map<std::wstring, DWORD> found;
    CFileFind find;
    int nDots = 0;
    for (BOOL bMore = find.FindFile("C:\\OrvalisTest\\FileFind\\*.*"); bMore;)
    {
        bMore = find.FindNextFile();
        if (find.IsDots())
        {
            ++nDots;
            EXPECT_TRUE(find.IsDirectory());
            continue;
        }
        EXPECT_TRUE(found.emplace(find.GetFileNameW(), find.GetAttributes()).second) << find.GetFileName();
        if (std::wstring(find.GetFileNameW()) == L"sub")
            EXPECT_TRUE(find.IsDirectory());
        else
            EXPECT_FALSE(find.IsDirectory());
        EXPECT_EQ(std::wstring(find.GetFileNameW()) == L"ro.jpg", find.IsReadOnly() != FALSE);
    }
    EXPECT_EQ(NO_ERROR, find.GetSearchError());
    EXPECT_EQ(2, nDots);
    EXPECT_EQ(4u, found.size());
    EXPECT_EQ(1u, found.count(L"\xD55C.jpg"));
}

TEST_F(FileFindTest, GetFileName_GivesCodePageTextAndWideName)
{
    CFileFind find;
    ASSERT_TRUE(find.FindFile(L"C:\\OrvalisTest\\FileFind\\\xD55C.jpg"));
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_STREQ(L"\xD55C.jpg", find.GetFileNameW());
    EXPECT_STREQ("?.jpg", find.GetFileName());
}

TEST_F(FileFindTest, FindFile_NoMatchIsNotAnError)
{
    CFileFind find;
    EXPECT_FALSE(find.FindFile("C:\\OrvalisTest\\FileFind\\*.none"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(NO_ERROR, find.GetSearchError());
    EXPECT_FALSE(find.FindNextFile());
}

// A search that cannot start is told apart from an empty one.
TEST_F(FileFindTest, FindFile_MissingFolderReportsError)
{
    CFileFind find;
    EXPECT_FALSE(find.FindFile("C:\\OrvalisTest\\FileFind\\none\\*.*"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), find.GetSearchError());
    EXPECT_FALSE(find.FindNextFile());
}

TEST_F(FileFindTest, FindFile_DefaultSearchesCurrentDirectory)
{
    WCHAR szSaved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, szSaved);
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\OrvalisTest\\FileFind\\sub"));
    CFileFind find;
    int nEntries = 0;
    for (BOOL bMore = find.FindFile(); bMore;)
    {
        bMore = find.FindNextFile();
        EXPECT_TRUE(find.IsDots());
        ++nEntries;
    }
    SetCurrentDirectoryW(szSaved);
    EXPECT_EQ(2, nEntries);
}

TEST_F(FileFindTest, FindFile_AgainRestartsAndCloseEnds)
{
    CFileFind find;
    ASSERT_TRUE(find.FindFile("C:\\OrvalisTest\\FileFind\\a.jpg"));
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_STREQ(L"a.jpg", find.GetFileNameW());
    EXPECT_FALSE(find.FindNextFile());
    ASSERT_TRUE(find.FindFile("C:\\OrvalisTest\\FileFind\\ro.jpg"));
    find.FindNextFile();
    EXPECT_STREQ(L"ro.jpg", find.GetFileNameW());
    find.Close();
    EXPECT_FALSE(find.FindNextFile());
}
