#include "runfront/RunLog.h"

#include "winlib/StringUtil.h"
#include "winlib/SysError.h"

#include <utility>

namespace runfront {

namespace {

SYSTEMTIME LocalTime()
{
    SYSTEMTIME time;
    ::GetLocalTime(&time);
    return time;
}

// The text on one line: every run of control characters (CR, LF, tab, ...)
// becomes one blank, and none is left at the ends. Control characters are
// below 0x40 and so never the second byte of a GBK character.
std::string OneLine(const std::string& text)
{
    std::string line;
    line.reserve(text.size());
    bool pendingBlank = false;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            pendingBlank = true;
            continue;
        }
        if (pendingBlank && !line.empty())
            line += ' ';
        pendingBlank = false;
        line += c;
    }
    return line;
}

// "<system's text> (错误 <code>)", or only the code when the system has no
// text for it.
std::string ErrorText(DWORD error)
{
    const std::string system = OneLine(winlib::FormatSystemMessage(error));
    const std::string code = winlib::Format("(错误 %lu)", static_cast<unsigned long>(error));
    return system.empty() ? code : system + " " + code;
}

// Why a file with these attributes is refused, or empty.
std::string RefusalByAttributes(DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return "它是一个链接";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "它是一个文件夹";
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return "它是只读文件";
    return std::string();
}

// Why an opened file is refused, or empty when it may be written.
std::string Refusal(HANDLE file)
{
    if (::GetFileType(file) != FILE_TYPE_DISK)
        return "它不是磁盘上的文件";
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(file, &info))
        return "读不到它的文件信息: " + ErrorText(::GetLastError());
    const std::string why = RefusalByAttributes(info.dwFileAttributes);
    if (!why.empty())
        return why;
    if (info.nNumberOfLinks > 1)
        return "它是另一个文件的硬链接";
    return std::string();
}

}  // namespace

RunLog::RunLog(Reporter reporter) : m_reporter(std::move(reporter)), m_clock(LocalTime) {}

RunLog::~RunLog()
{
    Close();
}

bool RunLog::Open(const std::string& path)
{
    winlib::LastErrorKeeper keepError;
    std::string report;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_file.reset();
        m_path = path;
        // An existing name is checked before it is opened, and again through
        // the opened handle, which no one can swap for a link in between
        // (some systems, Wine among them, report a link only by its name).
        // OPEN_ALWAYS, not CREATE_ALWAYS: nothing is truncated before the
        // checks. FILE_FLAG_OPEN_REPARSE_POINT opens a link itself instead
        // of what it points to.
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        std::string why = attributes == INVALID_FILE_ATTRIBUTES ? std::string() : RefusalByAttributes(attributes);
        winlib::ScopedHandle file;
        if (why.empty()) {
            file.reset(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            if (!file) {
                why = ErrorText(::GetLastError());
            } else {
                why = Refusal(file.get());
                if (why.empty() && (::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
                                    !::SetEndOfFile(file.get())))
                    why = ErrorText(::GetLastError());
            }
        }
        if (why.empty()) {
            m_file = std::move(file);
            return true;
        }
        const std::string message = "无法写入运行日志 “" + OneLine(path) + "”: " + why + "。运行照常继续, 不写日志。";
        if (NoteProblem(message))
            report = message;
    }
    if (!report.empty() && m_reporter)
        m_reporter(report);
    return false;
}

bool RunLog::IsOpen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_file.valid();
}

void RunLog::Close()
{
    winlib::LastErrorKeeper keepError;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_file.reset();
}

void RunLog::Step(const std::string& text)
{
    Write(OneLine(text));
}

void RunLog::Question(const std::string& question, const std::string& answer)
{
    Write("问题: " + OneLine(question) + "  回答: " + OneLine(answer));
}

void RunLog::Failure(const std::string& what, DWORD error)
{
    winlib::LastErrorKeeper keepError;
    Write("失败: " + OneLine(what) + ": " + ErrorText(error));
}

void RunLog::Finish(int exitCode, const std::string& meaning)
{
    const std::string text = OneLine(meaning);
    Write(winlib::Format("退出代码: %d", exitCode) + (text.empty() ? std::string() : " (" + text + ")"));
    Close();
}

std::string RunLog::Problem() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_problem;
}

void RunLog::SetClock(Clock clock)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_clock = clock ? std::move(clock) : Clock(LocalTime);
}

void RunLog::Write(const std::string& text)
{
    winlib::LastErrorKeeper keepError;
    std::string report;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_file)
            return;
        const SYSTEMTIME t = m_clock();
        const std::string record = winlib::Format("%04u-%02u-%02u %02u:%02u:%02u.%03u  ", t.wYear, t.wMonth, t.wDay,
                                                  t.wHour, t.wMinute, t.wSecond, t.wMilliseconds) +
                                   text + "\r\n";
        DWORD written = 0;
        if (::WriteFile(m_file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr) &&
            written == record.size())
            return;
        const DWORD error = ::GetLastError();
        m_file.reset();
        const std::string message = "写入运行日志 “" + OneLine(m_path) + "” 失败: " +
                                    (error != ERROR_SUCCESS ? ErrorText(error) : std::string("只写入了一部分")) +
                                    "。运行照常继续, 不再写日志。";
        if (NoteProblem(message))
            report = message;
    }
    if (!report.empty() && m_reporter)
        m_reporter(report);
}

bool RunLog::NoteProblem(const std::string& message)
{
    if (!m_problem.empty())
        return false;
    m_problem = message;
    return true;
}

}  // namespace runfront
