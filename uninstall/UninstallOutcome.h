// UninstallOutcome: what a run of the uninstall worker left behind, and
// everything the program says about it. The worker fills it while it runs;
// once the run has ended, the window's finished text and the list behind
// its finish button, the run log's closing records and the program's exit
// code are all read from it, so they cannot disagree about what is left.
//
// "Left" counts each entry of the log that is still there (refused, in use
// until a restart, not removed, a control not unregistered) and, as one more
// item, the installation's folder when it stays.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Why an entry of the log is still there after the run.
enum class LeftReason {
    Refused,           // names something outside what the uninstaller may touch
    RemovedAtRestart,  // in use: deleted when the computer restarts
    NotRemoved,        // access denied, not empty, or any other failure
    NotUnregistered,   // a control whose unregistration failed, crashed or hung
    InUseUnprotected   // in use, and not deleted at the restart: ordinary users
                       // may change the installation's folder, so what the
                       // path leads to then is not what was checked now
};

// The reason as the user and the administrator read it, without brackets
// ("不属于本软件，未予处理", ...).
const char* LeftReasonText(LeftReason reason);

struct LeftEntry {
    std::string text;  // the entry's text as the log holds it
    LeftReason reason;
};

class UninstallOutcome {
public:
    // The worker's side, while the run lasts.
    void AddLeft(const std::string& text, LeftReason reason) { m_left.push_back({text, reason}); }
    void SetFolderLeft(const std::string& folder) { m_folderLeft = folder; }
    void SetRestartNeeded() { m_restartNeeded = true; }

    // Nothing of the installation is left.
    bool Complete() const { return LeftCount() == 0; }
    // The entries left, and the folder as one more when it stays.
    std::size_t LeftCount() const { return m_left.size() + (m_folderLeft.empty() ? 0 : 1); }
    // The entries left, in the order the passes met them.
    const std::vector<LeftEntry>& Left() const { return m_left; }
    // The installation's (or the program's) folder when it stays, else empty.
    const std::string& FolderLeft() const { return m_folderLeft; }
    // Something in use is deleted at the next restart.
    bool RestartNeeded() const { return m_restartNeeded; }

    // The finished state's text: "卸载完成!" only when nothing is left;
    // otherwise "卸载完成，但有 N 项未能删除。", then whether a restart
    // finishes the job, that files in use stay because the folder is not
    // protected, the folder that stays, and where to see the list.
    std::string FinishedText() const;
    // The list behind the finish button: each entry left with its reason
    // (at most 25 lines, each one line of at most 200 bytes of the entry's
    // text), then the folder.
    std::string LeftListText() const;
    // The run log's closing records: "卸载完成" or "卸载完成，但有 N 项未能
    // 删除", then "留下: <entry>（<reason>）" for each entry, "留下文件夹:
    // <folder>", and the restart when one is needed.
    std::vector<std::string> RunLogRecords() const;
    // The program's exit code (runfront::ExitCode): success when nothing
    // is left, failed with something left otherwise.
    int ExitCode() const;

private:
    std::vector<LeftEntry> m_left;
    std::string m_folderLeft;
    bool m_restartNeeded = false;
};
