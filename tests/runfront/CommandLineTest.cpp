// The switches of Setup and Uninstall: what valid lines ask for, which
// errors bad lines give and that the message names the bad switch, GBK
// folders and files (second bytes 0x5C and 0x7C), and the program name in a
// raw command line.
#include "runfront/CommandLine.h"
#include "runfront/ExitCodes.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>

using namespace runfront;

namespace {
// GBK text written as its bytes, so that the cases read the same in the
// Windows build (literals stored as GBK) and natively (literals stored as
// UTF-8). "淺" is 9C 5C and "亅" is 81 7C: their second bytes are the
// backslash and '|'.
const std::string kTrail5C = "\x9C\x5C";                             // 淺
const std::string kTrail7C = "\x81\x7C";                             // 亅
const std::string kSetupLog = "\xB0\xB2\xD7\xB0 \xC8\xD5\xD6\xBE";  // 安装 日志
const std::string kEarthwork = "\xCD\xC1\xB7\xBD";                 // 土方
const std::string kSetupDisk = "\xB0\xB2\xD7\xB0 \xC5\xCC";         // 安装 盘

bool NoLeadBytes(unsigned char)
{
    return false;
}
TEST(MentionsSilentSwitch, FindsTheSilentSwitchAnywhereAsAWholeWord)
{
    EXPECT_TRUE(MentionsSilentSwitch("/S"));
    EXPECT_TRUE(MentionsSilentSwitch("/s"));
    EXPECT_TRUE(MentionsSilentSwitch("/Q /S"));
    EXPECT_TRUE(MentionsSilentSwitch("/D=C:\\ZEMLO\t/S"));
    EXPECT_FALSE(MentionsSilentSwitch(""));
    EXPECT_FALSE(MentionsSilentSwitch("/Silent /SS /Q"));
    EXPECT_FALSE(MentionsSilentSwitch("/LOG=C:\\/S"));
}

}  // namespace

TEST(CommandLine, ValidLinesGiveTheirChoices)
{
    const struct {
        std::string text; bool silent, usage, hasLog; std::string log; bool hasDir; std::string dir;
    } cases[] = {
        {"", false, false, false, "", false, ""},
        {" \t ", false, false, false, "", false, ""},
        {"/S", true, false, false, "", false, ""},
        {"  /s\t", true, false, false, "", false, ""},
        {"/?", false, true, false, "", false, ""},
        {"/LOG=C:\\Logs\\setup.log /S", true, false, true, "C:\\Logs\\setup.log", false, ""},
        {"/log=\"C:\\My Logs\\" + kSetupLog + ".log\"", false, false, true, "C:\\My Logs\\" + kSetupLog + ".log", false, ""},
        // The backslash before the closing quote is no escape, not even as
        // the second byte of a character.
        {"/Log=\"C:\\Logs\\\" /S", true, false, true, "C:\\Logs\\", false, ""},
        {"/LOG=\"C:\\" + kTrail5C + "\"", false, false, true, "C:\\" + kTrail5C, false, ""},
        {"/LOG=relative.log", false, false, true, "relative.log", false, ""},
        // /D= takes the rest of the line, blanks and all, trailing blanks cut.
        {"/S /D=C:\\Program Files\\Kestrova\\ZEMLO", true, false, false, "", true, "C:\\Program Files\\Kestrova\\ZEMLO"},
        {"/d=D:\\" + kEarthwork + " " + kTrail5C + "\\ZEMLO\\  ", false, false, false, "", true,
         "D:\\" + kEarthwork + " " + kTrail5C + "\\ZEMLO\\"},
        {"/D=C:\\a" + kTrail7C + "b", false, false, false, "", true, "C:\\a" + kTrail7C + "b"},
        {"/LOG=\"x y.log\" /S /D=\\\\server\\share\\ZEMLO", true, false, true, "x y.log", true, "\\\\server\\share\\ZEMLO"},
        {"/D=c:\\", false, false, false, "", true, "c:\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const CommandLineResult r = ParseCommandLine(c.text, Program::kSetup);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(r.error, CommandLineError::kNone);
        EXPECT_EQ(r.options.silent, c.silent);
        EXPECT_EQ(r.options.showUsage, c.usage);
        EXPECT_EQ(r.options.hasLogFile, c.hasLog);
        EXPECT_EQ(r.options.logFile, c.log);
        EXPECT_EQ(r.options.hasInstallDir, c.hasDir);
        EXPECT_EQ(r.options.installDir, c.dir);
    }
    // Uninstall takes the same switches but /D= and /ALLUSERS.
    const CommandLineResult r = ParseCommandLine("/S /LOG=\"C:\\a b.log\"", Program::kUninstall);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(r.options.silent);
    EXPECT_EQ(r.options.logFile, "C:\\a b.log");
    EXPECT_FALSE(r.options.allUsers);

    // /ALLUSERS anywhere before /D=, in any case.
    for (const char* text : {"/ALLUSERS", "/S /allusers", "/AllUsers /S /D=C:\\ZEMLO"}) {
        const CommandLineResult all = ParseCommandLine(text, Program::kSetup);
        ASSERT_TRUE(all.ok) << text << ": " << all.message;
        EXPECT_TRUE(all.options.allUsers) << text;
    }
    EXPECT_FALSE(ParseCommandLine("/S", Program::kSetup).options.allUsers);
}

TEST(CommandLine, BadLinesNameTheBadSwitchAndAskForNothing)
{
    using E = CommandLineError;
    const struct { std::string text; Program program; E error; std::string badSwitch; } cases[] = {
        {"/X", Program::kSetup, E::kUnknownSwitch, "/X"},
        {"/S /Silent", Program::kSetup, E::kUnknownSwitch, "/Silent"},
        {"/S=1", Program::kSetup, E::kUnknownSwitch, "/S=1"},
        {"S", Program::kSetup, E::kUnknownSwitch, "S"},
        {"-S", Program::kUninstall, E::kUnknownSwitch, "-S"},
        {"/LOGFILE=a", Program::kSetup, E::kUnknownSwitch, "/LOGFILE=a"},
        {"/" + kTrail5C, Program::kSetup, E::kUnknownSwitch, "/" + kTrail5C},
        {"/S /s", Program::kSetup, E::kDuplicateSwitch, "/s"},
        {"/? /?", Program::kUninstall, E::kDuplicateSwitch, "/?"},
        {"/LOG=a.log /log=b.log", Program::kSetup, E::kDuplicateSwitch, "/log=b.log"},
        {"/LOG=", Program::kSetup, E::kLogFileEmpty, "/LOG="},
        {"/LOG=\"\" /S", Program::kUninstall, E::kLogFileEmpty, "/LOG=\"\""},
        {"/LOG=\"C:\\a b.log /S", Program::kSetup, E::kBadQuoting, "/LOG=\"C:\\a b.log /S"},
        {"/LOG=\"a\"b /S", Program::kSetup, E::kBadQuoting, "/LOG=\"a\"b"},
        {"/LOG=a\"b\"", Program::kSetup, E::kBadQuoting, "/LOG=a\"b\""},
        {"\"/S\"", Program::kSetup, E::kBadQuoting, "\"/S\""},
        {"/S\"\"", Program::kSetup, E::kBadQuoting, "/S\"\""},
        {"/D=C:\\ZEMLO /S", Program::kSetup, E::kInstallDirNotLast, "/S"},
        {"/D=C:\\Program Files\\ZEMLO /LOG=x.log", Program::kSetup, E::kInstallDirNotLast, "/LOG=x.log"},
        {"/D=C:\\a /D=C:\\b", Program::kSetup, E::kInstallDirNotLast, "/D=C:\\b"},
        {"/D=", Program::kSetup, E::kInstallDirEmpty, "/D="},
        {"/S /D=  \t", Program::kSetup, E::kInstallDirEmpty, "/D="},
        {"/D=\"C:\\Program Files\\ZEMLO\"", Program::kSetup, E::kBadQuoting, "/D=\"C:\\Program Files\\ZEMLO\""},
        {"/D=ZEMLO", Program::kSetup, E::kInstallDirNotFullPath, "/D=ZEMLO"},
        {"/D=..\\ZEMLO", Program::kSetup, E::kInstallDirNotFullPath, "/D=..\\ZEMLO"},
        {"/D=\\ZEMLO", Program::kSetup, E::kInstallDirNotFullPath, "/D=\\ZEMLO"},
        {"/D=C:ZEMLO", Program::kSetup, E::kInstallDirNotFullPath, "/D=C:ZEMLO"},
        {"/D=\\\\server", Program::kSetup, E::kInstallDirNotFullPath, "/D=\\\\server"},
        {"/D=\\\\server\\", Program::kSetup, E::kInstallDirNotFullPath, "/D=\\\\server\\"},
        {"/D=C:\\a|b", Program::kSetup, E::kInstallDirBadCharacter, "/D=C:\\a|b"},
        {"/D=C:\\a*", Program::kSetup, E::kInstallDirBadCharacter, "/D=C:\\a*"},
        {"/D=C:\\a:stream", Program::kSetup, E::kInstallDirBadCharacter, "/D=C:\\a:stream"},
        {"/D=C:/Program Files", Program::kSetup, E::kInstallDirBadCharacter, "/D=C:/Program Files"},
        {"/D=\\\\?\\C:\\x", Program::kSetup, E::kInstallDirBadCharacter, "/D=\\\\?\\C:\\x"},
        {"/D=C:\\a\tb", Program::kSetup, E::kInstallDirBadCharacter, "/D=C:\\a\tb"},
        {"/S /D=C:\\ZEMLO", Program::kUninstall, E::kInstallDirOnUninstall, "/D=C:\\ZEMLO"},
        {"/ALLUSERS /S /allusers", Program::kSetup, E::kDuplicateSwitch, "/allusers"},
        {"/S /ALLUSERS", Program::kUninstall, E::kUnknownSwitch, "/ALLUSERS"},
        {"/ALLUSER", Program::kSetup, E::kUnknownSwitch, "/ALLUSER"},
        // The first error in the line wins, /? does not hide it.
        {"/? /X /Y", Program::kSetup, E::kUnknownSwitch, "/X"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const CommandLineResult r = ParseCommandLine(c.text, c.program);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.badSwitch, c.badSwitch);
        EXPECT_NE(r.message.find(c.badSwitch), std::string::npos) << r.message;
        // A refused line asks for nothing, whatever came before the error.
        EXPECT_FALSE(r.options.silent || r.options.showUsage || r.options.hasLogFile || r.options.hasInstallDir ||
                     r.options.allUsers);
        EXPECT_TRUE(r.options.logFile.empty() && r.options.installDir.empty());
    }
}

TEST(CommandLine, DoubleByteCharactersFollowTheGivenLeadByteTest)
{
    // With GBK, 81 7C is one character of the folder; read byte by byte its
    // second byte would be '|', which no folder may hold.
    const std::string line = "/D=C:\\" + kTrail7C;
    EXPECT_TRUE(ParseCommandLine(line, Program::kSetup).ok);
    EXPECT_EQ(ParseCommandLine(line, Program::kSetup, NoLeadBytes).error, CommandLineError::kInstallDirBadCharacter);
    // A lead byte at the very end stands alone and is kept.
    const CommandLineResult r = ParseCommandLine("/D=C:\\a\x81", Program::kSetup);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.options.installDir, "C:\\a\x81");
    // A lead byte right before the closing quote takes the quote as its
    // second byte, so the quote is not closed.
    EXPECT_EQ(ParseCommandLine("/LOG=\"a\x81\"", Program::kSetup).error, CommandLineError::kBadQuoting);
    EXPECT_TRUE(ParseCommandLine("/LOG=\"a\x81\"", Program::kSetup, NoLeadBytes).ok);
}

TEST(CommandLine, SkipProgramNameLeavesTheArguments)
{
    const struct { std::string line, arguments; } cases[] = {
        {"Setup.exe /S", "/S"},
        {"Setup.exe", ""},
        {"", ""},
        {"  Setup.exe  \t/S /LOG=a.log ", "/S /LOG=a.log "},
        {"\"C:\\Program Files\\Kestrova\\ZEMLO\\Uninstall.exe\" /S", "/S"},
        {"\"D:\\" + kSetupDisk + "\\" + kTrail5C + "\\Setup.exe\" /D=C:\\a b", "/D=C:\\a b"},
        {"D:\\" + kTrail5C + "\\Setup.exe /D=C:\\x", "/D=C:\\x"},
        {"\"D:\\a b\"\\Setup.exe /S", "/S"},  // quoted in parts, as the C runtime reads it
        {"\"D:\\no end /S", ""},
        {"\"\" /S", "/S"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(SkipProgramName(c.line), c.arguments);
    }
}

TEST(CommandLine, UsageTextsListTheSwitchesAndEveryExitCode)
{
    const int codes[] = {kExitSuccess, kExitCancelled, kExitFailed, kExitFailedIncomplete, kExitBadCommandLine,
                         kExitNotAdministrator};
    std::set<int> distinct(std::begin(codes), std::end(codes));
    EXPECT_EQ(distinct.size(), std::size(codes));
    std::set<std::string> meanings;
    for (const int code : codes) {
        ASSERT_NE(ExitCodeMeaning(code), nullptr) << code;
        meanings.insert(ExitCodeMeaning(code));
        for (const Program program : {Program::kSetup, Program::kUninstall})
            EXPECT_NE(std::string(UsageText(program)).find("\n  " + std::to_string(code) + " "), std::string::npos)
                << code;
    }
    EXPECT_EQ(meanings.size(), std::size(codes));
    EXPECT_EQ(ExitCodeMeaning(1), nullptr);
    // Only Uninstall ends with these: another run on the same installation,
    // and a removal that the restart completes. Each has a meaning of its
    // own, and Setup's usage does not promise them.
    for (const int code : {kExitAlreadyRunning, kExitRestartNeeded}) {
        ASSERT_NE(ExitCodeMeaning(code), nullptr) << code;
        EXPECT_TRUE(meanings.insert(ExitCodeMeaning(code)).second) << code;
        EXPECT_EQ(distinct.count(code), 0u) << code;
        EXPECT_NE(std::string(kUninstallUsage).find("\n  " + std::to_string(code) + " "), std::string::npos) << code;
        EXPECT_EQ(std::string(kSetupUsage).find("\n  " + std::to_string(code) + " "), std::string::npos) << code;
    }
    EXPECT_EQ(kExitAlreadyRunning, 1618);
    EXPECT_EQ(kExitRestartNeeded, 3010);

    for (const char* name : {"/S", "/LOG=", "/?"}) {
        EXPECT_NE(std::string(kSetupUsage).find(name), std::string::npos) << name;
        EXPECT_NE(std::string(kUninstallUsage).find(name), std::string::npos) << name;
    }
    for (const char* name : {"/D=", "/ALLUSERS"}) {
        EXPECT_NE(std::string(kSetupUsage).find(name), std::string::npos) << name;
        EXPECT_EQ(std::string(kUninstallUsage).find(name), std::string::npos) << name;
    }
}
