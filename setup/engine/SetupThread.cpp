#include "engine/SetupThread.h"

#include "engine/InstallJob.h"
#include "engine/InstallStep.h"
#include "winlib/ControlProcess.h"
#include "runfront/RunSupport.h"
#include "winlib/StringUtil.h"
#include "winlib/WinApp.h"
#include "winlib/Wnd.h"

CSetupThread::CSetupThread() = default;

CSetupThread::~CSetupThread() = default;

void CSetupThread::Configure(const std::string& sourceDir, const std::string& installDir, CWnd* reportTo)
{
    m_strSourceDir = sourceDir;
    m_strInstallDir = installDir;
    m_pMainWnd = reportTo;
    m_bAutoDelete = FALSE;
    m_hWndReport = reportTo != nullptr ? reportTo->GetSafeHwnd() : nullptr;
}

HWND CSetupThread::ReportWindow()
{
    // Taken once: a window that is gone later merely drops the messages.
    if (m_hWndReport == nullptr && m_pMainWnd != nullptr)
        m_hWndReport = m_pMainWnd->GetSafeHwnd();
    return m_hWndReport;
}

bool CSetupThread::Cancel()
{
    int expected = kRunning;
    return m_state.compare_exchange_strong(expected, kCancelled) || expected == kCancelled;
}

BOOL CSetupThread::IsCancelled() const
{
    return m_state.load() == kCancelled ? TRUE : FALSE;
}

bool CSetupThread::BeginCompleting()
{
    int expected = kRunning;
    return m_state.compare_exchange_strong(expected, kCompleting);
}

BOOL CSetupThread::InitInstance()
{
    return TRUE;
}

bool CSetupThread::RemoveEarlier()
{
    using Result = engine::EarlierRemoval::Result;
    runfront::RunLog& log = runfront::AppRunLog();
    log.Step("先卸载以前安装在 " + m_strEarlierDir + " 的 ZEMLO V8.0");
    const engine::EarlierRemoval removal =
        m_earlierRemover ? m_earlierRemover(m_strEarlierDir) : engine::EarlierRemoval();
    if (removal.result == Result::kRemoved || removal.result == Result::kRemovedAtRestart) {
        m_bEarlierRemoved = true;
        m_bEarlierAtRestart = removal.result == Result::kRemovedAtRestart;
        log.Step(m_bEarlierAtRestart ? "以前的安装已卸载，正在使用的文件在重新启动后删除" : "以前的安装已卸载");
        return true;
    }
    m_outcome = engine::InstallOutcome::EarlierKept(m_strEarlierDir, removal);
    log.Step(m_outcome.Report());
    return false;
}

void CSetupThread::NoteEarlierRemoval()
{
    if (m_bEarlierRemoved)
        m_outcome.SetEarlierRemoved(m_strEarlierDir, m_bEarlierAtRestart);
}

std::string CSetupThread::LogText() const
{
    return m_job ? m_job->record.Log().str() : std::string();
}

int CSetupThread::Run()
{
    const HWND report = ReportWindow();
    runfront::RunLog& log = runfront::AppRunLog();
    log.Step("安装到 " + m_strInstallDir + "，安装文件来自 " + m_strSourceDir +
             (m_audience.allUsers ? "，为所有用户安装" : ""));
    engine::InstallHost& host = *this;
    // A move replaces the earlier installation: it goes first, before
    // anything of the new one is written (one installation at a time).
    if (!m_strEarlierDir.empty() && !RemoveEarlier()) {
        if (report != nullptr)
            ::PostMessageA(report, WM_SETUP_FAILED, 0, 0);
        ::PostThreadMessageA(m_nThreadID, WM_QUIT, 0, 0);
        return CWinThread::Run();
    }
    m_job = std::make_unique<engine::InstallJob>(host, m_strSourceDir, m_strInstallDir, m_nControlTimeoutMs, m_audience);
    engine::InstallJob& job = *m_job;

    // Each step runs only while nothing has failed and no cancel was
    // confirmed; the last one, the log, only once the run can no longer
    // be cancelled.
    bool ok = true;
    for (const std::unique_ptr<engine::InstallStep>& step : engine::InstallSteps()) {
        if (IsCancelled() || (step->Completes() && !BeginCompleting())) {
            ok = false;
            break;
        }
        log.Step(step->Describe(job));
        if (step->Run(job) != engine::StepResult::kDone) {
            ok = false;
            break;
        }
    }

    if (ok) {
        job.installFolder.Release();
        // What was put aside to make room is no longer needed.
        if (!job.backups.Discard())
            log.Step("未能删除备份文件夹 " + job.backups.Folder());
        log.Step(winlib::Format("安装完成：复制了 %llu 字节，跳过 %d 个文件，%d 个控件未能注册", job.copier.BytesCopied(),
                                job.copier.IgnoredFiles(), job.failedControls));
        m_outcome = engine::InstallOutcome::Completed(job.copier.IgnoredFiles(), job.failedControls);
        NoteEarlierRemoval();
        if (report != nullptr) {
            ::SendMessageA(report, WM_SETUP_CONFIGURING, 0, 0);
            ::PostMessageA(report, WM_SETUP_DONE, 0, 0);
        }
    } else {
        const bool cancelled = IsCancelled() != FALSE;
        log.Step(cancelled ? "安装已被用户取消，撤销本次安装所做的更改" : "安装没有完成，撤销本次安装所做的更改");
        // Nothing is held any more: what the run made can go.
        job.installFolder.Release();
        const DWORD timeout = m_nControlTimeoutMs;
        m_outcome = engine::InstallOutcome::Undone(
            cancelled, job.record.Journal().Undo([timeout](const std::string& control, bool unregister) {
                winlib::ModuleMachine machine = winlib::ModuleMachine::X86;
                const winlib::ControlCallResult result = winlib::RunControlServer(control, unregister, timeout, &machine);
                // A file that is no module, or one this Windows cannot load,
                // was never registered here (the log records every control
                // file, whatever its registration gave): there is no
                // registration to give back.
                return result == winlib::ControlCallResult::Succeeded ||
                       result == winlib::ControlCallResult::WrongMachine ||
                       (result == winlib::ControlCallResult::Failed && machine == winlib::ModuleMachine::NotAModule);
            }));
        NoteEarlierRemoval();
        if (!job.backups.Discard())
            log.Step("未能删除备份文件夹 " + job.backups.Folder());
        log.Step(m_outcome.Report());
        if (report != nullptr)
            ::PostMessageA(report, WM_SETUP_FAILED, 0, 0);
    }

    ::PostThreadMessageA(m_nThreadID, WM_QUIT, 0, 0);
    return CWinThread::Run();
}

int CSetupThread::AskUser(const std::string& text, UINT type)
{
    int answer = IDCANCEL;
    if (m_questionHook)
        answer = m_questionHook(text, type);
    else if (m_bUnattended)
        answer = engine::UnattendedAnswer(type);
    else
        answer = ::MessageBoxA(ReportWindow(), text.c_str(), AfxGetAppName(), type);
    return runfront::LogAnswer(text, answer, m_bUnattended);
}

void CSetupThread::ReportFailure(const std::string& what, DWORD error)
{
    runfront::AppRunLog().Failure(what, error);
}

void CSetupThread::NotifyFileCopied(const std::string& source, const std::string& destination)
{
    if (const HWND report = ReportWindow())
        ::SendMessageA(report, WM_SETUP_PROGRESS, reinterpret_cast<WPARAM>(source.c_str()),
                       reinterpret_cast<LPARAM>(destination.c_str()));
}
