#include <gtest/gtest.h>

#include <string>

#include "framework/File.h"
#include "framework/FileException.h"

namespace
{
const LONGLONG kEpochDelta = 116444736000000000LL;

FILETIME FileTimeOf(LONGLONG seconds, LONGLONG extraTicks)
{
    LONGLONG ticks = seconds * 10000000LL + kEpochDelta + extraTicks;
    FILETIME ft = { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
    return ft;
}

LONGLONG TicksOf(const FILETIME& ft)
{
    return (static_cast<LONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// Wine cannot set a creation time on Linux; the tests take it as the platform reports it.
LONGLONG CreationSeconds(const std::wstring& strFile)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    EXPECT_TRUE(GetFileAttributesExW(strFile.c_str(), GetFileExInfoStandard, &data));
    return (TicksOf(data.ftCreationTime) - kEpochDelta) / 10000000LL;
}

class FileStatusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_strDir = std::wstring(L"C:\\OrvalisTest\\File-") + Name();
        CreateDirectoryW(m_strDir.c_str(), NULL);
        m_strFile = m_strDir + L"\\photo.jpg";
        HANDLE h = CreateFileW(m_strFile.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        DWORD n;
        WriteFile(h, "12345", 5, &n, NULL);
        // Times with sub-second parts, to see the status keep whole seconds.
        FILETIME ftCreation = FileTimeOf(1000000000, 1234567);
        FILETIME ftAccess = FileTimeOf(1100000000, 7654321);
        FILETIME ftWrite = FileTimeOf(1200000000, 5000000);
        SetFileTime(h, &ftCreation, &ftAccess, &ftWrite);
        CloseHandle(h);
    }

    void TearDown() override
    {
        SetFileAttributesW(m_strFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(m_strFile.c_str());
        RemoveDirectoryW(m_strDir.c_str());
    }

    static std::wstring Name()
    {
        const char* psz = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        return std::wstring(psz, psz + strlen(psz));
    }

    std::wstring m_strDir;
    std::wstring m_strFile;
};
}

TEST_F(FileStatusTest, GetStatus_ReadsLowAttributeBitsSizeAndWholeSeconds)
{
    SetFileAttributesW(m_strFile.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(m_strFile.c_str(), status));
    EXPECT_EQ(CFile::readOnly | CFile::hidden | CFile::archive, status.m_attribute);
    EXPECT_EQ(5, status.m_size);
    EXPECT_EQ(1200000000, status.m_mtime);
    EXPECT_EQ(1100000000, status.m_atime);
    EXPECT_EQ(CreationSeconds(m_strFile), status.m_ctime);

    EXPECT_EQ(CFile::readOnly, CFile::readOnly & status.m_attribute);
    EXPECT_TRUE(CFile::GetStatus(L"C:\\OrvalisTest", status));
    EXPECT_EQ(CFile::directory, CFile::directory & status.m_attribute);
}

TEST_F(FileStatusTest, GetStatus_MissingFile_ReturnsFalse)
{
    CFileStatus status;
    EXPECT_FALSE(CFile::GetStatus((m_strDir + L"\\none.jpg").c_str(), status));
    EXPECT_FALSE(CFile::GetStatus("C:\\OrvalisTest\\none\\none.jpg", status));
}

TEST_F(FileStatusTest, SetStatus_ClearsReadOnlyAndWritesTimesBackInWholeSeconds)
{
    SetFileAttributesW(m_strFile.c_str(), FILE_ATTRIBUTE_READONLY);
    const LONGLONG creation = CreationSeconds(m_strFile);
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(m_strFile.c_str(), status));
    status.m_attribute &= ~CFile::readOnly;
    CFile::SetStatus(m_strFile.c_str(), status);

    EXPECT_EQ(0u, GetFileAttributesW(m_strFile.c_str()) & FILE_ATTRIBUTE_READONLY);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(m_strFile.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(TicksOf(FileTimeOf(1200000000, 0)), TicksOf(data.ftLastWriteTime));
    EXPECT_EQ(TicksOf(FileTimeOf(1100000000, 0)), TicksOf(data.ftLastAccessTime));
    EXPECT_EQ(creation, CreationSeconds(m_strFile));
    EXPECT_TRUE(DeleteFileW(m_strFile.c_str()));
}

TEST_F(FileStatusTest, SetStatus_NarrowAndWideNames)
{
    // "表" carries the trail byte 0x5C; the Hangul name has no code-page-932 form.
    const std::wstring strNarrowFile = m_strDir + L"\\\x8868\x793A.jpg";
    const std::wstring strWideFile = m_strDir + L"\\\xD55C\xAE00.jpg";
    for (const std::wstring& strFile : { strNarrowFile, strWideFile })
    {
        HANDLE h = CreateFileW(strFile.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        CloseHandle(h);
    }

    std::string strNarrow = "C:\\OrvalisTest\\File-SetStatus_NarrowAndWideNames\\表示.jpg";
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(strNarrow.c_str(), status));
    status.m_attribute &= ~CFile::readOnly;
    CFile::SetStatus(strNarrow.c_str(), status);
    EXPECT_TRUE(DeleteFileW(strNarrowFile.c_str()));

    ASSERT_TRUE(CFile::GetStatus(strWideFile.c_str(), status));
    status.m_attribute &= ~CFile::readOnly;
    CFile::SetStatus(strWideFile.c_str(), status);
    EXPECT_TRUE(DeleteFileW(strWideFile.c_str()));
}

TEST_F(FileStatusTest, SetStatus_MissingFile_RaisesFileNotFoundWithoutName)
{
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(m_strFile.c_str(), status));
    try
    {
        CFile::SetStatus((m_strDir + L"\\none.jpg").c_str(), status);
        FAIL() << "nothing thrown";
    }
    catch (CFileException* e)
    {
        EXPECT_EQ(CFileException::fileNotFound, e->m_cause);
        EXPECT_TRUE(e->m_strFileName.IsEmpty());
        e->Delete();
    }
}

TEST_F(FileStatusTest, SetStatus_FileOpenWithoutWriteSharing_RaisesSharingViolationAfterAttributes)
{
    SetFileAttributesW(m_strFile.c_str(), FILE_ATTRIBUTE_READONLY);
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(m_strFile.c_str(), status));
    status.m_attribute &= ~CFile::readOnly;

    HANDLE hHolder = CreateFileW(m_strFile.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHolder);
    int cause = -1;
    LONG lOsError = 0;
    try
    {
        CFile::SetStatus(m_strFile.c_str(), status);
    }
    catch (CFileException* e)
    {
        cause = e->m_cause;
        lOsError = e->m_lOsError;
        e->Delete();
    }
    CloseHandle(hHolder);
    EXPECT_EQ(CFileException::sharingViolation, cause);
    EXPECT_EQ(ERROR_SHARING_VIOLATION, lOsError);
    // The attributes were written before the open failed.
    EXPECT_EQ(0u, GetFileAttributesW(m_strFile.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(FileStatusTest, SetStatus_WithoutModificationTime_SetsOnlyAttributes)
{
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(m_strFile.c_str(), status));
    status.m_attribute |= CFile::readOnly;
    status.m_mtime = 0;
    HANDLE hHolder = CreateFileW(m_strFile.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    CFile::SetStatus(m_strFile.c_str(), status);
    CloseHandle(hHolder);
    EXPECT_NE(0u, GetFileAttributesW(m_strFile.c_str()) & FILE_ATTRIBUTE_READONLY);
}
