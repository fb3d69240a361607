#include "UninstallOutcome.h"

#include "runfront/ExitCodes.h"
#include "winlib/StringUtil.h"

#include <algorithm>

namespace {
// The finish button's list: at most this many entries; a box taller than
// the screen helps nobody.
constexpr std::size_t kMaxListedEntries = 25;
// At most this many bytes of an entry's text on its line.
constexpr std::size_t kMaxListedBytes = 200;

// Whatever the log held, as one line of plain text for a message box: cut
// at a whole character (half of one would swallow the bracket after it).
std::string ListLine(const std::string& text)
{
    std::size_t end = 0;
    while (end < text.size() && end + winlib::CharLength(text, end) <= kMaxListedBytes)
        end += winlib::CharLength(text, end);
    std::string line = text.substr(0, end);
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20)
            c = '?';
    return line;
}
}  // namespace

const char* LeftReasonText(LeftReason reason)
{
    switch (reason) {
    case LeftReason::Refused:
        return "不属于本软件，未予处理";
    case LeftReason::RemovedAtRestart:
        return "正在使用，重新启动后删除";
    case LeftReason::NotUnregistered:
        return "控件未能注销";
    case LeftReason::InUseUnprotected:
        return "正在使用；安装文件夹可被普通用户修改，重新启动后也不删除";
    case LeftReason::ForeignShortcut:
        return "不是指向本安装的快捷方式，予以保留";
    case LeftReason::HoldsForeign:
        return "其中有不属于本安装的快捷方式，予以保留";
    case LeftReason::NotRemoved:
        break;
    }
    return "未能删除";
}

bool IsKeptReason(LeftReason reason)
{
    return reason == LeftReason::ForeignShortcut || reason == LeftReason::HoldsForeign;
}

std::size_t UninstallOutcome::KeptCount() const
{
    return static_cast<std::size_t>(
        std::count_if(m_left.begin(), m_left.end(), [](const LeftEntry& entry) { return IsKeptReason(entry.reason); }));
}

std::size_t UninstallOutcome::LeftCount() const
{
    return m_left.size() - KeptCount() + (m_folderLeft.empty() ? 0 : 1);
}

bool UninstallOutcome::RestartCompletes() const
{
    if (Complete() || !m_restartNeeded || !m_folderLeft.empty())
        return false;
    return std::all_of(m_left.begin(), m_left.end(), [](const LeftEntry& entry) {
        return entry.reason == LeftReason::RemovedAtRestart || IsKeptReason(entry.reason);
    });
}

std::string UninstallOutcome::FinishedText() const
{
    const std::size_t kept = KeptCount();
    std::string text;
    if (Complete()) {
        text = "卸载完成!";
        if (kept == 0)
            return text;
        return text + winlib::Format("有 %u 项属于其他安装，予以保留。按“完成”查看这些项目。", static_cast<unsigned>(kept));
    }
    if (RestartCompletes()) {
        text = winlib::Format("卸载完成，有 %u 项正在使用，将在重新启动计算机后删除。重新启动计算机即可完成卸载。",
                              static_cast<unsigned>(LeftCount()));
    } else {
        text = winlib::Format("卸载完成，但有 %u 项未能删除。", static_cast<unsigned>(LeftCount()));
        if (m_restartNeeded)
            text += "重新启动计算机后即可删除正在使用的文件。";
        const bool unprotected = std::any_of(m_left.begin(), m_left.end(), [](const LeftEntry& entry) {
            return entry.reason == LeftReason::InUseUnprotected;
        });
        if (unprotected)
            text += "安装文件夹可被普通用户修改，正在使用的文件不会在重新启动后删除，请在它们不再使用时再次卸载。";
        if (!m_folderLeft.empty())
            text += "文件夹“" + m_folderLeft + "”未能删除。";
    }
    if (kept > 0)
        text += winlib::Format("另有 %u 项属于其他安装，予以保留。", static_cast<unsigned>(kept));
    text += RestartCompletes() ? "按“完成”查看这些项目。" : "按“完成”查看未能删除的项目。";
    return text;
}

std::string UninstallOutcome::LeftListText() const
{
    std::string text = Complete()           ? "以下项目不属于本安装，予以保留：\n\n"
                       : RestartCompletes() ? "以下项目正在使用，将在重新启动计算机后删除：\n\n"
                                            : "以下项目未能删除，请手动删除：\n\n";
    const std::size_t shown = std::min(m_left.size(), kMaxListedEntries);
    for (std::size_t i = 0; i < shown; ++i)
        text += ListLine(m_left[i].text) + "（" + LeftReasonText(m_left[i].reason) + "）\n";
    if (m_left.size() > shown)
        text += winlib::Format("……另有 %u 项\n", static_cast<unsigned>(m_left.size() - shown));
    if (!m_folderLeft.empty())
        text += m_folderLeft + "（文件夹）\n";
    if (!m_folderAtRestart.empty())
        text += m_folderAtRestart + "（文件夹，重新启动后删除）\n";
    return text;
}

std::vector<std::string> UninstallOutcome::RunLogRecords() const
{
    std::vector<std::string> records;
    records.push_back(Complete()           ? std::string("卸载完成")
                      : RestartCompletes() ? std::string("卸载完成，重新启动计算机后完成卸载")
                                           : winlib::Format("卸载完成，但有 %u 项未能删除",
                                                            static_cast<unsigned>(LeftCount())));
    for (const LeftEntry& entry : m_left)
        records.push_back((IsKeptReason(entry.reason) ? "保留: " : "留下: ") + entry.text + "（" +
                          LeftReasonText(entry.reason) + "）");
    if (!m_folderLeft.empty())
        records.push_back("留下文件夹: " + m_folderLeft);
    if (!m_folderAtRestart.empty())
        records.push_back("重新启动后删除文件夹: " + m_folderAtRestart);
    if (RestartCompletes())
        records.push_back("重新启动计算机即可完成卸载: 正在使用的文件将在重新启动后删除");
    else if (m_restartNeeded)
        records.push_back("重新启动计算机后删除正在使用的文件");
    return records;
}

int UninstallOutcome::ExitCode() const
{
    if (Complete())
        return runfront::kExitSuccess;
    return RestartCompletes() ? runfront::kExitRestartNeeded : runfront::kExitFailedIncomplete;
}
