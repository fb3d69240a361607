#include "winlib/StringUtil.h"

#include <gtest/gtest.h>

using namespace winlib;

// 淺 is 9C 5C and 嘰 is 87 5C in GBK: the second byte is a backslash.
TEST(StringUtil, BackslashAtTheEndIsAWholeCharacter)
{
    ASSERT_EQ(::GetACP(), 936u) << "the tests need code page 936 (LANG=zh_CN.UTF-8)";
    EXPECT_TRUE(IsLeadByte('\x9C'));
    EXPECT_FALSE(IsLeadByte('\\'));
    EXPECT_TRUE(EndsWithBackslash("C:\\"));
    EXPECT_FALSE(EndsWithBackslash("C:\\淺"));
    EXPECT_TRUE(EndsWithBackslash("C:\\淺\\"));
    EXPECT_FALSE(EndsWithBackslash(""));
    EXPECT_FALSE(EndsWithBackslash("C:/"));
    EXPECT_TRUE(EndsWithSeparator("C:/"));
    EXPECT_FALSE(EndsWithSeparator("嘰"));

    std::string path = "D:\\嘰";
    AppendBackslash(path);
    EXPECT_EQ(path, "D:\\嘰\\");
    AppendBackslash(path);
    EXPECT_EQ(path, "D:\\嘰\\");
}

TEST(StringUtil, LastBackslashSkipsTrailBytes)
{
    EXPECT_EQ(FindLastBackslash("C:\\dir\\淺"), 6u);
    EXPECT_EQ(FindLastBackslash("淺嘰"), std::string::npos);
    EXPECT_EQ(FindLastBackslash("a\\b"), 1u);
    // A lead byte cut off at the end of the string counts as one byte.
    EXPECT_EQ(LastCharIndex(std::string("a\x9C")), 1u);
}

TEST(StringUtil, TrimAndCompareIgnoringCase)
{
    EXPECT_EQ(Trim("  C:\\Program Files\\ \t\r\n"), "C:\\Program Files\\");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_TRUE(EqualNoCase("SETUP.exe", "setup.EXE"));
    EXPECT_FALSE(EqualNoCase("setup.exe", "setup.ex"));
    EXPECT_TRUE(EqualNoCase("淺a", "淺A"));
    // Trail bytes are letters in GBK's range (0x40-0x7E): they must match
    // exactly, never by case. 臥 is C5 50 ("P"), the pair C5 70 ("p") is
    // another character.
    EXPECT_FALSE(EqualNoCase("\xC5\x50", "\xC5\x70"));
}

TEST(StringUtil, FormatGrowsAsNeeded)
{
    const std::string long_text(5000, 'x');
    EXPECT_EQ(Format("%s|%d", long_text.c_str(), 7), long_text + "|7");
}
