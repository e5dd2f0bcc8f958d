#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "framework/String.h"

namespace
{
// Compares bytes, so that a failure shows which byte went wrong.
std::string Bytes(const CString& s)
{
    return std::string(static_cast<LPCSTR>(s), s.GetLength());
}
}

TEST(StringTest, ThisProcessUsesCodePage932)
{
    ASSERT_EQ(932u, GetACP()) << "run with LC_ALL=ja_JP.UTF-8";
}

TEST(StringTest, ReverseFind_SkipsTrailByte5C)
{
    CString s("C:\\ソフト\\表示");
    EXPECT_EQ(9, s.ReverseFind('\\'));
}

// ソ, 表 and 能 end in 0x5C, the byte of a backslash.
TEST(StringTest, ReverseFind_NeverStopsOnATrailByte)
{
    EXPECT_EQ(-1, CString("ソフト").ReverseFind('\\'));
    EXPECT_EQ(-1, CString("表示能").ReverseFind('\\'));
    EXPECT_EQ(2, CString("能\\表").ReverseFind('\\'));
    EXPECT_EQ(4, CString("表示\\").ReverseFind('\\'));
    EXPECT_EQ(0, CString("\\ソ").ReverseFind('\\'));

    CString path("C:\\Program Files\\ソフト\\能");
    int n = path.ReverseFind('\\');
    EXPECT_EQ("C:\\Program Files\\ソフト", Bytes(path.Left(n)));

    // A lead byte at the very end has no trail byte to skip.
    CString cut("ab\\\x83");
    EXPECT_EQ(2, cut.ReverseFind('\\'));
    EXPECT_EQ(-1, CString().ReverseFind('\\'));
}

TEST(StringTest, CopiesShareUntilOneChanges)
{
    CString a("C:\\Album");
    CString b(a);
    CString c;
    c = a;
    EXPECT_EQ(static_cast<LPCSTR>(a), static_cast<LPCSTR>(b)) << "a copy shares the text";

    b += "\\x";
    c += "\\sub";
    CString d(a);
    strcpy(d.GetBuffer(20), "other");
    d.ReleaseBuffer();
    CString e(a);
    e = "replaced";
    e.Empty();

    EXPECT_EQ("C:\\Album", Bytes(a));
    EXPECT_EQ("C:\\Album\\x", Bytes(b));
    EXPECT_EQ("C:\\Album\\sub", Bytes(c));
    EXPECT_EQ("other", Bytes(d));
    EXPECT_TRUE(e.IsEmpty());
    EXPECT_EQ(8, a.GetLength());
}

TEST(StringTest, AppendingToItself)
{
    CString s("ソフト");
    s += s;
    EXPECT_EQ("ソフトソフト", Bytes(s));

    // With room to spare the text is appended in place, from its own buffer.
    CString roomy("ab");
    roomy.GetBuffer(100);
    roomy.ReleaseBuffer();
    roomy += roomy;
    roomy += static_cast<LPCSTR>(roomy);
    EXPECT_EQ("abababab", Bytes(roomy));

    CString shared("xy");
    CString copy(shared);
    copy += static_cast<LPCSTR>(copy);
    EXPECT_EQ("xyxy", Bytes(copy));
    EXPECT_EQ("xy", Bytes(shared));

    CString tail("0123456789");
    tail = static_cast<LPCSTR>(tail) + 4;
    EXPECT_EQ("456789", Bytes(tail));

    CString grown;
    for (int i = 0; i < 1000; ++i)
        grown += 'z';
    EXPECT_EQ(std::string(1000, 'z'), Bytes(grown));
    EXPECT_EQ("a\\b", Bytes(CString("a") + '\\' + "b"));
}

TEST(StringTest, GetBufferAndReleaseBuffer)
{
    CString s;
    LPSTR p = s.GetBuffer(260);
    ASSERT_NE(nullptr, p);
    UINT n = GetWindowsDirectoryA(p, 260);
    ASSERT_GT(n, 2u);
    s.ReleaseBuffer();
    EXPECT_EQ(static_cast<int>(n), s.GetLength());

    CString t("abcdef");
    t.GetBuffer(0);
    t.ReleaseBuffer(3);
    EXPECT_EQ("abc", Bytes(t));
    t.GetBuffer(0);
    t.ReleaseBuffer(0);
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ("", Bytes(t));

    // Embedded bytes count up to the length given, not to the first zero.
    CString u;
    memcpy(u.GetBuffer(4), "ab\0d", 4);
    u.ReleaseBuffer(4);
    EXPECT_EQ(4, u.GetLength());
}

TEST(StringTest, Format)
{
    CString s;
    s.Format("%s\\オルヴァリス.lnk", "C:\\ソフト");
    EXPECT_EQ("C:\\ソフト\\オルヴァリス.lnk", Bytes(s));

    std::string big(5000, 'q');
    s.Format("%s-%d-%s", big.c_str(), 42, "表示");
    EXPECT_EQ(big + "-42-表示", Bytes(s));

    // The string may be its own argument.
    CString self("C:\\Program Files\\Orvalis");
    self.Format("%s|%s", static_cast<LPCSTR>(self), static_cast<LPCSTR>(self));
    EXPECT_EQ("C:\\Program Files\\Orvalis|C:\\Program Files\\Orvalis", Bytes(self));

    CString empty("x");
    empty.Format("%s", "");
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(StringTest, Left_ClampsToTheText)
{
    CString s("abc");
    EXPECT_EQ("", Bytes(s.Left(-1)));
    EXPECT_EQ("abc", Bytes(s.Left(10)));
}

TEST(StringTest, LoadString_MissingIdGivesEmptyText)
{
    CString s("unchanged");
    EXPECT_FALSE(s.LoadString(0xBEEF));
    EXPECT_TRUE(s.IsEmpty());
}
