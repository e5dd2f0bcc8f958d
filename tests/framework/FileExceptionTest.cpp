#include <gtest/gtest.h>

#include <string>

#include "framework/FileException.h"
#include "framework/MessageBox.h"
#include "framework/WinApp.h"

namespace
{
struct CShownBox
{
    std::string strText;
    std::string strCaption;
    UINT nType = 0;
    int nCount = 0;
};
CShownBox g_box;

int RecordBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    g_box.strText = lpszText;
    g_box.strCaption = lpszCaption != NULL ? lpszCaption : "";
    g_box.nType = nType;
    ++g_box.nCount;
    return IDOK;
}

std::string MessageOf(const CFileException& e)
{
    char sz[512];
    EXPECT_TRUE(e.GetErrorMessage(sz, sizeof(sz)));
    return sz;
}
}

TEST(FileExceptionTest, OsErrorToException_MapsPlatformCodesToCauses)
{
    const struct
    {
        LONG lOsError;
        int cause;
    } cases[] = {
        { NO_ERROR, CFileException::none },
        { ERROR_FILE_NOT_FOUND, CFileException::fileNotFound },
        { ERROR_PATH_NOT_FOUND, CFileException::badPath },
        { ERROR_INVALID_NAME, CFileException::badPath },
        { ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles },
        { ERROR_ACCESS_DENIED, CFileException::accessDenied },
        { ERROR_WRITE_PROTECT, CFileException::accessDenied },
        { ERROR_INVALID_HANDLE, CFileException::invalidFile },
        { ERROR_CURRENT_DIRECTORY, CFileException::removeCurrentDir },
        { ERROR_NO_SPOOL_SPACE, CFileException::directoryFull },
        { ERROR_SEEK, CFileException::badSeek },
        { ERROR_NEGATIVE_SEEK, CFileException::badSeek },
        { ERROR_CRC, CFileException::hardIO },
        { ERROR_NOT_READY, CFileException::hardIO },
        { ERROR_SHARING_VIOLATION, CFileException::sharingViolation },
        { ERROR_LOCK_VIOLATION, CFileException::lockViolation },
        { ERROR_HANDLE_DISK_FULL, CFileException::diskFull },
        { ERROR_DISK_FULL, CFileException::diskFull },
        { ERROR_HANDLE_EOF, CFileException::endOfFile },
        { ERROR_NOT_ENOUGH_MEMORY, CFileException::generic },
        { 0x7FFF1234, CFileException::generic },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.cause, CFileException::OsErrorToException(c.lOsError)) << "error " << c.lOsError;
}

TEST(FileExceptionTest, ThrowOsError_ThrowsByPointerWithCauseCodeAndName)
{
    try
    {
        CFileException::ThrowOsError(ERROR_ACCESS_DENIED, "C:\\a.txt");
        FAIL() << "nothing thrown";
    }
    catch (CFileException* e)
    {
        EXPECT_EQ(CFileException::accessDenied, e->m_cause);
        EXPECT_EQ(ERROR_ACCESS_DENIED, e->m_lOsError);
        EXPECT_STREQ("C:\\a.txt", e->m_strFileName);
        e->Delete();
    }
}

// A failure the platform gives no code for must still be raised, not pass as success.
TEST(FileExceptionTest, ThrowOsError_WithoutCode_RaisesGeneric)
{
    try
    {
        CFileException::ThrowOsError(NO_ERROR);
        FAIL() << "nothing thrown";
    }
    catch (CFileException* e)
    {
        EXPECT_EQ(CFileException::generic, e->m_cause);
        e->Delete();
    }
}

TEST(FileExceptionTest, GetErrorMessage_EachCauseHasItsTextWithUnnamedFile)
{
    const char* const texts[] = {
        "ｴﾗｰはありません。",
        "無題のﾌｧｲﾙ へのｱｸｾｽ中に予期しないｴﾗｰが発生しました。",
        "無題のﾌｧｲﾙ が見つかりません。",
        "無題のﾌｧｲﾙ は無効なﾊﾟｽです。",
        "開いているﾌｧｲﾙが多すぎるため 無題のﾌｧｲﾙ を開けませんでした。",
        "無題のﾌｧｲﾙ へのｱｸｾｽは拒否されました。",
        "無題のﾌｧｲﾙ へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられています。",
        "無題のﾌｧｲﾙ could not be removed because it is the current directory.",
        "ﾃﾞｨﾚｸﾄﾘの空き容量が不足しているため 無題のﾌｧｲﾙ を作成できません。",
        "無題のﾌｧｲﾙ のｼｰｸに失敗しました",
        "無題のﾌｧｲﾙ へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。",
        "無題のﾌｧｲﾙ へのｱｸｾｽ中に共有違反が発生しました。",
        "無題のﾌｧｲﾙ へのｱｸｾｽ中にﾛｯｷﾝｸﾞ違反が発生しました。",
        "無題のﾌｧｲﾙ へのｱｸｾｽ中にﾃﾞｨｽｸの空き容量が不足しました。",
        "無題のﾌｧｲﾙ の末尾以降にｱｸｾｽしようとしました。",
    };
    for (int cause = CFileException::none; cause <= CFileException::endOfFile; ++cause)
        EXPECT_EQ(texts[cause], MessageOf(CFileException(cause))) << "cause " << cause;
}

TEST(FileExceptionTest, GetErrorMessage_NamesTheFileWhenGiven)
{
    // "ソ" and "表" carry the trail byte 0x5C.
    CFileException e(CFileException::sharingViolation, ERROR_SHARING_VIOLATION, "C:\\ソフト\\表示.txt");
    EXPECT_EQ("C:\\ソフト\\表示.txt へのｱｸｾｽ中に共有違反が発生しました。", MessageOf(e));
}

TEST(FileExceptionTest, GetErrorMessage_CauseOutOfRangeReadsAsGeneric)
{
    EXPECT_EQ(MessageOf(CFileException(CFileException::generic)), MessageOf(CFileException(99)));
    EXPECT_EQ(MessageOf(CFileException(CFileException::generic)), MessageOf(CFileException(-1)));
}

TEST(FileExceptionTest, GetErrorMessage_ShortBufferCutsAtCharacterBoundary)
{
    CFileException e(CFileException::accessDenied);
    // "無題" is four bytes; a five-byte buffer holds it and the terminator, a four-byte one
    // must not keep half of "題".
    char sz[8];
    ASSERT_TRUE(e.GetErrorMessage(sz, 5));
    EXPECT_STREQ("無題", sz);
    ASSERT_TRUE(e.GetErrorMessage(sz, 4));
    EXPECT_STREQ("無", sz);
    EXPECT_FALSE(e.GetErrorMessage(NULL, 0));
}

TEST(FileExceptionTest, ReportError_ShowsStopBoxWithCauseTextAndAppTitle)
{
    g_box = CShownBox();
    AfxSetMessageBoxHook(RecordBox);
    CFileException* e = new CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED);
    EXPECT_EQ(IDOK, e->ReportError(MB_ICONSTOP));
    e->Delete();
    AfxSetMessageBoxHook(NULL);

    EXPECT_EQ(1, g_box.nCount);
    EXPECT_EQ("無題のﾌｧｲﾙ へのｱｸｾｽは拒否されました。", g_box.strText);
    EXPECT_EQ(std::string(AfxGetAppName()), g_box.strCaption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), g_box.nType & MB_ICONMASK);
    EXPECT_EQ(static_cast<UINT>(MB_OK), g_box.nType & MB_TYPEMASK);
}
