// How a run of Setup ended, and everything told from it: the exit code,
// the report after an installation that did not complete, the finish
// page's line.
#include "engine/InstallOutcome.h"
#include "runfront/ExitCodes.h"

#include <gtest/gtest.h>

using engine::InstallOutcome;

TEST(InstallOutcome, EachEndHasItsExitCodeAndOnlyARunThatDidNotCompleteReports)
{
    const struct {
        InstallOutcome outcome;
        int exitCode;
        bool reports;
    } cases[] = {
        {InstallOutcome(), runfront::kExitFailed, false},  // no run has ended
        {InstallOutcome::Completed(0, 0), runfront::kExitSuccess, false},
        {InstallOutcome::Completed(3, 2), runfront::kExitSuccess, false},
        {InstallOutcome::Undone(true, {}), runfront::kExitCancelled, true},
        {InstallOutcome::Undone(false, {}), runfront::kExitFailed, true},
        // Something stays: a failure whether or not the user cancelled.
        {InstallOutcome::Undone(true, {"C:\\a"}), runfront::kExitFailedIncomplete, true},
        {InstallOutcome::Undone(false, {"C:\\a"}), runfront::kExitFailedIncomplete, true},
        {InstallOutcome::LeftByUser(), runfront::kExitCancelled, false},
        {InstallOutcome::Refused(), runfront::kExitFailed, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.outcome.GetEnd()));
        EXPECT_EQ(c.outcome.ExitCode(), c.exitCode);
        EXPECT_EQ(!c.outcome.Report().empty(), c.reports);
        EXPECT_EQ(c.outcome.IsUndone(), c.reports);
    }
    EXPECT_EQ(InstallOutcome::Undone(true, {}).Report(),
              "安装没有完成，本次安装所做的更改已全部撤销，没有安装任何内容。");
}

TEST(InstallOutcome, TheReportNamesTenOfWhatIsLeftAndCountsTheRest)
{
    std::vector<std::string> left;
    std::string named;
    for (int i = 0; i < 12; ++i) {
        left.push_back("C:\\left\\" + std::to_string(i));
        if (i < 10)
            named += left.back() + "\n";
    }
    const std::string head = "安装没有完成，本次安装所做的更改已撤销，但以下项目未能删除：\n";
    EXPECT_EQ(InstallOutcome::Undone(false, left).Report(), head + named + "……（共 12 项）\n");
    left.resize(10);
    EXPECT_EQ(InstallOutcome::Undone(false, left).Report(), head + named);
}

TEST(InstallOutcome, TheFinishLineCountsTheFilesLeftOutAndTheControlsNotRegistered)
{
    EXPECT_EQ(InstallOutcome::Completed(0, 0).FinishNotice(), "");
    EXPECT_EQ(InstallOutcome::Completed(2, 0).FinishNotice(), "有 2 个文件未能复制。");
    EXPECT_EQ(InstallOutcome::Completed(0, 3).FinishNotice(), "有 3 个控件未能注册。");
    EXPECT_EQ(InstallOutcome::Completed(1, 3).FinishNotice(), "有 1 个文件未能复制。有 3 个控件未能注册。");
}
