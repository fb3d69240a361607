// CUninstallThread: the worker of Uninstall. The window has it read
// "Uninstall.log" (ReadLog, on the window's thread), then starts it; the
// worker undoes the log kind by kind (controls, files, folders
// last-recorded first, registry keys), reports to the window with the
// messages of UninstallMessages.h, starts the self-removal and ends.
//
// It acts only on what Setup can have written for this installation (see
// InstallScope.h); the installation is the folder that holds the log. The
// log's texts are judged first; then each allowed entry is opened without
// following a final link, the object opened is judged by where it really
// lies, and it is deleted through that same handle, so that nothing swapped
// in between the check and the act is touched. The installation folder is
// held open for the whole run (nobody can rename or replace it meanwhile).
// Every
// entry that is refused or could not be undone goes into its outcome
// (UninstallOutcome.h), which the window, the run log and the exit code
// read once the run has ended.
#pragma once

#include "InstallScope.h"
#include "UninstallMessages.h"
#include "UninstallOutcome.h"
#include "winlib/FileSecurity.h"
#include "winlib/Handles.h"
#include "winlib/WinThread.h"

#include <windows.h>

#include <string>

class CFileException;

class CUninstallThread : public CWinThread {
public:
    CUninstallThread();
    ~CUninstallThread() override;

    // Reads the whole log in text mode (CR LF becomes LF; the text ends
    // where the read ended). On a file error, and for a text that is no log
    // (a NUL byte, or no entry at all): shows the standard file-error box,
    // posts WM_UNINSTALL_FAILED to m_pMainWnd and returns FALSE, with the
    // text empty.
    BOOL ReadLog(LPCSTR path);
    // The text ReadLog read, as the passes replay it.
    const std::string& LogText() const { return m_strLog; }
    // The number of entries of a kind (LogEntryKind) in the log's text.
    int CountEntries(int kind) const;

    // The whole uninstallation; returns FALSE, so the thread ends without a
    // message loop. Its last records in the run log are the outcome's.
    BOOL InitInstance() override;

    // The passes, in the order InitInstance runs them.
    void UnregisterControls();
    void DeleteFiles();
    void RemoveFolders();
    void DeleteRegKeys();
    // Unregisters a control in a child process (the system's regsvr32 /s
    // /u of the control's machine type), so that a control that crashes or
    // hangs takes only the child with it; TRUE only when its
    // DllUnregisterServer succeeded within timeoutMs, or when the control
    // is of a kind this Windows cannot run (so was never registered here).
    static BOOL UnregisterControl(LPCSTR path, DWORD timeoutMs = kControlTimeoutMs);
    static constexpr DWORD kControlTimeoutMs = 20000;
    // How long one control of the run may take to unregister.
    void SetControlTimeout(DWORD timeoutMs) { m_dwControlTimeoutMs = timeoutMs; }

    // What the run left, complete when WM_UNINSTALL_DONE is sent: the
    // entries left, whether a restart finishes the job, and the program's
    // folder when it cannot be removed (no self-removal could be started,
    // or the installation's folder still holds something).
    const UninstallOutcome& Outcome() const { return m_outcome; }

protected:
    // Shows the file error of ReadLog (the standard box, MB_OK).
    virtual void ReportFileError(const CFileException& error);
    // The last step of the run: StartSelfRemoval when the running program
    // lies in the log's folder; otherwise that folder is removed directly.
    // Notes the folder in the outcome when it is going to stay.
    virtual void RemoveSelf();
    // After the key pass: the log and the uninstaller stay while the
    // registration does (a later run finishes the removal); otherwise the
    // log goes, then RemoveSelf.
    void FinishRun();
    // Removes an empty folder of the installation (path in normal form, an
    // entry's allowed path or the installation folder), once the folder
    // opened is found to be what the entry may name; when that fails
    // because it still holds something and a restart is pending, the folder
    // is removed at the restart (only in a protected installation folder).
    // False when the folder stays.
    bool RemoveFolder(const std::string& path, LeftReason& reason);
    // True when only administrators may change the installation folder
    // (its security read through the held handle): only then is anything
    // left for deletion at the restart, by path.
    bool FolderProtected();
    // True when the running program is this installation's own uninstaller,
    // which the self-removal batch deletes once it has ended.
    virtual bool IsSelfRemoving() const;
    // Starts the self-removal batch (StartSelfRemoval); false when none
    // could be started.
    virtual bool BeginSelfRemoval();

private:
    // The text of every entry of a kind, in the order of the log.
    template <typename Visit>
    void ForEachEntry(int kind, Visit visit) const;
    LRESULT Report(UINT message, LPARAM lParam = 0) const;
    // Deletes a file in normal form (an entry's allowed path), once the file
    // opened is found to be what the entry may name; one in use is deleted
    // at the next restart when the folder is protected. True when it is
    // gone (or was gone already).
    bool RemoveFile(const std::string& path, LeftReason& reason);
    // What an entry's object must be: a file or folder inside the
    // installation folder, a shortcut file, the installation folder itself,
    // the Programs menu folder.
    enum class Place { Inside, Shortcut, InstallFolder, MenuFolder };
    Place PlaceOf(const std::string& path, bool folder) const;
    // True when the object the handle holds may be acted on for an entry
    // of that place: a file or folder as asked, lying where it must.
    // openedAsFile: the handle was opened without backup semantics, so it
    // holds a file (no folder opens that way).
    bool IsAllowedObject(HANDLE object, Place place, bool folder, bool openedAsFile = false);
    // Opens and holds the installation folder (once) and finds where it
    // lies; false when it cannot be held or located, so that nothing
    // inside it can be judged.
    bool HoldFolder();
    // Deletes at the restart what was checked at path: only inside a
    // protected folder; reason says which way it went.
    bool ScheduleAtRestart(const std::string& path, LeftReason& reason);
    // The control at path (allowed, normal form), checked and held, then
    // unregistered; the file then goes through the same handle.
    void RemoveControl(const std::string& text, const std::string& path);
    void Left(const std::string& text, LeftReason reason) { m_outcome.AddLeft(text, reason); }
    // True when an entry's text (a path, as Left records it) names the
    // installation folder or a path inside it.
    bool InsideByText(const std::string& entryText) const;
    // Unregisters a control unless the system's registration of it names
    // another installation's file (Ownership.h): TRUE when nothing of this
    // file stays registered.
    // The control is the checked file, held open (RemoveControl).
    BOOL UnregisterOwnControl(HANDLE control, const std::string& path) const;
    // True when the key holds value name naming another folder than this
    // installation's: the key belongs to another installation and stays.
    bool NamesAnotherInstallation(const char* subKey, const char* valueName, bool isProgram) const;

    std::string m_strLog;
    // The folder of the log ReadLog read, without a trailing backslash: the
    // installation being removed.
    std::string m_strLogFolder;
    // What the uninstaller may touch, set by ReadLog from the log's folder.
    CInstallScope m_scope;
    // The installation folder, held open from the first entry to the end
    // of the run, without delete sharing; where it lies; whether only
    // administrators may change it (-1 until read).
    winlib::ScopedHandle m_folder;
    winlib::ObjectLocation m_folderLocation;
    // The held folder's name in the system's object manager, when it ends
    // in the path found for it (IsAllowedObject's quick answer).
    std::wstring m_folderObjectName;
    // The log's own "File Copy: " entry, removed last (FinishRun).
    std::string m_strLogEntry;
    // The product key and the uninstall entry stay because something is
    // left (DeleteRegKeys); the log and the uninstaller then stay too.
    bool m_registrationKept = false;
    bool m_folderTried = false;
    bool m_folderRemoved = false;
    int m_folderProtected = -1;
    DWORD m_dwControlTimeoutMs = kControlTimeoutMs;
    UninstallOutcome m_outcome;

    // The window the worker reports to, taken from m_pMainWnd when the run
    // starts: only its handle is used afterwards, so a window that is gone
    // meanwhile merely drops the messages.
    HWND m_hWndReport = nullptr;
};
