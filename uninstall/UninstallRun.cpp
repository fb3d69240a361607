#include "UninstallRun.h"

#include "Installation.h"
#include "InstallationLock.h"
#include "UninstallThread.h"
#include "runfront/CommandLine.h"
#include "runfront/ExitCodes.h"
#include "runfront/InstalledProduct.h"
#include "runfront/RunSupport.h"
#include "winlib/Path.h"
#include "winlib/StdioFile.h"
#include "winlib/WinThread.h"

#include <windows.h>

#include <io.h>

#include <string>
#include <vector>

namespace {

const char kTitle[] = "卸载软件";
const char kNotAdministrator[] = "卸载 ZEMLO V8.0 需要管理员权限。\n请以管理员身份运行卸载程序。";
const char kLogUnusable[] = "不能写入运行日志，卸载将在没有日志的情况下继续：\n";
const char kAlreadyRunning[] = "另一个卸载程序正在卸载 ZEMLO V8.0。\n请等它完成。本程序没有做任何改动。";

// The worker of an unattended run: a log that cannot be read goes to the
// run log instead of a box.
class CUnattendedUninstallThread : public CUninstallThread {
protected:
    void ReportFileError(const CFileException& error) override
    {
        runfront::AppRunLog().Step("不能读取卸载日志: " + error.GetErrorMessage());
    }
};

// What the run log may never lie inside: the program's own folder (the
// installation it belongs to, or the medium) and the recorded installation.
std::vector<std::string> UninstallFolders(const runfront::CommandLineOptions&)
{
    std::vector<std::string> folders = {winlib::ProgramFolder()};
    std::string recorded;
    if (runfront::ReadInstalledFolder(recorded))
        folders.push_back(recorded);
    return folders;
}

}  // namespace

int RunUnattendedUninstall()
{
    runfront::RunLog& log = runfront::AppRunLog();
    const std::string logPath = installation::LogPath();
    log.Step("无人值守卸载，卸载日志 " + logPath);
    if (::_access(logPath.c_str(), 0) != 0) {
        log.Failure("找不到卸载日志 " + logPath, ERROR_FILE_NOT_FOUND);
        return runfront::kExitFailed;
    }
    CUnattendedUninstallThread worker;
    worker.m_pMainWnd = nullptr;
    worker.m_bAutoDelete = FALSE;
    if (!worker.ReadLog(logPath.c_str()))
        return runfront::kExitFailed;
    if (!worker.CreateThread(0, 0, nullptr)) {
        log.Failure("不能启动卸载", ::GetLastError());
        return runfront::kExitFailed;
    }
    winlib::WaitPumpingMessages(worker.GetThreadHandle());
    return worker.Outcome().ExitCode();
}

// Takes the lock of the installation the run would remove (the folder of
// its log) and of the program's own folder: a second copy of an
// installation's uninstaller started after the first deleted the log
// would otherwise look for the log elsewhere and miss the first one.
static bool LockInstallation(CInstallationLock& logLock, CInstallationLock& programLock, bool silent)
{
    const std::string folder = winlib::ParentFolder(installation::LogPath());
    const std::string programFolder = winlib::ProgramFolder();
    runfront::RunLog& log = runfront::AppRunLog();
    CInstallationLock::State state = logLock.Acquire(folder);
    if (state == CInstallationLock::State::Unavailable)
        log.Failure("不能确认没有另一个卸载程序在运行，继续卸载", logLock.Error());
    if (state != CInstallationLock::State::Busy && !programFolder.empty() &&
        !winlib::IsSameFolder(programFolder, folder)) {
        state = programLock.Acquire(programFolder);
        if (state == CInstallationLock::State::Unavailable)
            log.Failure("不能确认没有另一个卸载程序在运行，继续卸载", programLock.Error());
    }
    if (state != CInstallationLock::State::Busy)
        return true;
    log.Step("另一个卸载程序正在卸载 " + folder + "，本程序没有做任何改动");
    if (!silent)
        runfront::LogAnswer(kAlreadyRunning, ::MessageBoxA(nullptr, kAlreadyRunning, kTitle, MB_OK | MB_ICONINFORMATION));
    return false;
}

int RunUninstall(std::string_view arguments, bool administrator, const std::function<int()>& runInteractive)
{
    runfront::CommandLineOptions options;
    int exitCode = 0;
    if (!runfront::StartRun(arguments, runfront::Program::kUninstall, administrator,
                            {"Uninstall", kTitle, kNotAdministrator, kLogUnusable}, UninstallFolders, options,
                            exitCode))
        return exitCode;
    // Held until the program ends, the self-removal's batch excepted (it
    // only deletes what is left once the program has ended).
    CInstallationLock logLock;
    CInstallationLock programLock;
    if (!LockInstallation(logLock, programLock, options.silent))
        return runfront::FinishRun(runfront::kExitAlreadyRunning);
    return runfront::FinishRun(options.silent ? RunUnattendedUninstall() : runInteractive());
}
