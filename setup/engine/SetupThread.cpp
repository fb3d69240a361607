#include "engine/SetupThread.h"

#include "installlog/Contract.h"
#include "runfront/ExitCodes.h"
#include "runfront/RunSupport.h"
#include "winlib/ControlProcess.h"
#include "winlib/StdioFile.h"
#include "winlib/StringUtil.h"
#include "winlib/Wnd.h"
#include "winlib/WinApp.h"


namespace {

const char kNothingInstalled[] = "安装没有完成，本次安装所做的更改已全部撤销，没有安装任何内容。";
const char kSomethingLeft[] = "安装没有完成，本次安装所做的更改已撤销，但以下项目未能删除：\n";
// At most this many of the items left are named; the rest are counted.
constexpr std::size_t kLeftItemsShown = 10;

}  // namespace

CSetupThread::CSetupThread() = default;

CSetupThread::~CSetupThread() = default;

const std::array<const char*, 7>& CSetupThread::ProductFolders()
{
    static const std::array<const char*, 7> folders = {
        "Support", "Controls", "图框", "模板", "Database", "Data", "Temp",
    };
    return folders;
}

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

int CSetupThread::Run()
{
    const HWND report = ReportWindow();

    // Each step runs only while nothing has failed and no cancel was
    // confirmed; the log is written only when the run can no longer be
    // cancelled.
    runfront::RunLog& log = runfront::AppRunLog();
    log.Step("安装到 " + m_strInstallDir + "，安装文件来自 " + m_strSourceDir);
    bool ok = true;
    for (const char* name : ProductFolders()) {
        // Both folders end in a backslash: plain concatenation.
        log.Step(std::string("复制文件夹 ") + m_strSourceDir + name);
        if (!CopyFolderTree(m_strSourceDir + name, m_strInstallDir + name)) {
            ok = false;
            break;
        }
    }
    if (ok && !IsCancelled()) {
        log.Step("复制安装文件夹中的文件");
        ok = CopyTopLevelFiles() != FALSE;
    }
    if (ok && !IsCancelled()) {
        log.Step("注册控件");
        RegisterControls();
    }
    if (ok && !IsCancelled()) {
        log.Step("写入注册表和 AutoCAD 配置");
        RegisterProduct();
    }
    if (ok && !IsCancelled()) {
        log.Step("创建快捷方式");
        if (!CreateShortcuts())
            log.Step("没有找到桌面和程序菜单的文件夹，没有创建快捷方式");
    }
    if (ok && BeginCompleting()) {
        log.Step(std::string("写入卸载日志 ") + installlog::kLogFileName);
        ok = WriteUninstallLog() != FALSE;
    } else {
        ok = false;
    }

    if (ok) {
        log.Step(winlib::Format("安装完成：复制了 %llu 字节，跳过 %d 个文件，%d 个控件未能注册", m_copier.BytesCopied(),
                                m_copier.IgnoredFiles(), m_nFailedControls));
        m_outcome = Outcome::kCompleted;
        NotifyFinished();
        if (report != nullptr)
            ::PostMessageA(report, WM_SETUP_DONE, 0, 0);
    } else {
        log.Step(IsCancelled() ? "安装已被用户取消，撤销本次安装所做的更改" : "安装没有完成，撤销本次安装所做的更改");
        RollBack();
        log.Step(m_strFailureReport);
        if (report != nullptr)
            ::PostMessageA(report, WM_SETUP_FAILED, 0, 0);
    }

    ::PostThreadMessageA(m_nThreadID, WM_QUIT, 0, 0);
    return CWinThread::Run();
}

void CSetupThread::RollBack()
{
    const DWORD timeout = m_nControlTimeoutMs;
    const std::vector<std::string> left = m_recorder.Rollback([timeout](const std::string& control) {
        return winlib::RunControlServer(control, true, timeout) == winlib::ControlCallResult::Succeeded;
    });
    if (left.empty()) {
        m_strFailureReport = kNothingInstalled;
        m_outcome = Outcome::kUndone;
        return;
    }
    m_outcome = Outcome::kPartlyUndone;
    m_strFailureReport = kSomethingLeft;
    for (std::size_t i = 0; i < left.size() && i < kLeftItemsShown; ++i)
        m_strFailureReport += left[i] + "\n";
    if (left.size() > kLeftItemsShown)
        m_strFailureReport += winlib::Format("……（共 %u 项）\n", static_cast<unsigned>(left.size()));
}

int CSetupThread::ExitCode() const
{
    switch (m_outcome.load()) {
    case Outcome::kCompleted:
        return runfront::kExitSuccess;
    case Outcome::kUndone:
        return IsCancelled() ? runfront::kExitCancelled : runfront::kExitFailed;
    case Outcome::kPartlyUndone:
        return runfront::kExitFailedIncomplete;
    default:
        return runfront::kExitFailed;
    }
}

int CSetupThread::AskUser(const std::string& text, UINT type)
{
    const int answer = AskUserDirectly(text, type);
    runfront::AppRunLog().Question(text, runfront::ButtonText(answer) + (m_bUnattended ? "（无人值守的回答）" : ""));
    return answer;
}

int CSetupThread::AskUserDirectly(const std::string& text, UINT type)
{
    if (m_bUnattended)
        return engine::UnattendedAnswer(type);
    return ::MessageBoxA(ReportWindow(), text.c_str(), AfxGetAppName(), type);
}

void CSetupThread::ReportFailure(const std::string& what, DWORD error)
{
    runfront::AppRunLog().Failure(what, error);
}

void CSetupThread::ReportFileError(const CFileException& error)
{
    // The standard file-error box: OK only, with the exclamation icon.
    AskUser(error.GetErrorMessage(), MB_OK | MB_ICONEXCLAMATION);
}

BOOL CSetupThread::CopyFolderTree(const std::string& source, const std::string& destination)
{
    // The controls are registered only when this run copied them.
    m_copier.RememberCopiesIn(ControlsFolder());
    return m_copier.CopyFolderTree(source, destination);
}

BOOL CSetupThread::CreateFolderPath(const std::string& path)
{
    return m_copier.CreateFolderPath(path);
}

BOOL CSetupThread::CopyTopLevelFiles()
{
    return m_copier.CopyTopLevelFiles(m_strSourceDir, m_strInstallDir);
}

void CSetupThread::ListFiles(const std::string& folder, const char* pattern, std::vector<std::string>& list)
{
    engine::TreeCopier::ListFiles(folder, pattern, list);
}

std::string CSetupThread::MakePath(const std::string& folder, const std::string& name)
{
    return engine::MakePath(folder, name);
}

bool CSetupThread::LogFileCopy(const std::string& path)
{
    return m_recorder.LogFileCopy(path);
}

bool CSetupThread::LogMadeDir(const std::string& path)
{
    return m_recorder.LogMadeDir(path);
}

bool CSetupThread::LogRegCtrl(const std::string& path)
{
    return m_recorder.LogRegCtrl(path);
}

bool CSetupThread::LogRegKey(HKEY root, const std::string& subKey)
{
    return m_recorder.LogRegKey(root, subKey);
}

BOOL CSetupThread::WriteUninstallLog()
{
    const std::string path = MakePath(m_strInstallDir, installlog::kLogFileName);
    // The log records itself, last, so that Uninstall deletes it too.
    if (!LogFileCopy(path))
        return FALSE;
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        m_recorder.FileCreated(path);

    CFileException error;
    if (!m_recorder.WriteLogFile(path, error)) {
        // Without its log the installation could never be removed.
        ReportFileError(error);
        return FALSE;
    }
    return TRUE;
}

void CSetupThread::NotifyFileCopied(const std::string& source, const std::string& destination)
{
    if (const HWND report = ReportWindow())
        ::SendMessageA(report, WM_SETUP_PROGRESS, reinterpret_cast<WPARAM>(source.c_str()),
                       reinterpret_cast<LPARAM>(destination.c_str()));
}

void CSetupThread::NotifyFinished()
{
    if (const HWND report = ReportWindow())
        ::SendMessageA(report, WM_SETUP_CONFIGURING, 0, 0);
}
