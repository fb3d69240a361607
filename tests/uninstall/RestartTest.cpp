// A run in which only files in use stay: they, the folders that hold them
// and the installation's folder are scheduled for deletion at the restart,
// and the run ends with 3010, saying that a restart completes the removal.
// The scheduling is recorded instead of handed to the system (which would
// delete the test's folders at the prefix's next start).
#include "UninstallFixture.h"

#include "RestartRecorder.h"
#include "runfront/ExitCodes.h"
#include "runfront/RunSupport.h"
#include "winlib/Handles.h"

using testfs::Exists;

namespace {

// The real last step, as the installation's own uninstaller takes it (the
// running program counts as the installation's), but no batch is started.
class SelfRemovingThread : public CUninstallThread {
public:
    int batches = 0;

protected:
    void ReportFileError(const CFileException&) override {}
    bool IsSelfRemoving() const override { return true; }
    bool BeginSelfRemoval() override
    {
        ++batches;
        return true;
    }
};

// The worker of a copy started from elsewhere: it removes the folder itself.
class FolderRemovingThread : public CUninstallThread {
protected:
    void ReportFileError(const CFileException&) override {}
};

class RestartTest : public UninstallTest {
protected:
    // An installation whose Support\held.dat is held open while it runs.
    void Prepare()
    {
        testfs::WriteFile(held, "x");
        testfs::WriteFile(inst + "\\Support\\free.dat", "x");
        // The installation folder is no entry here: only the last step
        // schedules it.
        testfs::WriteFile(inst + "\\Uninstall.log", "Made Dir: " + inst +
                                                        "\\Support\r\nFile Copy: " + held + "\r\nFile Copy: " + inst +
                                                        "\\Support\\free.dat\r\nFile Copy: " + inst +
                                                        "\\Uninstall.log\r\n");
    }
    void Run(CUninstallThread& worker)
    {
        worker.m_pMainWnd = &window;
        ASSERT_TRUE(worker.ReadLog((inst + "\\Uninstall.log").c_str()));
        ASSERT_TRUE(runfront::AppRunLog().Open(runLog));
        {
            winlib::ScopedHandle lock(
                ::CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(lock.valid());
            ASSERT_TRUE(window.RunThread(worker));
        }
        runfront::AppRunLog().Close();
    }
    // The run log's records, without their stamps.
    Lines Records() const
    {
        Lines records;
        for (const std::string& line : testfs::SplitLines(testfs::ReadFile(runLog)))
            records.push_back(line.size() > 25 ? line.substr(25, line.size() - 26) : line);
        return records;
    }

    const std::string inst = Path("Inst");
    const std::string held = inst + "\\Support\\held.dat";
    const std::string runLog = Path("run.log");
};

const char kRestartCompletes[] =
    "卸载完成，有 2 项正在使用，将在重新启动计算机后删除。重新启动计算机即可完成卸载。按“完成”查看这些项目。";

}  // namespace

// The installation's own uninstaller: the batch cannot take a folder that
// holds a file in use, so the folder is scheduled after the file and its
// sub-folder; nothing is left, the restart completes the removal.
TEST_F(RestartTest, OwnUninstallerSchedulesTheFolderAfterWhatIsInUseAndEndsWith3010)
{
    RestartRecorder restart;
    ASSERT_TRUE(restart.ok());
    Prepare();
    SelfRemovingThread worker;
    Run(worker);

    EXPECT_EQ(worker.batches, 1);
    EXPECT_EQ(RestartRecorder::scheduled, (Lines{held, inst + "\\Support", inst}));
    EXPECT_FALSE(Exists(inst + "\\Support\\free.dat"));
    const UninstallOutcome& outcome = worker.Outcome();
    EXPECT_TRUE(outcome.RestartCompletes());
    EXPECT_EQ(outcome.FolderLeft(), "");
    EXPECT_EQ(outcome.FolderAtRestart(), inst);
    EXPECT_EQ(outcome.ExitCode(), runfront::kExitRestartNeeded);
    EXPECT_EQ(outcome.FinishedText(), kRestartCompletes);
    const Lines records = Records();
    ASSERT_GE(records.size(), 5u);
    EXPECT_EQ((Lines{records.end() - 5, records.end()}),
              (Lines{"卸载完成，重新启动计算机后完成卸载", "留下: " + held + "（正在使用，重新启动后删除）",
                     "留下: " + inst + "\\Support（正在使用，重新启动后删除）", "重新启动后删除文件夹: " + inst,
                     "重新启动计算机即可完成卸载: 正在使用的文件将在重新启动后删除"}));
}

// When the system refuses to schedule the folder, the folder stays after
// the restart too: it is left, the run failed in part, and the finished
// text names the folder.
TEST_F(RestartTest, AFolderThatCannotBeScheduledIsLeftAndNamed)
{
    RestartRecorder restart(inst);
    ASSERT_TRUE(restart.ok());
    Prepare();
    SelfRemovingThread worker;
    Run(worker);

    EXPECT_EQ(RestartRecorder::scheduled, (Lines{held, inst + "\\Support"}));
    const UninstallOutcome& outcome = worker.Outcome();
    EXPECT_FALSE(outcome.RestartCompletes());
    EXPECT_EQ(outcome.FolderLeft(), inst);
    EXPECT_EQ(outcome.ExitCode(), runfront::kExitFailedIncomplete);
    EXPECT_EQ(outcome.FinishedText(), "卸载完成，但有 3 项未能删除。重新启动计算机后即可删除正在使用的文件。文件夹“" + inst +
                                          "”未能删除。按“完成”查看未能删除的项目。");
}

// A copy from elsewhere removes the folder itself: the same schedule, the
// same ending.
TEST_F(RestartTest, CopyFromElsewhereSchedulesTheFolderToo)
{
    RestartRecorder restart;
    ASSERT_TRUE(restart.ok());
    Prepare();
    FolderRemovingThread worker;
    Run(worker);

    EXPECT_EQ(RestartRecorder::scheduled, (Lines{held, inst + "\\Support", inst}));
    EXPECT_EQ(worker.Outcome().FolderAtRestart(), inst);
    EXPECT_EQ(worker.Outcome().ExitCode(), runfront::kExitRestartNeeded);
    EXPECT_EQ(worker.Outcome().FinishedText(), kRestartCompletes);
}

// Nothing in use: no restart is asked for, nothing is scheduled.
TEST_F(RestartTest, NothingInUseSchedulesNothing)
{
    RestartRecorder restart;
    ASSERT_TRUE(restart.ok());
    Prepare();
    SelfRemovingThread worker;
    worker.m_pMainWnd = &window;
    ASSERT_TRUE(worker.ReadLog((inst + "\\Uninstall.log").c_str()));
    ASSERT_TRUE(window.RunThread(worker));

    EXPECT_EQ(RestartRecorder::scheduled, Lines{});
    EXPECT_EQ(worker.Outcome().ExitCode(), runfront::kExitSuccess);
    EXPECT_EQ(worker.Outcome().FolderAtRestart(), "");
}
