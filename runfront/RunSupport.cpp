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

}  // namespace

int FinishRun(int code)
{
    const char* meaning = ExitCodeMeaning(code);
    AppRunLog().Finish(code, meaning != nullptr ? meaning : "");
    return code;
}

bool StartRun(std::string_view arguments, Program program, bool administrator, const RunTexts& texts,
              CommandLineOptions& options, int& exitCode)
{
    const CommandLineResult parsed = ParseCommandLine(arguments, program, IsAnsiLeadByte);
    options = parsed.options;
    const bool silent = parsed.ok ? options.silent : MentionsSilentSwitch(arguments);

    RunLog& log = AppRunLog();
    if (options.hasLogFile && !log.Open(options.logFile) && !silent)
        ::MessageBoxA(nullptr, (texts.logUnusable + log.Problem()).c_str(), texts.title, MB_OK | MB_ICONWARNING);
    log.Step(std::string(texts.program) + " 开始，命令行参数: " + std::string(arguments));

    if (!parsed.ok) {
        log.Step("命令行错误: " + parsed.message);
        if (!silent) {
            const std::string text = parsed.message + "\n\n" + UsageText(program);
            ::MessageBoxA(nullptr, text.c_str(), texts.title, MB_OK | MB_ICONERROR);
        }
        exitCode = FinishRun(kExitBadCommandLine);
        return false;
    }
    if (options.showUsage) {
        ::MessageBoxA(nullptr, UsageText(program), texts.title, MB_OK | MB_ICONINFORMATION);
        exitCode = FinishRun(kExitSuccess);
        return false;
    }
    if (!administrator) {
        log.Failure("没有管理员权限", kExitNotAdministrator);
        if (!silent)
            ::MessageBoxA(nullptr, texts.notAdministrator, texts.title, MB_OK | MB_ICONERROR);
        exitCode = FinishRun(kExitNotAdministrator);
        return false;
    }
    return true;
}

}  // namespace runfront
