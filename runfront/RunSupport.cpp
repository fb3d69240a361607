#include "runfront/RunSupport.h"

#include "runfront/ExitCodes.h"
#include "winlib/StringUtil.h"

namespace runfront {

RunLog& AppRunLog()
{
    static RunLog log;
    return log;
}

std::string ButtonText(int button)
{
    switch (button) {
    case IDOK:
        return "确定";
    case IDCANCEL:
        return "取消";
    case IDABORT:
        return "中止";
    case IDRETRY:
        return "重试";
    case IDIGNORE:
        return "忽略";
    case IDYES:
        return "是";
    case IDNO:
        return "否";
    case IDTRYAGAIN:
        return "重试";
    case IDCONTINUE:
        return "继续";
    default:
        return winlib::Format("<%d>", button);
    }
}

int LogAnswer(const std::string& question, int button, bool unattended)
{
    AppRunLog().Question(question, ButtonText(button) + (unattended ? "（无人值守的回答）" : ""));
    return button;
}

bool TokenHasAdministratorRights(HANDLE token)
{
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!::AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                    0, 0, &administrators))
        return false;
    BOOL member = FALSE;
    const bool checked = ::CheckTokenMembership(token, administrators, &member) != FALSE;
    ::FreeSid(administrators);
    return checked && member != FALSE;
}

bool HasAdministratorRights()
{
    // A null token checks the calling thread's (or the process's) own.
    return TokenHasAdministratorRights(nullptr);
}

namespace {

bool IsAnsiLeadByte(unsigned char c)
{
    return ::IsDBCSLeadByte(c) != FALSE;
}

// The usage text in the run log, one record a line as a box shows it.
void LogUsage(RunLog& log, Program program)
{
    const std::string_view usage = UsageText(program);
    for (std::size_t start = 0; start < usage.size();) {
        std::size_t end = usage.find('\n', start);
        if (end == std::string_view::npos)
            end = usage.size();
        if (end > start)
            log.Step(std::string(usage.substr(start, end - start)));
        start = end + 1;
    }
}

}  // namespace

int FinishRun(int code)
{
    const char* meaning = ExitCodeMeaning(code);
    AppRunLog().Finish(code, meaning != nullptr ? meaning : "");
    return code;
}

bool StartRun(std::string_view arguments, Program program, bool administrator, const RunTexts& texts,
              const ProtectedFolders& protectedFolders, CommandLineOptions& options, int& exitCode)
{
    const CommandLineResult parsed = ParseCommandLine(arguments, program, IsAnsiLeadByte);
    options = parsed.options;
    // A deployment script never waits for a click.
    const bool quiet = options.silent || MentionsSilentSwitch(arguments);

    RunLog& log = AppRunLog();
    if (options.hasLogFile) {
        const std::vector<std::string> folders = protectedFolders ? protectedFolders(options) : std::vector<std::string>();
        if (!log.Open(options.logFile, folders) && !quiet)
            ::MessageBoxA(nullptr, (texts.logUnusable + log.Problem()).c_str(), texts.title, MB_OK | MB_ICONWARNING);
    }
    log.Step(std::string(texts.program) + " 开始，命令行参数: " + std::string(arguments));

    if (!parsed.ok) {
        log.Step("命令行错误: " + parsed.message);
        if (!quiet) {
            const std::string text = parsed.message + "\n\n" + UsageText(program);
            ::MessageBoxA(nullptr, text.c_str(), texts.title, MB_OK | MB_ICONERROR);
        }
        exitCode = FinishRun(kExitBadCommandLine);
        return false;
    }
    if (options.showUsage) {
        if (quiet)
            LogUsage(log, program);
        else
            ::MessageBoxA(nullptr, UsageText(program), texts.title, MB_OK | MB_ICONINFORMATION);
        exitCode = FinishRun(kExitSuccess);
        return false;
    }
    if (!administrator) {
        log.Failure("没有管理员权限", kExitNotAdministrator);
        if (!quiet)
            ::MessageBoxA(nullptr, texts.notAdministrator, texts.title, MB_OK | MB_ICONERROR);
        exitCode = FinishRun(kExitNotAdministrator);
        return false;
    }
    return true;
}

}  // namespace runfront
