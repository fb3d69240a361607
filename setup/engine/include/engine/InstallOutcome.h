// InstallOutcome: how one run of Setup ended, and everything that is told
// from it: the program's exit code, the report the wizard shows after an
// installation that did not complete, and the finish page's line about
// what did not go in. Setup's exit codes and these texts are chosen here
// and nowhere else.
#pragma once

#include <string>
#include <vector>

namespace engine {

// How the removal of an earlier installation in another folder ended (a
// move replaces it: its own log replayed under the uninstaller's rules
// before anything new is written).
struct EarlierRemoval {
    enum class Result {
        kRemoved,           // nothing of it is left
        kRemovedAtRestart,  // all gone but files in use, deleted at the next restart
        kNotRemoved,        // something of it stays: it keeps its registration
        kBusy,              // its uninstaller is running: nothing was touched
    };
    Result result = Result::kNotRemoved;
    // What stays of it, one readable line each (kNotRemoved).
    std::vector<std::string> left;
};

class InstallOutcome {
public:
    enum class End {
        kNotFinished,   // no run has ended (yet)
        kCompleted,     // installed
        kUndone,        // the run did not complete and was undone whole
        kPartlyUndone,  // the run did not complete; some of it stays
        kLeftByUser,    // the user left before anything was installed
        kRefused,       // nothing could be started (a refused destination, a page that could not be shown)
        kEarlierKept,   // the earlier installation to be replaced could not be removed whole: nothing was installed
    };

    InstallOutcome() = default;
    static InstallOutcome Completed(int ignoredFiles, int failedControls);
    // cancelled: the user confirmed a cancel (else a step failed or the
    // user aborted at a question). left: what could not be undone, one
    // readable line each.
    static InstallOutcome Undone(bool cancelled, std::vector<std::string> left);
    static InstallOutcome LeftByUser();
    static InstallOutcome Refused();
    // The earlier installation in folder could not be removed (as removal
    // says): the run stopped before it wrote anything.
    static InstallOutcome EarlierKept(const std::string& folder, const EarlierRemoval& removal);

    // The run removed the earlier installation in folder first (a move);
    // restart: files of it in use go at the next restart. Kept by every
    // ending, so that the reports say it.
    void SetEarlierRemoved(const std::string& folder, bool restart);

    End GetEnd() const { return m_end; }
    bool IsCompleted() const { return m_end == End::kCompleted; }
    // True when an installation was started and did not complete.
    bool IsUndone() const
    {
        return m_end == End::kUndone || m_end == End::kPartlyUndone || m_end == End::kEarlierKept;
    }
    int IgnoredFiles() const { return m_ignoredFiles; }
    int FailedControls() const { return m_failedControls; }
    const std::vector<std::string>& Left() const { return m_left; }

    // The exit code (runfront's ExitCode): success (with a restart required
    // when files of a replaced installation wait for it), cancelled by the
    // user (nothing installed), failed with the machine as it was, failed
    // with something left, or another uninstaller at work on the
    // installation to be replaced.
    int ExitCode() const;
    // After a run that did not complete: that nothing was installed, or
    // what could not be removed, or that the earlier installation could
    // not be replaced (and what of it stays); whether a replaced earlier
    // installation was removed. Empty otherwise.
    std::string Report() const;
    // After a run that completed: the files the user went on without and
    // the controls that did not register ("有 N 个文件未能复制。"...);
    // empty when there were none. Then that the earlier installation was
    // removed and, when files of it wait for the restart, that a restart
    // completes its removal.
    std::string FinishNotice() const;

private:
    End m_end = End::kNotFinished;
    bool m_bCancelled = false;
    int m_ignoredFiles = 0;
    int m_failedControls = 0;
    std::vector<std::string> m_left;
    // The earlier installation's folder: the one kept (kEarlierKept) or
    // the one a move removed first (any other end); empty when none.
    std::string m_strEarlier;
    bool m_bEarlierAtRestart = false;
    bool m_bEarlierBusy = false;
};

}  // namespace engine
