#include "engine/InstallOutcome.h"

#include "runfront/ExitCodes.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"

namespace engine {
namespace {

const char kNothingInstalled[] = "安装没有完成，本次安装所做的更改已全部撤销，没有安装任何内容。";
const char kSomethingLeft[] = "安装没有完成，本次安装所做的更改已撤销，但以下项目未能删除：\n";
const char kEarlierKept[] = "以前安装在 %s 的 ZEMLO V8.0 未能完整卸载，没有安装任何新内容。";
const char kEarlierLeft[] = "\n以下项目留下（详见运行日志），以前的安装仍可用它自己的卸载程序卸载：\n";
const char kEarlierBusy[] =
    "另一个卸载程序正在卸载以前安装在 %s 的 ZEMLO V8.0，没有安装任何新内容。\n请等它完成后再运行安装程序。";
const char kEarlierRemoved[] = "以前安装在 %s 的 ZEMLO V8.0 已卸载。";
const char kEarlierAtRestart[] = "以前安装在 %s 的 ZEMLO V8.0 已卸载，其中正在使用的文件将在重新启动计算机后删除。";
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

InstallOutcome InstallOutcome::EarlierKept(const std::string& folder, const EarlierRemoval& removal)
{
    InstallOutcome outcome;
    outcome.m_end = End::kEarlierKept;
    outcome.m_strEarlier = winlib::StripTrailingBackslashes(folder);
    outcome.m_bEarlierBusy = removal.result == EarlierRemoval::Result::kBusy;
    outcome.m_left = removal.left;
    return outcome;
}

void InstallOutcome::SetEarlierRemoved(const std::string& folder, bool restart)
{
    m_strEarlier = winlib::StripTrailingBackslashes(folder);
    m_bEarlierAtRestart = restart;
}

int InstallOutcome::ExitCode() const
{
    // Only the removal of an earlier installation that a move replaces
    // leaves anything for the restart: a completed run then needs one.
    switch (m_end) {
    case End::kCompleted:
        return m_bEarlierAtRestart ? runfront::kExitRestartNeeded : runfront::kExitSuccess;
    case End::kEarlierKept:
        return m_bEarlierBusy ? runfront::kExitAlreadyRunning : runfront::kExitFailed;
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

namespace {

// The first items of a list, one a line, and how many there are in all
// when not all are named.
std::string ItemLines(const std::vector<std::string>& items)
{
    std::string lines;
    for (std::size_t i = 0; i < items.size() && i < kLeftItemsShown; ++i)
        lines += items[i] + "\n";
    if (items.size() > kLeftItemsShown)
        lines += winlib::Format("……（共 %u 项）\n", static_cast<unsigned>(items.size()));
    return lines;
}

}  // namespace

std::string InstallOutcome::Report() const
{
    std::string report;
    if (m_end == End::kEarlierKept) {
        if (m_bEarlierBusy)
            return winlib::Format(kEarlierBusy, m_strEarlier.c_str());
        report = winlib::Format(kEarlierKept, m_strEarlier.c_str());
        if (!m_left.empty())
            report += kEarlierLeft + ItemLines(m_left);
        return report;
    }
    if (m_end == End::kUndone)
        report = kNothingInstalled;
    else if (m_end == End::kPartlyUndone)
        report = kSomethingLeft + ItemLines(m_left);
    else
        return std::string();
    // A move that was not completed: the earlier installation went first.
    if (!m_strEarlier.empty()) {
        if (!report.empty() && report.back() != '\n')
            report += "\n";
        report += winlib::Format(m_bEarlierAtRestart ? kEarlierAtRestart : kEarlierRemoved, m_strEarlier.c_str());
    }
    return report;
}

std::string InstallOutcome::FinishNotice() const
{
    std::string notice;
    if (m_ignoredFiles > 0)
        notice += winlib::Format("有 %d 个文件未能复制。", m_ignoredFiles);
    if (m_failedControls > 0)
        notice += winlib::Format("有 %d 个控件未能注册。", m_failedControls);
    if (!m_strEarlier.empty() && m_end != End::kEarlierKept)
        notice += winlib::Format(m_bEarlierAtRestart ? kEarlierAtRestart : kEarlierRemoved, m_strEarlier.c_str());
    return notice;
}

}  // namespace engine
