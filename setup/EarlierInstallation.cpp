#include "EarlierInstallation.h"

#include "InstallationLock.h"
#include "UninstallThread.h"
#include "installlog/Contract.h"
#include "installlog/InstallLog.h"
#include "runfront/ExitCodes.h"
#include "runfront/RunSupport.h"
#include "winlib/Path.h"
#include "winlib/StdioFile.h"
#include "winlib/WinThread.h"

#include <set>

namespace {

// The uninstaller's worker as Setup runs it: a log that cannot be read
// goes to the run log instead of a box, and the running program (Setup,
// from its medium) is never the installation's own uninstaller, even when
// it lies in that folder: the installation's folder is removed directly,
// never by a self-removal batch.
class CReplacingUninstallThread : public CUninstallThread {
protected:
    void ReportFileError(const CFileException& error) override
    {
        runfront::AppRunLog().Step("不能读取以前安装的卸载日志: " + error.GetErrorMessage());
    }
    bool IsSelfRemoving() const override { return false; }
};

// After a removal that left something: each file, folder and control of
// the log that went, so that the run log tells what of the earlier
// installation is gone.
void LogRemoved(const CUninstallThread& worker)
{
    std::set<std::string> left;
    for (const LeftEntry& entry : worker.Outcome().Left())
        left.insert(entry.text);
    runfront::RunLog& log = runfront::AppRunLog();
    const std::string& text = worker.LogText();
    for (const int kind : {installlog::kRegCtrl, installlog::kFileCopy, installlog::kMadeDir}) {
        std::size_t position = 0, start = 0, length = 0;
        while (installlog::FindNextEntry(text, kind, position, start, length)) {
            const std::string entry = text.substr(start, length);
            if (left.count(entry) == 0)
                log.Step((kind == installlog::kRegCtrl ? "已注销: " : "已删除: ") + entry);
        }
    }
}

}  // namespace

engine::EarlierRemoval RemoveEarlierInstallation(const std::string& folder)
{
    using Result = engine::EarlierRemoval::Result;
    runfront::RunLog& log = runfront::AppRunLog();
    engine::EarlierRemoval removal;
    const std::string path = winlib::StripTrailingBackslashes(folder);
    CInstallationLock lock;
    const CInstallationLock::State state = lock.Acquire(path);
    if (state == CInstallationLock::State::Busy) {
        log.Step("另一个卸载程序正在卸载 " + path + "，没有做任何改动");
        removal.result = Result::kBusy;
        return removal;
    }
    if (state == CInstallationLock::State::Unavailable)
        log.Failure("不能确认没有另一个卸载程序在运行，继续卸载", lock.Error());

    const std::string logPath = winlib::JoinPath(path, installlog::kLogFileName);
    CReplacingUninstallThread worker;
    worker.m_pMainWnd = nullptr;
    worker.m_bAutoDelete = FALSE;
    if (!worker.ReadLog(logPath.c_str())) {
        removal.left.push_back(logPath);
        return removal;
    }
    if (!worker.CreateThread(0, 0, nullptr)) {
        log.Failure("不能启动卸载", ::GetLastError());
        removal.left.push_back(path);
        return removal;
    }
    winlib::WaitPumpingMessages(worker.GetThreadHandle());

    const UninstallOutcome& outcome = worker.Outcome();
    switch (outcome.ExitCode()) {
    case runfront::kExitSuccess:
        removal.result = Result::kRemoved;
        return removal;
    case runfront::kExitRestartNeeded:
        removal.result = Result::kRemovedAtRestart;
        return removal;
    default:
        break;
    }
    for (const LeftEntry& entry : outcome.Left())
        if (!IsKeptReason(entry.reason))
            removal.left.push_back(entry.text + "（" + LeftReasonText(entry.reason) + "）");
    if (!outcome.FolderLeft().empty())
        removal.left.push_back(outcome.FolderLeft());
    LogRemoved(worker);
    return removal;
}
