// The administrator's run log: its records on disk, the no-op without a
// file, files it must not use, and a reader tailing it while it is written.
#include "FileHelpers.h"
#include "TempDir.h"
#include "runfront/RunLog.h"
#include "winlib/Handles.h"
#include "winlib/SysError.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using runfront::RunLog;

namespace {
SYSTEMTIME FixedTime()
{
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 3;
    t.wDay = 7;
    t.wHour = 9;
    t.wMinute = 5;
    t.wSecond = 4;
    t.wMilliseconds = 21;
    return t;
}

// Counts the reports and keeps the last one.
struct Reports {
    int count = 0;
    std::string last;
    RunLog::Reporter reporter()
    {
        return [this](const std::string& message) {
            ++count;
            last = message;
        };
    }
};

// The file's bytes, read the way a tail program reads a file another
// program is writing.
std::string ReadShared(const std::string& path)
{
    winlib::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (file.valid() && ::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    return content;
}
}  // namespace

TEST(RunLog, RecordsAreStampedSingleLinesWithTheExitCodeLast)
{
    TempDir temp;
    const std::string path = temp / "运行 日志.log";
    testfs::WriteFile(path, std::string(5000, 'x'));  // an older, longer log: truncated
    Reports reports;
    RunLog log(reports.reporter());
    log.SetClock(FixedTime);
    ASSERT_TRUE(log.Open(path)) << reports.last;

    ::SetLastError(1234);
    log.Step("复制文件 C:\\淺\\a.dwg");
    EXPECT_EQ(::GetLastError(), 1234u);
    log.Question("已经安装了本软件!\n是否重新安装?", "是");
    log.Failure("删除 C:\\a\r\n伪造的一行", ERROR_ACCESS_DENIED);
    EXPECT_EQ(::GetLastError(), 1234u);
    log.Finish(1603, "失败");
    EXPECT_FALSE(log.IsOpen());
    log.Step("after the end");
    log.Finish(0);

    const std::string stamp = "2026-03-07 09:05:04.021  ";
    const std::vector<std::string> lines = testfs::SplitLines(ReadShared(path));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], stamp + "复制文件 C:\\淺\\a.dwg\r");
    EXPECT_EQ(lines[1], stamp + "问题: 已经安装了本软件! 是否重新安装?  回答: 是\r");
    // The failure names the step and gives the system's text for the code,
    // and a line break inside a text cannot start a record of its own.
    const std::string head = stamp + "失败: 删除 C:\\a 伪造的一行: ";
    EXPECT_EQ(lines[2].substr(0, head.size()), head);
    const std::string tail = "(错误 5)\r";
    ASSERT_GT(lines[2].size(), head.size() + tail.size());
    EXPECT_EQ(lines[2].substr(lines[2].size() - tail.size()), tail);
    const std::string systemText = winlib::FormatSystemMessage(ERROR_ACCESS_DENIED);
    if (!systemText.empty()) {  // the system's table has a text for it
        EXPECT_GT(lines[2].size(), head.size() + tail.size() + 1);
    }
    EXPECT_EQ(lines[2].find('\r'), lines[2].size() - 1);
    EXPECT_EQ(lines[3], stamp + "退出代码: 1603 (失败)\r");
    EXPECT_EQ(reports.count, 0);
}

TEST(RunLog, WithoutAFileEveryCallDoesNothing)
{
    Reports reports;
    RunLog log(reports.reporter());
    log.Step("a");
    log.Question("q", "a");
    log.Failure("f", ERROR_FILE_NOT_FOUND);
    log.Finish(0, "成功");
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(reports.count, 0);
    EXPECT_TRUE(log.Problem().empty());
}

TEST(RunLog, UnusableFilesAreReportedOnceAndLeftAlone)
{
    TempDir temp;
    const std::string readOnly = temp / "read-only.log";
    testfs::WriteFile(readOnly, "kept");
    ::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string target = temp / "target.txt";
    testfs::WriteFile(target, "not the log's");
    const std::string hardLink = temp / "hard.log";
    ASSERT_TRUE(::CreateHardLinkA(hardLink.c_str(), target.c_str(), nullptr));

    Reports reports;
    RunLog log(reports.reporter());
    // A missing folder, a folder, a device, a read-only file, a second name
    // of another file (links: below).
    for (const std::string& path : {temp / "missing\\run.log", temp.path(), std::string("NUL"), readOnly, hardLink}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(log.Open(path));
        EXPECT_FALSE(log.IsOpen());
        log.Step("nothing");
        log.Finish(0);
    }
    EXPECT_EQ(reports.count, 1);
    EXPECT_NE(reports.last.find(temp / "missing\\run.log"), std::string::npos) << reports.last;
    EXPECT_EQ(log.Problem(), reports.last);
    EXPECT_EQ(testfs::ReadFile(readOnly), "kept");
    EXPECT_EQ(testfs::ReadFile(target), "not the log's");
    EXPECT_FALSE(testfs::Exists(temp / "missing"));

    // The log is still good for a usable file afterwards, without a report.
    EXPECT_TRUE(log.Open(temp / "good.log"));
    EXPECT_EQ(reports.count, 1);
    ::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// What a refused open leaves: every file as it was, byte for byte, and no
// file made where there was none.
class RunLogRefusalTest : public ::testing::Test {
protected:
    // Opens path and expects the refusal; the file (if any) keeps content.
    void ExpectRefused(const std::string& path, const std::vector<std::string>& protectedFolders = {})
    {
        SCOPED_TRACE(path);
        const bool existed = testfs::Exists(path);
        const std::string before = testfs::ReadFile(path);
        RunLog log(reports.reporter());
        EXPECT_FALSE(log.Open(path, protectedFolders));
        EXPECT_FALSE(log.IsOpen());
        log.Step("must not be written");
        log.Finish(0);
        EXPECT_EQ(reports.count, 1) << reports.last;
        EXPECT_NE(reports.last.find(path), std::string::npos) << reports.last;
        EXPECT_EQ(testfs::Exists(path), existed);
        if (existed) {
            EXPECT_EQ(testfs::ReadFile(path), before);
        }
        reports = Reports();
    }
    // A Unix symbolic link, which Wine shows as a link; false (the test then
    // skips) where none can be made.
    bool Link(const std::string& link, const std::string& target) { return testfs::MakeUnixSymlink(link, target); }

    TempDir temp;
    Reports reports;
};

TEST_F(RunLogRefusalTest, HiddenSystemAndInstalledFilesAreLeftByteForByte)
{
    // An installation's record, hidden as Setup writes it: truncating it
    // would leave an installation that can never be uninstalled.
    const std::string installation = temp / "ZEMLO";
    const std::string record = installation + "\\Uninstall.log";
    testfs::WriteFile(record, "File Copy: C:\\ZEMLO\\a.dwg\r\nMade Dir: C:\\ZEMLO\r\n");
    ASSERT_TRUE(::SetFileAttributesA(record.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::string hidden = temp / "hidden.log";
    testfs::WriteFile(hidden, "hidden");
    ASSERT_TRUE(::SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::string system = temp / "system.log";
    testfs::WriteFile(system, "system");
    ASSERT_TRUE(::SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));
    testfs::MakeDirs(temp / "folder.log");

    ExpectRefused(record);
    ExpectRefused(hidden);
    ExpectRefused(system);
    ExpectRefused(temp / "folder.log");
    EXPECT_TRUE(testfs::IsDirectory(temp / "folder.log"));
    for (const std::string& file : {record, hidden, system})
        ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RunLogRefusalTest, ALinkAnywhereOnTheWayIsRefusedAndNothingIsMadeBehindIt)
{
    const std::string elsewhere = temp / "elsewhere";
    const std::string target = elsewhere + "\\settings.ini";
    testfs::WriteFile(target, "somebody's settings");
    if (!Link(temp / "logs", elsewhere) || !Link(temp / "run.log", target))
        GTEST_SKIP() << "no Unix symbolic link can be made here";

    // A folder link on the way: to an existing file, and to a new one,
    // which must not be left behind in the link's target.
    ExpectRefused(temp / "logs\\settings.ini");
    ExpectRefused(temp / "logs\\new.log");
    EXPECT_EQ(testfs::ListFolder(elsewhere), (std::vector<std::string>{"settings.ini"}));
    // Deeper below the link, and the link itself as the file.
    testfs::MakeDirs(elsewhere + "\\deeper");
    ExpectRefused(temp / "logs\\deeper\\new.log");
    EXPECT_FALSE(testfs::Exists(elsewhere + "\\deeper\\new.log"));
    ExpectRefused(temp / "logs");
    // A file link (Wine shows no attribute on it: the opened file's real
    // place tells).
    ExpectRefused(temp / "run.log");
    EXPECT_EQ(testfs::ReadFile(target), "somebody's settings");

    // The same names without links are fine, in another spelling too.
    RunLog log;
    EXPECT_TRUE(log.Open(elsewhere + "\\deeper\\..\\new.log"));
    log.Close();
    EXPECT_TRUE(testfs::Exists(elsewhere + "\\new.log"));
}

TEST_F(RunLogRefusalTest, NothingInsideAProtectedFolderWhereverTheFolderLeads)
{
    const std::string installation = temp / "ZEMLO";
    const std::string medium = temp / "medium";
    testfs::WriteFile(installation + "\\readme.txt", "installed");
    testfs::WriteFile(medium + "\\Setup.ini", "medium");
    const std::vector<std::string> folders = {medium, installation + "\\", std::string()};

    ExpectRefused(installation + "\\readme.txt", folders);
    ExpectRefused(installation + "\\new.log", folders);
    ExpectRefused(medium + "\\Setup.ini", folders);
    testfs::MakeDirs(medium + "\\sub");
    ExpectRefused(medium + "\\sub\\new.log", folders);
    EXPECT_EQ(testfs::ListFolder(installation), (std::vector<std::string>{"readme.txt"}));
    EXPECT_TRUE(testfs::ListFolder(medium + "\\sub").empty());

    // A drive given as a program's folder at its root gives it ("D:").
    ExpectRefused(temp / "on-the-drive.log", {temp.path().substr(0, 2)});
    // Beside the folders, and in a folder whose name only starts alike.
    RunLog log;
    EXPECT_TRUE(log.Open(temp / "run.log", folders));
    testfs::MakeDirs(temp / "ZEMLO2");
    EXPECT_TRUE(log.Open(temp / "ZEMLO2\\run.log", folders));
    log.Close();

    // A protected folder given by a link is protected where it leads.
    const std::string real = temp / "real";
    testfs::WriteFile(real + "\\Uninstall.log", "File Copy: x\r\n");
    if (!Link(temp / "linked", real))
        GTEST_SKIP() << "no Unix symbolic link can be made here";
    ExpectRefused(real + "\\Uninstall.log", {temp / "linked"});
}

TEST_F(RunLogRefusalTest, ProtectingTheFolderOfTheOpenLogClosesItAndKeepsItsRecords)
{
    const std::string destination = temp / "chosen";
    testfs::MakeDirs(destination);
    const std::string path = destination + "\\run.log";
    RunLog log(reports.reporter());
    ASSERT_TRUE(log.Open(path));
    log.Step("before");
    EXPECT_TRUE(log.Protect(temp / "elsewhere"));
    EXPECT_TRUE(log.IsOpen());

    EXPECT_FALSE(log.Protect(destination));
    EXPECT_FALSE(log.IsOpen());
    log.Step("after");
    EXPECT_EQ(reports.count, 1);
    EXPECT_NE(reports.last.find(path), std::string::npos) << reports.last;
    const std::vector<std::string> lines = testfs::SplitLines(testfs::ReadFile(path));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("before"), std::string::npos);
    EXPECT_NE(lines[1].find(destination), std::string::npos) << lines[1];
    // And it stays protected for a later open.
    EXPECT_FALSE(log.Open(destination + "\\other.log"));
    EXPECT_FALSE(testfs::Exists(destination + "\\other.log"));
}

TEST(RunLog, OthersCanReadWhileItWritesButNotWriteAndThreadsKeepRecordsWhole)
{
    TempDir temp;
    const std::string path = temp / "run.log";
    RunLog log;
    ASSERT_TRUE(log.Open(path));
    log.Step("first");
    EXPECT_EQ(testfs::SplitLines(ReadShared(path)).size(), 1u);  // seen at once, while open
    winlib::ScopedHandle writer(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer.valid());
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    const std::string a(300, 'a'), b(300, 'b');
    std::thread other([&] {
        for (int i = 0; i < 200; ++i)
            log.Step(a);
    });
    for (int i = 0; i < 200; ++i)
        log.Step(b);
    other.join();
    log.Finish(0);
    const std::vector<std::string> lines = testfs::SplitLines(ReadShared(path));
    ASSERT_EQ(lines.size(), 402u);
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string text = lines[i].substr(lines[i].find("  ") + 2);
        EXPECT_TRUE(text == a + "\r" || text == b + "\r") << i;
    }
    EXPECT_NE(lines.back().find("退出代码: 0\r"), std::string::npos);
}
