#include "SetupRun.h"

#include "EarlierInstallation.h"
#include "engine/Destination.h"
#include "engine/InstallOutcome.h"
#include "engine/SetupThread.h"
#include "installlog/Contract.h"
#include "runfront/ExitCodes.h"
#include "runfront/InstalledProduct.h"
#include "winlib/Path.h"
#include "winlib/RegKey.h"
#include "runfront/RunSupport.h"
#include "winlib/StringUtil.h"
#include "winlib/WinThread.h"

#include <windows.h>

#include <vector>

namespace {

const char kTitle[] = "ZEMLO V8.0 安装向导";
const char kNotAdministrator[] = "安装 ZEMLO V8.0 需要管理员权限。\n请以管理员身份运行安装程序。";
const char kLogUnusable[] = "不能写入运行日志，安装将在没有日志的情况下继续：\n";

// What the run log may never lie inside: the medium, an earlier
// installation and the folder to install into.
std::vector<std::string> SetupFolders(const runfront::CommandLineOptions& options)
{
    std::vector<std::string> folders = {winlib::ProgramFolder(),
                                        options.hasInstallDir ? options.installDir : std::string(kDefaultInstallDir)};
    std::string earlier;
    if (runfront::ReadInstalledFolder(earlier))
        folders.push_back(earlier);
    return folders;
}

}  // namespace

int RunUnattendedSetup(const std::string& sourceDir, const runfront::CommandLineOptions& options)
{
    using Verdict = engine::DestinationCheck::Verdict;
    runfront::RunLog& log = runfront::AppRunLog();
    const std::string source = engine::NormaliseFolder(sourceDir);
    // Without /D= an earlier installation is installed over in its own
    // folder.
    std::string earlier;
    const bool reinstall = engine::FindEarlierInstallation(earlier);
    const std::string given =
        options.hasInstallDir ? options.installDir : reinstall ? earlier : std::string(kDefaultInstallDir);
    log.Step("无人值守安装，安装路径 " + given);

    const engine::DestinationCheck check = engine::CheckDestination(given, source);
    if (source.empty()) {
        log.Failure("安装文件的路径无效", ERROR_INVALID_NAME);
        return engine::InstallOutcome::Refused().ExitCode();
    }
    if (check.verdict == Verdict::kInvalid) {
        log.Failure(std::string("安装路径 ") + given + " 无效: " + engine::RefusalText(check.refusal), ERROR_INVALID_NAME);
        return engine::InstallOutcome::Refused().ExitCode();
    }
    if (check.verdict == Verdict::kTooDeep) {
        log.Failure(winlib::Format("安装路径太长：安装后最深的文件路径将有 %u 个字符，比允许的 %u 个字符多",
                                   static_cast<unsigned>(check.deepest),
                                   static_cast<unsigned>(engine::kLongestInstalledPath)),
                    ERROR_FILENAME_EXCED_RANGE);
        return engine::InstallOutcome::Refused().ExitCode();
    }
    // Somebody's files would be overwritten, and later deleted with the
    // product: the wizard asks, an unattended run declines.
    if (check.verdict == Verdict::kHoldsOtherFiles) {
        runfront::LogAnswer("目标文件夹中已有文件：" + check.folder + " 仍要安装到这个文件夹吗？", IDNO, true);
        return engine::InstallOutcome::Refused().ExitCode();
    }
    if (reinstall)
        runfront::LogAnswer("已经安装了本软件（" + earlier + "），是否重新安装？", IDYES, true);
    // Another folder than the earlier installation's: a move, which
    // replaces it (one installation at a time).
    const bool move = reinstall && !winlib::IsSameFolder(earlier, check.folder);
    if (move)
        runfront::LogAnswer("安装到另一个文件夹（" + check.folder + "）之前，先卸载原来的安装（" + earlier + "）？", IDYES,
                            true);

    CSetupThread worker;
    worker.Configure(source, check.folder, nullptr);
    worker.SetUnattended(true);
    worker.SetAudience(engine::AudienceFor(options.allUsers, engine::CurrentAccount()));
    if (move)
        worker.ReplaceEarlier(earlier, &RemoveEarlierInstallation);
    if (!worker.CreateThread(0, 0, nullptr)) {
        log.Failure("不能启动安装", ::GetLastError());
        return engine::InstallOutcome::Refused().ExitCode();
    }
    winlib::WaitPumpingMessages(worker.GetThreadHandle());
    return worker.Outcome().ExitCode();
}

int RunSetup(std::string_view arguments, bool administrator,
             const std::function<int(const std::string& installDir, const engine::Audience& audience)>& runWizard)
{
    runfront::CommandLineOptions options;
    int exitCode = 0;
    if (!runfront::StartRun(arguments, runfront::Program::kSetup, administrator,
                            {"Setup", kTitle, kNotAdministrator, kLogUnusable}, SetupFolders, options, exitCode))
        return exitCode;
    if (options.silent)
        return runfront::FinishRun(RunUnattendedSetup(winlib::ProgramFolder(), options));
    return runfront::FinishRun(runWizard(options.hasInstallDir ? options.installDir : std::string(),
                                         engine::AudienceFor(options.allUsers, engine::CurrentAccount())));
}
