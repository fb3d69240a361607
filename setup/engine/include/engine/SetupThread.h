// CSetupThread: the worker that performs the installation while the
// wizard's progress page stays responsive. The page configures it (source
// and destination folders, the window it reports to) and starts it with
// CreateThread; the worker reports only with the messages of
// SetupMessages.h and asks the user only through AskUser.
//
// The worker is the front that Run drives; the state lives in small units:
// the recorder (the log text and the list of changes a rollback undoes),
// the tree copier, the AutoCAD configurator and the shortcut maker. A run
// that does not complete (the user cancelled or aborted, or a step failed)
// undoes what it did, newest first, before it reports WM_SETUP_FAILED.
#pragma once

#include "engine/AcadRelease.h"
#include "engine/InstallHost.h"
#include "engine/InstallRecorder.h"
#include "engine/SetupMessages.h"
#include "engine/TreeCopier.h"
#include "winlib/WinThread.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <string>
#include <vector>

class CFileException;

class CSetupThread : public CWinThread, private engine::InstallHost {
public:
    CSetupThread();
    ~CSetupThread() override;

    // The seven product folders of the medium, in the order in which they
    // are copied (and counted by the progress page).
    static const std::array<const char*, 7>& ProductFolders();

    // How long one control may take to register or unregister.
    static constexpr DWORD kControlTimeoutMs = 60000;

    // Sets the folders (each ending in one backslash) and the window the
    // worker reports to and asks over; its handle is taken here, once.
    void Configure(const std::string& sourceDir, const std::string& installDir, CWnd* reportTo);

    // Asks the worker to stop and undo what it did. False when it comes
    // too late: the installation is being completed and can no longer be
    // stopped.
    bool Cancel();
    BOOL IsCancelled() const override;

    BOOL InitInstance() override;
    // The whole installation, then the base message loop, which takes the
    // WM_QUIT that the run posts to itself.
    int Run() override;

    // Copies one folder tree of the medium; FALSE when the user aborted or
    // a cancel was seen. Paths carry no trailing backslash.
    BOOL CopyFolderTree(const std::string& source, const std::string& destination);
    // Makes every missing folder of path; FALSE when the user gave up.
    BOOL CreateFolderPath(const std::string& path);
    // Copies the loose files of the medium's root folder; FALSE when the
    // user aborted at a file that could not be copied.
    BOOL CopyTopLevelFiles();
    // Names of the plain files of folder that match pattern, in search
    // order. Empty when the folder cannot be entered.
    void ListFiles(const std::string& folder, const char* pattern, std::vector<std::string>& list);

    // Registers every "*.ocx" file directly in the installed "Controls"
    // folder that this run copied there, each in a child process, and
    // records each one, whether or not it registered.
    void RegisterControls();
    // The installed "Controls" folder, with its trailing backslash.
    std::string ControlsFolder() const;
    // Registers one control file in a child process with a time limit;
    // TRUE only when its registration reported success. Otherwise reason,
    // when given, receives why (for the run log).
    BOOL RegisterControl(const std::string& path, std::string* reason = nullptr);

    // Writes the product key and the uninstall entry, and a profile for
    // every AutoCAD release found, in between.
    void RegisterProduct();
    // Finds the folder of one AutoCAD release; TRUE with the folder (ending
    // in a backslash) in acadFolder, FALSE with acadFolder empty.
    BOOL FindAcadFolder(const engine::AcadRelease& release, std::string& acadFolder);
    // Writes the installation's profile for one AutoCAD release.
    void ConfigureAcadProfile(const engine::AcadRelease& release, const std::string& acadFolder);

    // Makes the desktop, Programs menu and AutoCAD shortcuts; FALSE when no
    // pair of shell folders was found (then nothing is made).
    BOOL CreateShortcuts();
    // Saves one shell link at path. arguments and icon may be null.
    BOOL CreateShortcut(const char* workingDir, const char* path, const char* target, const char* arguments,
                        const char* icon);

    // folder + "\" + name; no backslash is added when folder ends in one
    // (or in a slash), and a folder of two characters or fewer is dropped.
    static std::string MakePath(const std::string& folder, const std::string& name);

    // The record operations of the install log; false when the text is
    // not a plain path and was not recorded.
    bool LogFileCopy(const std::string& path);
    bool LogMadeDir(const std::string& path);
    bool LogRegCtrl(const std::string& path);
    bool LogRegKey(HKEY root, const std::string& subKey);
    // Writes the log text to "Uninstall.log" in the install folder
    // (replacing an older one) and hides it. FALSE after a file error,
    // which has been shown to the user.
    BOOL WriteUninstallLog();
    // The install log's text as recorded so far.
    std::string Log() const { return m_recorder.Text(); }

    void NotifyFileCopied(const std::string& source, const std::string& destination) override;
    void NotifyFinished();

    // After a run: the files the user chose to go on without, and the
    // controls that did not register (failed or timed out).
    int IgnoredFiles() const { return m_copier.IgnoredFiles(); }
    int FailedControls() const { return m_nFailedControls; }
    // After a run that did not complete: what the user is told, saying that
    // nothing was installed or what could not be removed. Empty after a
    // completed run.
    const std::string& FailureReport() const { return m_strFailureReport; }

    // How a run ended: still to run or running, completed, or undone (whole
    // or in part).
    enum class Outcome { kNotFinished, kCompleted, kUndone, kPartlyUndone };
    Outcome GetOutcome() const { return m_outcome.load(); }
    // The program's exit code for the run's end (installlog::ExitCode):
    // success, cancelled by the user and undone, failed and undone, or
    // failed with something left; failed for a run that has not ended.
    int ExitCode() const;

    // An unattended run answers every question itself with the answer
    // that stops the installation (see engine::UnattendedAnswer) and shows
    // no box. Set before the run starts.
    void SetUnattended(bool unattended) { m_bUnattended = unattended; }

    // The size to show in the list of installed programs, in KB (rounded
    // up), for the bytes copied.
    static DWORD EstimatedSizeKb(unsigned long long bytes);

    std::string m_strSourceDir;   // ends in one backslash
    std::string m_strInstallDir;  // ends in one backslash
    DWORD m_nControlTimeoutMs = kControlTimeoutMs;

protected:
    // Puts a question to the user and returns the button chosen. The box
    // is owned by the report window; its caption is the application's name.
    // Every question goes to the run log with its answer.
    int AskUser(const std::string& text, UINT type) override;
    // Puts the question to the user; an unattended run answers it itself.
    virtual int AskUserDirectly(const std::string& text, UINT type);
    void ReportFailure(const std::string& what, DWORD error) override;
    void ReportFileError(const CFileException& error);

private:
    enum RunState : int { kRunning, kCancelled, kCompleting };

    // The window to report to, its handle taken once.
    HWND ReportWindow();
    // Moves the run to its completing state unless a cancel came first.
    bool BeginCompleting();
    // Undoes everything the run did and words the report for the user.
    void RollBack();
    // The uninstall entry's values beside its name and command.
    void WriteUninstallDetails(const std::string& uninstaller);

    std::atomic<int> m_state{kRunning};
    HWND m_hWndReport = nullptr;
    engine::InstallRecorder m_recorder;
    engine::TreeCopier m_copier{*this, m_recorder};
    int m_nFailedControls = 0;
    std::string m_strFailureReport;
    std::atomic<Outcome> m_outcome{Outcome::kNotFinished};
    bool m_bUnattended = false;
};
