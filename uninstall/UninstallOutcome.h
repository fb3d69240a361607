// UninstallOutcome: what a run of the uninstall worker left behind, and
// everything the program says about it. The worker fills it while it runs;
// once the run has ended, the window's finished text and the list behind
// its finish button, the run log's closing records and the program's exit
// code are all read from it, so they cannot disagree about what is left.
//
// "Left" counts each entry of the log that is still there (refused, in use
// until a restart, not removed, a control not unregistered) and, as one more
// item, the installation's folder when it stays. Entries kept because they
// belong to another installation now (a shortcut of the same name that
// points elsewhere, the menu folder that holds it) are listed and logged,
// but are nothing of this installation: they do not make the run fail.
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
    InUseUnprotected,  // in use, and not deleted at the restart: ordinary users
                       // may change the installation's folder, so what the
                       // path leads to then is not what was checked now
    ForeignShortcut,   // a shortcut file that points elsewhere, not into this installation: kept
    HoldsForeign       // a folder outside that still holds such a shortcut: kept
};

// True for the reasons of entries kept as another's (not counted as left).
bool IsKeptReason(LeftReason reason);

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
    // The installation's folder, emptied but for what is in use, is removed
    // at the restart too: it is not left.
    void SetFolderAtRestart(const std::string& folder) { m_folderAtRestart = folder; }
    void SetRestartNeeded() { m_restartNeeded = true; }

    // Nothing of the installation is left (entries kept as another's may be).
    bool Complete() const { return LeftCount() == 0; }
    // The entries left (not those kept as another's), and the folder as one
    // more when it stays.
    std::size_t LeftCount() const;
    // The entries kept as another installation's.
    std::size_t KeptCount() const;
    // Something is to be listed behind the finish button: an entry left or
    // kept, or the folder.
    bool Listed() const { return !m_left.empty() || !m_folderLeft.empty() || !m_folderAtRestart.empty(); }
    // The entries left or kept, in the order the passes met them.
    const std::vector<LeftEntry>& Left() const { return m_left; }
    // The installation's (or the program's) folder when it stays, else empty.
    const std::string& FolderLeft() const { return m_folderLeft; }
    // The installation's folder when it goes at the restart, else empty.
    const std::string& FolderAtRestart() const { return m_folderAtRestart; }
    // Something in use is deleted at the next restart.
    bool RestartNeeded() const { return m_restartNeeded; }
    // Everything else went, and what is left is in use and scheduled for
    // deletion at the restart: the restart completes the removal.
    bool RestartCompletes() const;

    // The finished state's text: "卸载完成!" when nothing is left; when the
    // restart completes the removal, how many items wait for it and that a
    // restart completes it; otherwise "卸载完成，但有 N 项未能删除。", then
    // whether a restart deletes what is in use, that files in use stay
    // because the folder is not protected, the folder that stays, and where
    // to see the list. Entries kept as another's are counted in a sentence
    // of their own.
    std::string FinishedText() const;
    // The list behind the finish button: each entry left or kept with its
    // reason (at most 25 lines, each one line of at most 200 bytes of the
    // entry's text), then the folder.
    std::string LeftListText() const;
    // The run log's closing records: "卸载完成", "卸载完成，重新启动计算机
    // 后完成卸载" or "卸载完成，但有 N 项未能删除", then "留下: <entry>
    // （<reason>）" for each entry left ("保留: " for one kept), "留下文件夹:
    // <folder>" or "重新启动后删除文件夹: <folder>", and last the restart
    // when one is needed.
    std::vector<std::string> RunLogRecords() const;
    // The program's exit code (runfront::ExitCode): success when nothing
    // is left, success with a restart required when the restart completes
    // the removal, failed with something left otherwise. The one place the
    // code of a run is chosen.
    int ExitCode() const;

private:
    std::vector<LeftEntry> m_left;
    std::string m_folderLeft;
    std::string m_folderAtRestart;
    bool m_restartNeeded = false;
};
