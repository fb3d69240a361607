// CUninstallThread: the worker of Uninstall. The window has it read
// "Uninstall.log" (ReadLog, on the window's thread), then starts it; the
// worker undoes the log kind by kind (controls, files, folders
// last-recorded first, registry keys), reports to the window with the
// messages of UninstallMessages.h, starts the self-removal and ends.
#pragma once

#include "UninstallMessages.h"
#include "winlib/WinThread.h"

#include <windows.h>

#include <string>

class CFileException;

class CUninstallThread : public CWinThread {
public:
    CUninstallThread();
    ~CUninstallThread() override;

    // Reads the whole log into m_strLog in text mode (CR LF becomes LF; the
    // text ends where the read ended). On a file error: shows the standard
    // file-error box, posts WM_UNINSTALL_FAILED to m_pMainWnd and returns
    // FALSE.
    BOOL ReadLog(LPCSTR path);
    // The number of entries of a kind (LogEntryKind) in m_strLog.
    int CountEntries(int kind) const;
    // The next entry of a kind from position (0 for a fresh scan), which
    // is advanced past it; start and length give its text in m_strLog.
    BOOL FindNextEntry(int kind, int& position, int& start, int& length) const;

    // The whole uninstallation; returns FALSE, so the thread ends without a
    // message loop.
    BOOL InitInstance() override;
    int ExitInstance() override;

    // The passes, in the order InitInstance runs them.
    void UnregisterControls();
    void DeleteFiles();
    void RemoveFolders();
    void DeleteRegKeys();
    // Loads a control by its full path and calls its DllUnregisterServer;
    // TRUE only when that answered S_OK (a relative path is not loaded).
    static BOOL UnregisterControl(LPCSTR path);

    std::string m_strLog;
    // The folder of the log ReadLog read, without a trailing backslash.
    std::string m_strLogFolder;

protected:
    // Shows the file error of ReadLog (the standard box, MB_OK).
    virtual void ReportFileError(const CFileException& error);
    // The last step of the run: StartSelfRemoval when the running program
    // lies in the log's folder; otherwise that folder is removed directly.
    virtual void RemoveSelf();

private:
    // The text of every entry of a kind, in the order of the log.
    template <typename Visit>
    void ForEachEntry(int kind, Visit visit) const;
    LRESULT Report(UINT message, LPARAM lParam = 0) const;

    // The window the worker reports to, taken from m_pMainWnd when the run
    // starts: only its handle is used afterwards, so a window that is gone
    // meanwhile merely drops the messages.
    HWND m_hWndReport = nullptr;
};
