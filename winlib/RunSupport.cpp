#include "winlib/RunSupport.h"

#include "installlog/ExitCodes.h"
#include "winlib/StringUtil.h"

namespace winlib {

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
        return Format("<%d>", button);
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
    const char* meaning = installlog::ExitCodeMeaning(code);
    AppRunLog().Finish(code, meaning != nullptr ? meaning : "");
    return code;
}

bool StartRun(std::string_view arguments, installlog::Program program, bool administrator, const RunTexts& texts,
              installlog::CommandLineOptions& options, int& exitCode)
{
    const installlog::CommandLineResult parsed = installlog::ParseCommandLine(arguments, program, IsAnsiLeadByte);
    options = parsed.options;
    const bool silent = parsed.ok ? options.silent : installlog::MentionsSilentSwitch(arguments);

    RunLog& log = AppRunLog();
    if (options.hasLogFile && !log.Open(options.logFile) && !silent)
        ::MessageBoxA(nullptr, (texts.logUnusable + log.Problem()).c_str(), texts.title, MB_OK | MB_ICONWARNING);
    log.Step(std::string(texts.program) + " 开始，命令行参数: " + std::string(arguments));

    if (!parsed.ok) {
        log.Step("命令行错误: " + parsed.message);
        if (!silent) {
            const std::string text = parsed.message + "\n\n" + installlog::UsageText(program);
            ::MessageBoxA(nullptr, text.c_str(), texts.title, MB_OK | MB_ICONERROR);
        }
        exitCode = FinishRun(installlog::kExitBadCommandLine);
        return false;
    }
    if (options.showUsage) {
        ::MessageBoxA(nullptr, installlog::UsageText(program), texts.title, MB_OK | MB_ICONINFORMATION);
        exitCode = FinishRun(installlog::kExitSuccess);
        return false;
    }
    if (!administrator) {
        log.Failure("没有管理员权限", installlog::kExitNotAdministrator);
        if (!silent)
            ::MessageBoxA(nullptr, texts.notAdministrator, texts.title, MB_OK | MB_ICONERROR);
        exitCode = FinishRun(installlog::kExitNotAdministrator);
        return false;
    }
    return true;
}

}  // namespace winlib
