// CSetupThread: the worker that performs the installation while the
// wizard's progress page stays responsive. The page sets the source and
// destination folders, m_pMainWnd and m_bAutoDelete, then starts it with
// CreateThread; the worker reports only with the messages of
// SetupMessages.h and asks the user only through AskUser.
#pragma once

#include "engine/AcadRelease.h"
#include "engine/SetupMessages.h"
#include "winlib/WinThread.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <string>
#include <vector>

class CFileException;

class CSetupThread : public CWinThread {
public:
    CSetupThread();
    ~CSetupThread() override;

    // The seven product folders of the medium, in the order in which they
    // are copied (and counted by the progress page).
    static const std::array<const char*, 7>& ProductFolders();

    // Asks the worker to stop; it stops after the entry it is copying. Has
    // an effect only while the product folders are being copied.
    void Cancel();
    BOOL IsCancelled() const;

    BOOL InitInstance() override;
    // The whole installation, then the base message loop, which takes the
    // WM_QUIT that the run posts to itself.
    int Run() override;

    // Copies one folder tree of the medium; FALSE when the user aborted or
    // a cancel was seen. Paths carry no trailing backslash.
    BOOL CopyFolderTree(const std::string& source, const std::string& destination);
    // Makes every missing folder of path; FALSE when the user gave up.
    BOOL CreateFolderPath(const std::string& path);
    // Copies the loose files of the medium's root folder.
    void CopyTopLevelFiles();
    // Names of the plain files of folder that match pattern, in search
    // order. Empty when the folder cannot be entered.
    void ListFiles(const std::string& folder, const char* pattern, std::vector<std::string>& list);

    // Registers every "*.ocx" file directly in the installed "Controls"
    // folder and records each one, whether or not it registered.
    void RegisterControls();
    // Loads one control file and calls its DllRegisterServer; TRUE only when
    // that returned S_OK.
    BOOL RegisterControl(const std::string& path);

    // Writes the product key and the uninstall entry, and a profile for
    // every AutoCAD release found, in between.
    void RegisterProduct();
    // Finds the folder of one AutoCAD release; TRUE with the folder (ending
    // in a backslash) in acadFolder, FALSE with acadFolder empty.
    BOOL FindAcadFolder(const engine::AcadRelease& release, std::string& acadFolder);
    // Writes the installation's profile for one AutoCAD release. acadFolder
    // (ending in a backslash) is used only by releases without a default
    // profile (R15.0).
    void ConfigureAcadProfile(const engine::AcadRelease& release, const std::string& acadFolder);

    // Makes the desktop, Programs menu and AutoCAD shortcuts; FALSE when no
    // pair of shell folders was found (then nothing is made).
    BOOL CreateShortcuts();
    // Saves one shell link at path. arguments and icon may be null. TRUE
    // when the file was saved; a path that does not fit MAX_PATH is a
    // failed save.
    BOOL CreateShortcut(const char* workingDir, const char* path, const char* target, const char* arguments,
                        const char* icon);

    // folder + "\" + name; no backslash is added when folder ends in one
    // (or in a slash), and a folder of two characters or fewer is dropped.
    static std::string MakePath(const std::string& folder, const std::string& name);

    // The record operations of the install log.
    void LogFileCopy(const std::string& path);
    void LogMadeDir(const std::string& path);
    void LogRegCtrl(const std::string& path);
    void LogRegKey(HKEY root, const std::string& subKey);
    // Writes m_strLog to "Uninstall.log" in the install folder (replacing
    // an older one) and hides it. FALSE after a file error, which has been
    // shown to the user.
    BOOL WriteUninstallLog();

    void NotifyFileCopied(const std::string& source, const std::string& destination);
    void NotifyFinished();

    std::atomic<BOOL> m_bCancel{FALSE};
    std::string m_strLog;
    std::string m_strSourceDir;   // ends in one backslash
    std::string m_strInstallDir;  // ends in one backslash

protected:
    // Puts a question to the user and returns the button chosen. The box
    // is owned by the progress page; its caption is the application's name.
    virtual int AskUser(const std::string& text, UINT type);

private:
    // Deletes an old file at folder + name, saves the shortcut there and
    // records it when saved.
    void MakeShortcut(const std::string& folder, const char* name, const std::string& target,
                      const char* arguments, const char* icon);
    void ReportFileError(const CFileException& error);
    // Formats a two-"%s" prompt with the system's text for the last error
    // and a path.
    static std::string FormatPrompt(const char* format, DWORD error, const std::string& path);
};
