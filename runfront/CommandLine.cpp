#include "runfront/CommandLine.h"

namespace runfront {

const char kSetupUsage[] =
    "用法: Setup.exe [/S] [/ALLUSERS] [/LOG=<日志文件>] [/D=<安装文件夹>]\n"
    "\n"
    "  /S               静默安装: 不显示窗口, 不提问题。\n"
    "  /ALLUSERS        为所有用户安装: 快捷方式放在所有用户的桌面和程序菜单,\n"
    "                   每个用户登录时写入自己的 AutoCAD 配置。以 LocalSystem\n"
    "                   帐户运行时总是为所有用户安装。\n"
    "  /LOG=<日志文件>  把每一步、每个问题及其回答、每个失败和退出代码写入\n"
    "                   该文本文件; 文件名有空格时加引号:\n"
    "                   /LOG=\"C:\\My Logs\\setup.log\"\n"
    "  /D=<安装文件夹>  安装到该文件夹 (完整路径)。必须是最后一个开关,\n"
    "                   不加引号, 可以含空格:\n"
    "                   /D=C:\\Program Files\\Kestrova\\ZEMLO\n"
    "  /?               显示本说明。\n"
    "\n"
    "开关不分大小写。退出代码:\n"
    "  0     安装成功\n"
    "  1602  用户取消了安装\n"
    "  1603  安装失败, 已做的改动全部撤销\n"
    "  1604  安装失败, 部分内容留在了计算机上\n"
    "  1639  命令行有误\n"
    "  740   需要管理员权限\n";

const char kUninstallUsage[] =
    "用法: Uninstall.exe [/S] [/LOG=<日志文件>]\n"
    "\n"
    "  /S               静默卸载: 不显示窗口, 不提问题。\n"
    "  /LOG=<日志文件>  把每一步、每个问题及其回答、每个失败和退出代码写入\n"
    "                   该文本文件; 文件名有空格时加引号:\n"
    "                   /LOG=\"C:\\My Logs\\uninstall.log\"\n"
    "  /?               显示本说明。\n"
    "\n"
    "开关不分大小写。退出代码:\n"
    "  0     卸载成功\n"
    "  1602  用户取消了卸载\n"
    "  1603  卸载失败, 没有删除任何内容\n"
    "  1604  卸载失败, 部分内容留在了计算机上\n"
    "  1618  另一个卸载程序正在卸载同一安装, 没有做任何改动\n"
    "  1639  命令行有误\n"
    "  740   需要管理员权限\n"
    "  3010  卸载成功, 正在使用的文件在重新启动计算机后删除\n";

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

char FoldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Case-insensitive test whether text starts with the ASCII upper-case name.
bool StartsWithNoCase(std::string_view text, std::string_view name)
{
    if (text.size() < name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (FoldAscii(text[i]) != name[i])
            return false;
    return true;
}

bool EqualsNoCase(std::string_view text, std::string_view name)
{
    return text.size() == name.size() && StartsWithNoCase(text, name);
}

class Parser {
public:
    Parser(std::string_view text, Program program, LeadByteTest isLeadByte)
        : m_text(text), m_program(program), m_isLeadByte(isLeadByte ? isLeadByte : IsGbkLeadByte)
    {
    }

    CommandLineResult Run()
    {
        std::size_t i = SkipBlanks(0);
        while (m_result.ok && i < m_text.size()) {
            i = ParseSwitch(i);
            i = SkipBlanks(i);
        }
        if (!m_result.ok)
            m_result.options = CommandLineOptions();
        return m_result;
    }

private:
    // Bytes of the character at i: 2 for a lead byte that has a second byte.
    std::size_t CharLength(std::size_t i) const
    {
        return installlog::CharLength(m_text, i, m_isLeadByte);
    }
    std::size_t SkipBlanks(std::size_t i) const
    {
        while (i < m_text.size() && IsBlank(m_text[i]))
            ++i;
        return i;
    }

    // The index of the first blank at or after i, or the end.
    std::size_t TokenEnd(std::size_t i) const
    {
        while (i < m_text.size() && !IsBlank(m_text[i]))
            i += CharLength(i);
        return i;
    }

    // The index of the first '"' character in [from, to), or npos.
    std::size_t FindQuote(std::size_t from, std::size_t to) const
    {
        for (std::size_t i = from; i < to; i += CharLength(i))
            if (m_text[i] == '"')
                return i;
        return std::string_view::npos;
    }

    void Fail(CommandLineError error, std::string_view badSwitch, const std::string& message)
    {
        m_result.ok = false;
        m_result.error = error;
        m_result.badSwitch = std::string(badSwitch);
        m_result.message = message;
    }

    // The switch as written, in Chinese quotes (ASCII quotes may be part of it).
    std::string Quoted(std::string_view text) const { return "“" + std::string(text) + "”"; }

    // Parses the switch that starts at i; returns the index after it.
    std::size_t ParseSwitch(std::size_t i)
    {
        const std::string_view rest = m_text.substr(i);
        if (StartsWithNoCase(rest, "/D="))
            return ParseInstallDir(i);
        if (StartsWithNoCase(rest, "/LOG="))
            return ParseLogFile(i);

        const std::size_t end = TokenEnd(i);
        const std::string_view token = m_text.substr(i, end - i);
        if (m_text[i] == '"' || FindQuote(i, end) != std::string_view::npos) {
            Fail(CommandLineError::kBadQuoting, token,
                 "命令行开关 " + Quoted(token) + " 中的引号位置不对: 引号只能括住 /LOG= 的文件名。");
        } else if (EqualsNoCase(token, "/S")) {
            Take(m_seenSilent, token);
            m_result.options.silent = true;
        } else if (token == "/?") {
            Take(m_seenUsage, token);
            m_result.options.showUsage = true;
        } else if (EqualsNoCase(token, "/ALLUSERS") && m_program == Program::kSetup) {
            Take(m_seenAllUsers, token);
            m_result.options.allUsers = true;
        } else {
            Fail(CommandLineError::kUnknownSwitch, token, "无法识别的命令行开关: " + Quoted(token) + "。");
        }
        return end;
    }

    void Take(bool& seen, std::string_view token)
    {
        if (seen)
            Fail(CommandLineError::kDuplicateSwitch, token, "命令行开关 " + Quoted(token) + " 重复出现。");
        seen = true;
    }

    std::size_t ParseLogFile(std::size_t i)
    {
        const std::size_t valueStart = i + 5;  // after "/LOG="
        std::size_t end;
        std::string_view value;
        if (valueStart < m_text.size() && m_text[valueStart] == '"') {
            const std::size_t close = FindQuote(valueStart + 1, m_text.size());
            if (close == std::string_view::npos) {
                const std::string_view token = m_text.substr(i);
                Fail(CommandLineError::kBadQuoting, token,
                     "命令行开关 " + Quoted(token) + " 的引号没有结束。");
                return m_text.size();
            }
            end = close + 1;
            if (end < m_text.size() && !IsBlank(m_text[end])) {
                const std::string_view token = m_text.substr(i, TokenEnd(end) - i);
                Fail(CommandLineError::kBadQuoting, token,
                     "命令行开关 " + Quoted(token) + " 的结束引号后面须是空格。");
                return TokenEnd(end);
            }
            value = m_text.substr(valueStart + 1, close - valueStart - 1);
        } else {
            end = TokenEnd(valueStart);
            value = m_text.substr(valueStart, end - valueStart);
            if (FindQuote(valueStart, end) != std::string_view::npos) {
                const std::string_view token = m_text.substr(i, end - i);
                Fail(CommandLineError::kBadQuoting, token,
                     "命令行开关 " + Quoted(token) + " 中的引号位置不对: 引号须括住整个文件名。");
                return end;
            }
        }
        const std::string_view token = m_text.substr(i, end - i);
        if (value.empty()) {
            Fail(CommandLineError::kLogFileEmpty, token, "命令行开关 " + Quoted(token) + " 缺少日志文件名。");
            return end;
        }
        Take(m_seenLog, token);
        m_result.options.hasLogFile = true;
        m_result.options.logFile = std::string(value);
        return end;
    }

    // /D= takes the rest of the line, so the parse ends here whatever happens.
    std::size_t ParseInstallDir(std::size_t i)
    {
        const std::size_t end = m_text.size();
        if (m_program == Program::kUninstall) {
            const std::string_view token = m_text.substr(i, TokenEnd(i) - i);
            Fail(CommandLineError::kInstallDirOnUninstall, token,
                 "卸载程序不接受命令行开关 " + Quoted(token) + ": 卸载的文件夹就是安装时的文件夹。");
            return end;
        }
        std::size_t valueEnd = end;
        while (valueEnd > i + 3 && IsBlank(m_text[valueEnd - 1]))
            --valueEnd;
        const std::size_t valueStart = i + 3;  // after "/D="
        const std::string_view value = m_text.substr(valueStart, valueEnd - valueStart);
        const std::string_view whole = m_text.substr(i, valueEnd - i);

        // A blank followed by '/' starts another switch: a folder name can
        // neither end in a blank nor hold '/', so this is never a folder.
        bool afterBlank = false;
        for (std::size_t k = valueStart; k < valueEnd; k += CharLength(k)) {
            if (afterBlank && m_text[k] == '/') {
                const std::string_view next = m_text.substr(k, TokenEnd(k) - k);
                Fail(CommandLineError::kInstallDirNotLast, next,
                     "命令行开关 /D= 必须放在最后, 它后面不能再有开关 " + Quoted(next) + "。");
                return end;
            }
            afterBlank = IsBlank(m_text[k]);
        }
        if (value.empty()) {
            Fail(CommandLineError::kInstallDirEmpty, whole, "命令行开关 /D= 缺少安装文件夹。");
            return end;
        }
        if (FindQuote(valueStart, valueEnd) != std::string_view::npos) {
            Fail(CommandLineError::kBadQuoting, whole,
                 "命令行开关 " + Quoted(whole) + " 中有引号: /D= 的文件夹不加引号, 有空格也不加。");
            return end;
        }
        for (std::size_t k = valueStart; k < valueEnd; k += CharLength(k)) {
            if (CharLength(k) == 2)
                continue;
            const unsigned char c = static_cast<unsigned char>(m_text[k]);
            const bool driveColon = (k == valueStart + 1 && c == ':');
            if (c < 0x20 || c == '<' || c == '>' || c == '|' || c == '?' || c == '*' || c == '/' ||
                (c == ':' && !driveColon)) {
                Fail(CommandLineError::kInstallDirBadCharacter, whole,
                     "命令行开关 " + Quoted(whole) + " 的文件夹中有不允许的字符 \"" +
                         std::string(1, static_cast<char>(c)) + "\"。");
                return end;
            }
        }
        if (!IsFullPath(value)) {
            Fail(CommandLineError::kInstallDirNotFullPath, whole,
                 "命令行开关 " + Quoted(whole) +
                     " 须给出完整路径, 如 /D=C:\\Program Files\\Kestrova\\ZEMLO。");
            return end;
        }
        m_result.options.hasInstallDir = true;
        m_result.options.installDir = std::string(value);
        return end;
    }

    // "X:\..." or "\\server\share...". Relative paths would depend on the
    // current folder of an elevated program, which the caller does not see.
    bool IsFullPath(std::string_view path) const
    {
        const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
        if (path.size() >= 3 && isLetter(path[0]) && path[1] == ':' && path[2] == '\\')
            return true;
        if (path.size() < 5 || path[0] != '\\' || path[1] != '\\' || path[2] == '\\')
            return false;
        // A server name, one backslash, a share name.
        const std::size_t base = path.data() - m_text.data();
        for (std::size_t k = base + 2; k < base + path.size(); k += CharLength(k))
            if (m_text[k] == '\\')
                return k + 1 < base + path.size() && m_text[k + 1] != '\\';
        return false;
    }

    std::string_view m_text;
    Program m_program;
    LeadByteTest m_isLeadByte;
    CommandLineResult m_result;
    bool m_seenSilent = false;
    bool m_seenUsage = false;
    bool m_seenAllUsers = false;
    bool m_seenLog = false;
};

}  // namespace

CommandLineResult ParseCommandLine(std::string_view arguments, Program program, LeadByteTest isLeadByte)
{
    return Parser(arguments, program, isLeadByte).Run();
}

std::string_view SkipProgramName(std::string_view commandLine, LeadByteTest isLeadByte)
{
    if (!isLeadByte)
        isLeadByte = IsGbkLeadByte;
    std::size_t i = 0;
    const std::size_t n = commandLine.size();
    while (i < n && IsBlank(commandLine[i]))
        ++i;
    // The C runtime's rule for the program name: quotes switch quoting on
    // and off (without escapes), and the name ends at a blank outside them.
    bool inQuotes = false;
    while (i < n && (inQuotes || !IsBlank(commandLine[i]))) {
        if (commandLine[i] == '"') {
            inQuotes = !inQuotes;
            ++i;
        } else {
            i += installlog::CharLength(commandLine, i, isLeadByte);
        }
    }
    while (i < n && IsBlank(commandLine[i]))
        ++i;
    return commandLine.substr(i < n ? i : n);
}

bool MentionsSilentSwitch(std::string_view arguments)
{
    std::size_t i = 0;
    while (i < arguments.size()) {
        while (i < arguments.size() && (arguments[i] == ' ' || arguments[i] == '\t'))
            ++i;
        std::size_t end = i;
        while (end < arguments.size() && arguments[end] != ' ' && arguments[end] != '\t')
            ++end;
        const std::string_view token = arguments.substr(i, end - i);
        if (token == "/S" || token == "/s")
            return true;
        i = end;
    }
    return false;
}

}  // namespace runfront
