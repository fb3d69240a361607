// The log format's edges. Its ordinary lines are checked where they are
// made and read: the install worker's whole log in the engine tests, every
// kind replayed from a written log in the uninstall tests.
#include "installlog/InstallLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace installlog;

namespace {
std::vector<std::string> Entries(const std::string& log, int kind)
{
    std::vector<std::string> texts;
    std::size_t position = 0, start = 0, length = 0;
    while (FindNextEntry(log, kind, position, start, length))
        texts.push_back(log.substr(start, length));
    return texts;
}
}  // namespace

TEST(InstallLog, EdgesOfTheTextAndBadKinds)
{
    // The last entry runs to the end without a line feed, even when empty.
    EXPECT_EQ(Entries("File Copy: C:\\a\nFile Copy: C:\\b", kFileCopy), (std::vector<std::string>{"C:\\a", "C:\\b"}));
    EXPECT_EQ(Entries("Made Dir: ", kMadeDir), std::vector<std::string>{""});
    // A kind without entries and bad kinds find nothing and change nothing.
    const std::string log = "File Copy: C:\\a\n";
    std::size_t position = 0, start = 7, length = 9;
    EXPECT_FALSE(FindNextEntry(log, kMadeDir, position, start, length));
    EXPECT_EQ(start, 7u);
    EXPECT_EQ(length, 9u);
    EXPECT_FALSE(FindNextEntry(log, -1, position, start, length));
    EXPECT_FALSE(FindNextEntry(log, kKindCount, position, start, length));
    EXPECT_EQ(CountEntries("", kFileCopy), 0);
    // A position past the end finds nothing and reads nothing.
    position = log.size() + 5;
    EXPECT_FALSE(FindNextEntry(log, kFileCopy, position, start, length));
}

TEST(InstallLog, RootDigitsAndTheirTexts)
{
    std::string log;
    AppendRegKeyEntry(log, kClassesRoot, "a");
    AppendRegKeyEntry(log, kOtherRoot, "b");
    AppendRegKeyEntry(log, 17, "c");
    EXPECT_EQ(log, "RegDB Key: 0,a\nRegDB Key: 4,b\nRegDB Key: 4,c\n");

    // Entry text, whether it splits, the root and the sub-key.
    const struct { const char* text; bool ok; RegRootDigit root; const char* subKey; } cases[] = {
        {"0,CLSID", true, kClassesRoot, "CLSID"}, {"1,Software\\A,B", true, kCurrentUser, "Software\\A,B"},
        {"2,SOFTWARE\\Kestrova", true, kLocalMachine, "SOFTWARE\\Kestrova"}, {"3,.DEFAULT", true, kUsers, ".DEFAULT"},
        {"4,System", true, kOtherRoot, "System"}, {"7,x", true, kOtherRoot, "x"}, {"22,x", true, kOtherRoot, "x"},
        {",x", true, kOtherRoot, "x"}, {"2", false, kOtherRoot, ""}, {"SOFTWARE\\Kestrova", false, kOtherRoot, ""},
    };
    for (const auto& c : cases) {
        RegRootDigit root = kOtherRoot;
        std::string_view subKey;
        EXPECT_EQ(SplitRegKeyEntry(c.text, root, subKey), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(root, c.root) << c.text;
            EXPECT_EQ(subKey, c.subKey) << c.text;
        }
    }
}

// Every log digit and every text a hand-edited log may hold: only a single
// "0" to "3" names its root; the digit check takes exactly 0 to 4.
TEST(InstallLog, RootDigitCheckAndRootOfAText)
{
    const std::pair<const char*, RegRootDigit> texts[] = {
        {"0", kClassesRoot}, {"1", kCurrentUser}, {"2", kLocalMachine}, {"3", kUsers}, {"4", kOtherRoot},
        {"5", kOtherRoot},   {"02", kOtherRoot},  {" 2", kOtherRoot},   {"2 ", kOtherRoot}, {"", kOtherRoot},
        {"-1", kOtherRoot},  {"HKLM", kOtherRoot}};
    for (const auto& t : texts)
        EXPECT_EQ(RegRootFromText(t.first), t.second) << '"' << t.first << '"';
    EXPECT_EQ(RegRootFromText(std::string_view("2\0", 2)), kOtherRoot);
    for (int digit = -2; digit <= 6; ++digit)
        EXPECT_EQ(IsRegRootDigit(digit), digit >= 0 && digit <= 4) << digit;
}

TEST(InstallLog, OnlyPlainPathsAreRecordable)
{
    // A line break would end the entry early and start one of the
    // planter's choosing; a prefix inside a line would be found as an entry
    // of its own by the reader's search.
    const std::string path = "C:\\Users\\u\\Desktop";
    for (const std::string& bad :
         {path + "\r\nReg Ctrl: C:\\Users\\Public\\evil.dll", path + "\n", std::string("C:\\a\rb"),
          path + std::string(1, '\0') + "x", path + "\t", path + "\x7f", path + " Reg Ctrl: C:\\evil.dll",
          std::string("C:\\File Copy: x"), std::string("C:\\Made Dir: x"), std::string("RegDB Key: 2,x"),
          std::string()})
        EXPECT_FALSE(IsRecordableText(bad)) << ::testing::PrintToString(bad);
    // Blanks, GBK text (淺 is 9C 5C, 誠 D5 5C) and colons elsewhere are fine.
    for (const std::string& good : {path, std::string("D:\\目标 淺\\誠.txt"), std::string("2,SOFTWARE\\Kestrova"),
                                    std::string("C:\\File Copy\\x"), std::string("\\\\server\\share\\a b")})
        EXPECT_TRUE(IsRecordableText(good)) << good;
}
