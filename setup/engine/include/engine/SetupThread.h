// CSetupThread: the worker that performs the installation while the
// wizard's progress page stays responsive. The page configures it (source
// and destination folders, the window it reports to) and starts it with
// CreateThread; the worker reports only with the messages of
// SetupMessages.h.
//
// The worker walks the installation's steps (InstallStep.h) in order, each
// one's record going to the run log, until one fails or a cancel is
// confirmed. A run that does not complete is undone (ChangeJournal.h)
// before the worker reports WM_SETUP_FAILED. How the run ended is its
// Outcome().
#pragma once

#include "engine/Audience.h"
#include "engine/InstallHost.h"
#include "engine/InstallOutcome.h"
#include "engine/SetupMessages.h"
#include "winlib/WinThread.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace engine {
struct InstallJob;
}

class CSetupThread : public CWinThread, private engine::InstallHost {
public:
    // How long one control may take to register or unregister.
    static constexpr DWORD kControlTimeoutMs = 60000;

    // Answers one question (the text and the message box type) in place
    // of a box.
    using QuestionHook = std::function<int(const std::string& text, UINT type)>;

    CSetupThread();
    ~CSetupThread() override;

    // Sets the folders (each ending in one backslash) and the window the
    // worker reports to and asks over (none: no reports); its handle is
    // taken here, once.
    void Configure(const std::string& sourceDir, const std::string& installDir, CWnd* reportTo);
    // Set before the run starts. An unattended run answers every question
    // itself with the answer that stops the installation (see
    // engine::UnattendedAnswer) and shows no box; with a hook, every
    // question goes to the hook instead (tests and tools answer by script).
    void SetUnattended(bool unattended) { m_bUnattended = unattended; }
    void SetQuestionHook(QuestionHook hook) { m_questionHook = std::move(hook); }
    void SetControlTimeout(DWORD timeoutMs) { m_nControlTimeoutMs = timeoutMs; }
    // Whom the installation is for (the running user by default).
    void SetAudience(const engine::Audience& audience) { m_audience = audience; }
    // Removes an earlier installation (its folder) in the way Uninstall
    // does, before the run writes anything.
    using EarlierRemover = std::function<engine::EarlierRemoval(const std::string& folder)>;
    // A move: the earlier installation in folder (another than the one to
    // install into) is removed first with remover; when it cannot be
    // removed whole the run stops there, having written nothing.
    void ReplaceEarlier(const std::string& folder, EarlierRemover remover)
    {
        m_strEarlierDir = folder;
        m_earlierRemover = std::move(remover);
    }
    // The folders as configured.
    const std::string& SourceDir() const { return m_strSourceDir; }
    const std::string& InstallDir() const { return m_strInstallDir; }

    // Asks the worker to stop and undo what it did. False when it comes
    // too late: the installation is being completed and can no longer be
    // stopped.
    bool Cancel();
    BOOL IsCancelled() const override;

    BOOL InitInstance() override;
    // The whole installation, then the base message loop, which takes the
    // WM_QUIT that the run posts to itself.
    int Run() override;

    // How the run ended; complete once WM_SETUP_DONE or WM_SETUP_FAILED
    // has been posted (kNotFinished before).
    const engine::InstallOutcome& Outcome() const { return m_outcome; }
    // The text of "Uninstall.log" as the run recorded it (also after a run
    // that did not complete and wrote no log).
    std::string LogText() const;

private:
    enum RunState : int { kRunning, kCancelled, kCompleting };

    int AskUser(const std::string& text, UINT type) override;
    void NotifyFileCopied(const std::string& source, const std::string& destination) override;
    void ReportFailure(const std::string& what, DWORD error) override;

    // The window to report to, its handle taken once.
    HWND ReportWindow();
    // Moves the run to its completing state unless a cancel came first.
    bool BeginCompleting();
    // Removes the earlier installation a move replaces; false (the
    // outcome set) when the run must stop.
    bool RemoveEarlier();
    // Notes in the outcome just set that the move removed the earlier
    // installation first (its reports then say so).
    void NoteEarlierRemoval();

    std::string m_strSourceDir;   // ends in one backslash
    std::string m_strInstallDir;  // ends in one backslash
    DWORD m_nControlTimeoutMs = kControlTimeoutMs;
    std::atomic<int> m_state{kRunning};
    HWND m_hWndReport = nullptr;
    bool m_bUnattended = false;
    engine::Audience m_audience;
    QuestionHook m_questionHook;
    std::string m_strEarlierDir;  // the installation a move replaces, or empty
    EarlierRemover m_earlierRemover;
    // The earlier installation was removed; files of it go at the restart.
    bool m_bEarlierRemoved = false;
    bool m_bEarlierAtRestart = false;
    engine::InstallOutcome m_outcome;
    // What the steps of the run share, made when the run starts and kept
    // with the worker (the log's text stays readable).
    std::unique_ptr<engine::InstallJob> m_job;
};
