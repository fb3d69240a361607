// The worker run without a user: every question answered by ending the
// installation, what it did undone, the run log telling why, and the exit
// code for each way a run ends.
#include "SetupThreadFixture.h"
#include "engine/InstallHost.h"
#include "engine/ProductRegistration.h"
#include "runfront/ExitCodes.h"
#include "runfront/RunSupport.h"

namespace {

TEST(UnattendedAnswer, EveryQuestionIsAnsweredWithTheChoiceThatStopsTheInstallation)
{
    EXPECT_EQ(engine::UnattendedAnswer(MB_ABORTRETRYIGNORE | MB_ICONQUESTION), IDABORT);
    EXPECT_EQ(engine::UnattendedAnswer(MB_RETRYCANCEL | MB_ICONQUESTION), IDCANCEL);
    // "Install into a folder with somebody's files?" is declined.
    EXPECT_EQ(engine::UnattendedAnswer(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(engine::UnattendedAnswer(MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(engine::UnattendedAnswer(MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(engine::UnattendedAnswer(MB_CANCELTRYCONTINUE), IDCANCEL);
    EXPECT_EQ(engine::UnattendedAnswer(MB_OK | MB_ICONEXCLAMATION), IDOK);
}

TEST(EstimatedSize, IsTheBytesInKilobytesRoundedUpAndNeverWraps)
{
    EXPECT_EQ(engine::ProductRegistration::EstimatedSizeKb(0), 0u);
    EXPECT_EQ(engine::ProductRegistration::EstimatedSizeKb(1), 1u);
    EXPECT_EQ(engine::ProductRegistration::EstimatedSizeKb(1024), 1u);
    EXPECT_EQ(engine::ProductRegistration::EstimatedSizeKb(1025), 2u);
    EXPECT_EQ(engine::ProductRegistration::EstimatedSizeKb(5ull << 40), 0xFFFFFFFFu);
}

// The real worker, not the scripted one: its own AskUser, unattended.
class UnattendedRunTest : public SetupThreadTest {
protected:
    void SetUp() override
    {
        SetupThreadTest::SetUp();
        m_runLog = temp / "run.log";
        ASSERT_TRUE(runfront::AppRunLog().Open(m_runLog));
        worker.Configure(m_medium, m_install, &window);
        worker.SetUnattended(true);
    }
    void TearDown() override { runfront::AppRunLog().Close(); }

    // Runs the worker; a box put on screen would hold it past the limit.
    void RunWorker() { ASSERT_TRUE(window.RunThread(worker, 30000)) << "the unattended worker waits for somebody"; }
    // The run log's records, without their stamps.
    Lines RunLogRecords()
    {
        runfront::AppRunLog().Close();
        Lines records;
        for (const std::string& line : testfs::SplitLines(testfs::ReadFile(m_runLog)))
            records.push_back(line.size() > 25 ? line.substr(25) : line);
        return records;
    }
    static bool Has(const Lines& records, const std::string& start, const std::string& part = "")
    {
        for (const std::string& r : records)
            if (r.compare(0, start.size(), start) == 0 && r.find(part) != std::string::npos)
                return true;
        return false;
    }

    CSetupThread worker;
    std::string m_runLog;
};

TEST_F(UnattendedRunTest, MissingMediumFolderEndsTheRunAsFailedWithEverythingUndoneAndLogged)
{
    MakeProductFolders();
    PutMediumFile("Support\\a.lsp", "lisp");
    ASSERT_TRUE(::RemoveDirectoryA(Medium("Database").c_str()));

    RunWorker();

    EXPECT_EQ(worker.Outcome().GetEnd(), engine::InstallOutcome::End::kUndone);
    EXPECT_EQ(worker.Outcome().ExitCode(), runfront::kExitFailed);
    EXPECT_EQ(window.Count(WM_SETUP_FAILED), 1);
    EXPECT_FALSE(testfs::Exists(Install("Support\\a.lsp")));
    EXPECT_FALSE(testfs::Exists(m_install));
    const Lines records = RunLogRecords();
    EXPECT_TRUE(Has(records, "复制文件夹 " + Medium("Support"))) << ::testing::PrintToString(records);
    // The failure with the system's text and code, then the question with
    // the answer given for nobody.
    EXPECT_TRUE(Has(records, "失败: 找不到安装文件的路径 " + Medium("Database\\") + ": ", "(错误 "))
        << ::testing::PrintToString(records);
    EXPECT_TRUE(Has(records, "问题: ", "回答: 中止（无人值守的回答）")) << ::testing::PrintToString(records);
    EXPECT_TRUE(Has(records, "安装没有完成，本次安装所做的更改已全部撤销")) << ::testing::PrintToString(records);
    EXPECT_FALSE(Has(records, "写入卸载日志"));
}

TEST_F(UnattendedRunTest, CleanRunSucceedsAndRecordsTheSizeOfWhatItCopied)
{
    MakeProductFolders();
    PutMediumFile("Support\\a.lsp", std::string(1000, 'a'));
    PutMediumFile("Data\\b.dat", std::string(1500, 'b'));

    RunWorker();

    EXPECT_EQ(worker.Outcome().GetEnd(), engine::InstallOutcome::End::kCompleted);
    EXPECT_EQ(worker.Outcome().ExitCode(), runfront::kExitSuccess);
    EXPECT_TRUE(worker.Outcome().Report().empty());
    DWORD size = 0, bytes = sizeof(size);
    ASSERT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8",
                             "EstimatedSize", RRF_RT_REG_DWORD, nullptr, &size, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);  // 2,500 bytes
    const Lines records = RunLogRecords();
    EXPECT_TRUE(Has(records, "写入卸载日志 Uninstall.log")) << ::testing::PrintToString(records);
    EXPECT_TRUE(Has(records, "安装完成：复制了 2500 字节")) << ::testing::PrintToString(records);
    EXPECT_FALSE(Has(records, "问题: "));
}

TEST(SetupThreadExitCode, IsFailedForARunThatHasNotEnded)
{
    const CSetupThread worker;
    EXPECT_EQ(worker.Outcome().GetEnd(), engine::InstallOutcome::End::kNotFinished);
    EXPECT_EQ(worker.Outcome().ExitCode(), runfront::kExitFailed);
}

}  // namespace
