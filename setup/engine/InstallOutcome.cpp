#include "engine/InstallOutcome.h"

#include "runfront/ExitCodes.h"
#include "winlib/StringUtil.h"

namespace engine {
namespace {

const char kNothingInstalled[] = "安装没有完成，本次安装所做的更改已全部撤销，没有安装任何内容。";
const char kSomethingLeft[] = "安装没有完成，本次安装所做的更改已撤销，但以下项目未能删除：\n";
// At most this many of the items left are named; the rest are counted.
constexpr std::size_t kLeftItemsShown = 10;

}  // namespace

InstallOutcome InstallOutcome::Completed(int ignoredFiles, int failedControls)
{
    InstallOutcome outcome;
    outcome.m_end = End::kCompleted;
    outcome.m_ignoredFiles = ignoredFiles;
    outcome.m_failedControls = failedControls;
    return outcome;
}

InstallOutcome InstallOutcome::Undone(bool cancelled, std::vector<std::string> left)
{
    InstallOutcome outcome;
    outcome.m_end = left.empty() ? End::kUndone : End::kPartlyUndone;
    outcome.m_bCancelled = cancelled;
    outcome.m_left = std::move(left);
    return outcome;
}

InstallOutcome InstallOutcome::LeftByUser()
{
    InstallOutcome outcome;
    outcome.m_end = End::kLeftByUser;
    return outcome;
}

InstallOutcome InstallOutcome::Refused()
{
    InstallOutcome outcome;
    outcome.m_end = End::kRefused;
    return outcome;
}

int InstallOutcome::ExitCode() const
{
    // No step of Setup schedules anything for the restart, so a completed
    // run is plain success: runfront::kExitRestartNeeded, Uninstall's
    // ending when only files in use wait for the restart, is never Setup's.
    switch (m_end) {
    case End::kCompleted:
        return runfront::kExitSuccess;
    case End::kUndone:
        return m_bCancelled ? runfront::kExitCancelled : runfront::kExitFailed;
    case End::kPartlyUndone:
        return runfront::kExitFailedIncomplete;
    case End::kLeftByUser:
        return runfront::kExitCancelled;
    case End::kRefused:
    case End::kNotFinished:
    default:
        return runfront::kExitFailed;
    }
}

std::string InstallOutcome::Report() const
{
    if (m_end == End::kUndone)
        return kNothingInstalled;
    if (m_end != End::kPartlyUndone)
        return std::string();
    std::string report = kSomethingLeft;
    for (std::size_t i = 0; i < m_left.size() && i < kLeftItemsShown; ++i)
        report += m_left[i] + "\n";
    if (m_left.size() > kLeftItemsShown)
        report += winlib::Format("……（共 %u 项）\n", static_cast<unsigned>(m_left.size()));
    return report;
}

std::string InstallOutcome::FinishNotice() const
{
    std::string notice;
    if (m_ignoredFiles > 0)
        notice += winlib::Format("有 %d 个文件未能复制。", m_ignoredFiles);
    if (m_failedControls > 0)
        notice += winlib::Format("有 %d 个控件未能注册。", m_failedControls);
    return notice;
}

}  // namespace engine
