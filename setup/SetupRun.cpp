#include "SetupRun.h"

#include "engine/Destination.h"
#include "engine/SetupThread.h"
#include "installlog/Contract.h"
#include "runfront/ExitCodes.h"
#include "runfront/InstalledProduct.h"
#include "runfront/RunSupport.h"
#include "winlib/Path.h"
#include "winlib/RegKey.h"
#include "winlib/StringUtil.h"
#include "winlib/WinThread.h"

#include <windows.h>

#include <vector>

namespace {

const char kTitle[] = "ZEMLO V8.0 安装向导";
const char kNotAdministrator[] = "安装 ZEMLO V8.0 需要管理员权限。\n请以管理员身份运行安装程序。";
const char kLogUnusable[] = "不能写入运行日志，安装将在没有日志的情况下继续：\n";
const char kUnattendedAnswer[] = "（无人值守的回答）";

// Whether an earlier installation left its folder in the product key.
bool EarlierInstallation(std::string& folder)
{
    winlib::RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, installlog::kProductKey, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;
    return key.ReadString(installlog::kInstallPathValue, folder, 2048, winlib::RegKey::Accept::AnyType);
}

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
    runfront::RunLog& log = runfront::AppRunLog();
    const std::string source = engine::NormaliseFolder(sourceDir);
    const std::string given = options.hasInstallDir ? options.installDir : std::string(kDefaultInstallDir);
    log.Step("无人值守安装，安装路径 " + given);

    if (source.empty() || engine::HasControlCharacter(given) || engine::NormaliseFolder(given).empty()) {
        log.Failure("安装路径或安装文件的路径无效", ERROR_INVALID_NAME);
        return runfront::kExitFailed;
    }
    const std::string folder = engine::NormaliseFolder(given);
    const std::size_t deepest = engine::PathCharacters(folder) + engine::DeepestRelativePath(source);
    if (deepest > engine::kLongestInstalledPath) {
        log.Failure(winlib::Format("安装路径太长：安装后最深的文件路径将有 %u 个字符，比允许的 %u 个字符多",
                                   static_cast<unsigned>(deepest), static_cast<unsigned>(engine::kLongestInstalledPath)),
                    ERROR_FILENAME_EXCED_RANGE);
        return runfront::kExitFailed;
    }
    // Somebody's files would be overwritten, and later deleted with the
    // product: the wizard asks, an unattended run declines.
    if (engine::HoldsOtherFiles(folder)) {
        log.Question("目标文件夹中已有文件：" + folder + " 仍要安装到这个文件夹吗？",
                     runfront::ButtonText(IDNO) + kUnattendedAnswer);
        return runfront::kExitFailed;
    }
    std::string earlier;
    if (EarlierInstallation(earlier))
        log.Question("已经安装了本软件（" + earlier + "），是否重新安装？", runfront::ButtonText(IDYES) + kUnattendedAnswer);

    CSetupThread worker;
    worker.Configure(source, folder, nullptr);
    worker.SetUnattended(true);
    if (!worker.CreateThread(0, 0, nullptr)) {
        log.Failure("不能启动安装", ::GetLastError());
        return runfront::kExitFailed;
    }
    winlib::WaitPumpingMessages(worker.GetThreadHandle());
    return worker.ExitCode();
}

int RunSetup(std::string_view arguments, bool administrator,
             const std::function<int(const std::string& installDir)>& runWizard)
{
    runfront::CommandLineOptions options;
    int exitCode = 0;
    if (!runfront::StartRun(arguments, runfront::Program::kSetup, administrator,
                            {"Setup", kTitle, kNotAdministrator, kLogUnusable}, SetupFolders, options, exitCode))
        return exitCode;
    if (options.silent)
        return runfront::FinishRun(RunUnattendedSetup(winlib::ProgramFolder(), options));
    return runfront::FinishRun(runWizard(options.hasInstallDir ? options.installDir : std::string()));
}
