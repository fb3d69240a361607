// The one rule for the paths both programs act on: the regular form of an
// accepted path, and each kind of path refused with its reason.
#include "installlog/PathRule.h"

#include <gtest/gtest.h>

#include <string>

using installlog::NormalizeInstallFolder;
using installlog::NormalizePath;
using installlog::PathRefusal;

namespace {

// GBK characters whose second byte is the backslash (淺 9C 5C, 誠 D5 5C)
// or a slash-free ASCII byte that a byte scan would misread.
const std::string kShallow = "\x9C\x5C";
const std::string kSincere = "\xD5\x5C";

std::string Normal(const std::string& text)
{
    std::string out = "untouched";
    return NormalizePath(text, out) == PathRefusal::kNone ? out : "refused";
}

}  // namespace

TEST(PathRule, AcceptedPathsTakeOneRegularForm)
{
    EXPECT_EQ(Normal("C:\\Program Files\\Kestrova\\ZEMLO"), "C:\\Program Files\\Kestrova\\ZEMLO");
    EXPECT_EQ(Normal("C:\\ZEMLO\\"), "C:\\ZEMLO");
    EXPECT_EQ(Normal("c:/a//b\\\\c/"), "c:\\a\\b\\c");
    EXPECT_EQ(Normal("D:\\" + kShallow + "\\" + kSincere), "D:\\" + kShallow + "\\" + kSincere);
    EXPECT_EQ(Normal("D:\\" + kShallow + kSincere + "\\x"), "D:\\" + kShallow + kSincere + "\\x");
    EXPECT_EQ(Normal("C:\\"), "C:");
    EXPECT_EQ(Normal("C:\\a.b\\.hidden\\x y"), "C:\\a.b\\.hidden\\x y");
    EXPECT_EQ(Normal("C:\\CONSOLE\\NULL.txt\\COM10"), "C:\\CONSOLE\\NULL.txt\\COM10");
    // The regular form is its own regular form.
    for (const char* text : {"C:\\a\\b", "c:\\x"})
        EXPECT_EQ(Normal(Normal(text)), Normal(text)) << text;
}

TEST(PathRule, EveryKindOfPathThatCannotBeJudgedIsRefusedWithItsReason)
{
    const struct {
        std::string text;
        PathRefusal refusal;
    } cases[] = {
        {"", PathRefusal::kEmpty},
        {"ZEMLO", PathRefusal::kNotOnADrive},
        {"\\ZEMLO", PathRefusal::kNotOnADrive},
        {"C:ZEMLO", PathRefusal::kNotOnADrive},
        {"C:", PathRefusal::kNotOnADrive},
        {"\\\\server\\share\\ZEMLO", PathRefusal::kNotOnADrive},
        {"\\\\server\\share", PathRefusal::kNotOnADrive},
        {"\\\\\\share", PathRefusal::kNotOnADrive},  // a server with an empty name
        {"\\\\?\\C:\\ZEMLO", PathRefusal::kNotOnADrive},
        {"\\\\.\\C:\\ZEMLO", PathRefusal::kNotOnADrive},
        {"1:\\ZEMLO", PathRefusal::kNotOnADrive},
        {"C:\\a\\..\\Windows", PathRefusal::kBadComponent},
        {"C:\\a\\.\\b", PathRefusal::kBadComponent},
        {"C:\\ZEMLO.", PathRefusal::kBadComponent},
        {"C:\\ZEMLO \\x", PathRefusal::kBadComponent},
        {"C:\\ZEMLO\\NUL", PathRefusal::kBadComponent},
        {"C:\\ZEMLO\\com1.txt", PathRefusal::kBadComponent},
        {"C:\\ZEMLO\\CON .log", PathRefusal::kBadComponent},
        {"C:\\ZEMLO\\a*", PathRefusal::kBadCharacter},
        {"C:\\ZEMLO\\a?", PathRefusal::kBadCharacter},
        {"C:\\ZEMLO\\a\"b", PathRefusal::kBadCharacter},
        {"C:\\ZEMLO\\a<b>|", PathRefusal::kBadCharacter},
        {"C:\\ZEMLO\\file.txt:stream", PathRefusal::kBadCharacter},
        {"C:\\ZEMLO\\a\tb", PathRefusal::kBadCharacter},
        {"C:\\ZEMLO\r\nFile Copy: C:\\x", PathRefusal::kBadCharacter},
        {std::string("C:\\ZEMLO\0x", 10), PathRefusal::kBadCharacter},
        {"C:\\ZEMLO\x7F", PathRefusal::kBadCharacter},
    };
    for (const auto& c : cases) {
        std::string out = "untouched";
        EXPECT_EQ(NormalizePath(c.text, out), c.refusal) << c.text;
        EXPECT_EQ(out, "untouched") << c.text;
    }
    // An installation folder may not be a drive's root, however spelt.
    for (const char* root : {"C:\\", "C:/", "C:\\\\", "d:\\//"}) {
        std::string out = "untouched";
        EXPECT_EQ(NormalizeInstallFolder(root, out), PathRefusal::kDriveRoot) << root;
        EXPECT_EQ(out, "untouched");
    }
    std::string folder;
    EXPECT_EQ(NormalizeInstallFolder("C:\\Tools\\", folder), PathRefusal::kNone);
    EXPECT_EQ(folder, "C:\\Tools");
    EXPECT_EQ(NormalizeInstallFolder("\\\\server\\share\\ZEMLO", folder), PathRefusal::kNotOnADrive);
}
