#include <gtest/gtest.h>

#include "framework/String.h"

TEST(StringTest, ReverseFind_SkipsTrailByte5C)
{
    CString s("C:\\ソフト\\表示");
    EXPECT_EQ(9, s.ReverseFind('\\'));
}
