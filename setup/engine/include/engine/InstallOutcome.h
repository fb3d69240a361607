// InstallOutcome: how one run of Setup ended, and everything that is told
// from it: the program's exit code, the report the wizard shows after an
// installation that did not complete, and the finish page's line about
// what did not go in. Setup's exit codes and these texts are chosen here
// and nowhere else.
#pragma once

#include <string>
#include <vector>

namespace engine {

class InstallOutcome {
public:
    enum class End {
        kNotFinished,   // no run has ended (yet)
        kCompleted,     // installed
        kUndone,        // the run did not complete and was undone whole
        kPartlyUndone,  // the run did not complete; some of it stays
        kLeftByUser,    // the user left before anything was installed
        kRefused,       // nothing could be started (a refused destination, a page that could not be shown)
    };

    InstallOutcome() = default;
    static InstallOutcome Completed(int ignoredFiles, int failedControls);
    // cancelled: the user confirmed a cancel (else a step failed or the
    // user aborted at a question). left: what could not be undone, one
    // readable line each.
    static InstallOutcome Undone(bool cancelled, std::vector<std::string> left);
    static InstallOutcome LeftByUser();
    static InstallOutcome Refused();

    End GetEnd() const { return m_end; }
    bool IsCompleted() const { return m_end == End::kCompleted; }
    // True when an installation was started and did not complete.
    bool IsUndone() const { return m_end == End::kUndone || m_end == End::kPartlyUndone; }
    int IgnoredFiles() const { return m_ignoredFiles; }
    int FailedControls() const { return m_failedControls; }
    const std::vector<std::string>& Left() const { return m_left; }

    // The exit code (runfront's ExitCode): success, cancelled by the user
    // (nothing installed), failed with the machine as it was, or failed
    // with something left.
    int ExitCode() const;
    // After a run that did not complete: that nothing was installed, or
    // what could not be removed. Empty otherwise.
    std::string Report() const;
    // After a run that completed: the files the user went on without and
    // the controls that did not register ("有 N 个文件未能复制。"...);
    // empty when there were none.
    std::string FinishNotice() const;

private:
    End m_end = End::kNotFinished;
    bool m_bCancelled = false;
    int m_ignoredFiles = 0;
    int m_failedControls = 0;
    std::vector<std::string> m_left;
};

}  // namespace engine
