#include <gtest/gtest.h>

#include <tessaly/cstring.h>

TEST(CString, MidLeftRightClampLikeTheFramework) {
    CString s("abcdef");
    EXPECT_STREQ(s.Mid(2), "cdef");
    EXPECT_STREQ(s.Mid(2, 10), "cdef");
    EXPECT_STREQ(s.Mid(-3, 2), "ab");
    EXPECT_STREQ(s.Left(10), "abcdef");
    EXPECT_STREQ(s.Right(2), "ef");
    EXPECT_STREQ(s.Right(-1), "");
}
