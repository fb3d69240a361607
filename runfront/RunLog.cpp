#include "runfront/RunLog.h"

#include "winlib/Path.h"
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
    if (attributes & FILE_ATTRIBUTE_HIDDEN)
        return "它是隐藏文件";
    if (attributes & FILE_ATTRIBUTE_SYSTEM)
        return "它是系统文件";
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return "它是只读文件";
    return std::string();
}

// Calls get(buffer, size) with a buffer that grows until the text fits; get
// returns the length written, or the size needed when the buffer is too
// small, or 0 on failure (an empty result).
template <typename Get>
std::string GrowingText(Get get)
{
    std::string buffer(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = get(&buffer[0], static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::string();
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
    }
    return std::string();
}

// The system's path for an open file or folder, links resolved, without the
// "\\?\" it starts with ("\\?\UNC\server" becomes "\\server") and without
// a trailing backslash (a drive's root gives "C:"); empty when the system
// cannot tell.
std::string FinalPathOf(HANDLE handle)
{
    std::string path = GrowingText([handle](char* buffer, DWORD size) {
        return ::GetFinalPathNameByHandleA(handle, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
    if (path.compare(0, 8, "\\\\?\\UNC\\") == 0)
        path = "\\" + path.substr(7);
    else if (path.compare(0, 4, "\\\\?\\") == 0)
        path = path.substr(4);
    return winlib::StripTrailingBackslashes(path);
}

// path made full (relative to the current folder, "." and ".." resolved,
// "/" made a backslash) with the long names of what exists, without a trailing
// backslash; empty when the system cannot make it full.
std::string FullLongPath(const std::string& path)
{
    const std::string full = GrowingText([&path](char* buffer, DWORD size) {
        return ::GetFullPathNameA(path.c_str(), size, buffer, nullptr);
    });
    if (full.empty())
        return std::string();
    const std::string longer = GrowingText([&full](char* buffer, DWORD size) {
        return ::GetLongPathNameA(full.c_str(), buffer, size);
    });
    return winlib::StripTrailingBackslashes(longer.empty() ? full : longer);
}

// True when path lies inside folder: folder is a whole leading run of
// path's characters (ASCII case aside) and a backslash follows it.
bool LiesInside(const std::string& path, const std::string& folder)
{
    if (folder.empty() || path.size() <= folder.size())
        return false;
    std::size_t i = 0;
    while (i < folder.size())
        i += winlib::CharLength(path, i);
    return i == folder.size() && path[i] == '\\' && winlib::EqualNoCase(path.substr(0, i), folder);
}

// The file opened for writing as it is, or made new when there is none
// (created says which); nothing is truncated. FILE_FLAG_OPEN_REPARSE_POINT
// opens a link itself instead of what it leads to, where the system can.
winlib::ScopedHandle OpenOrCreate(const std::string& path, bool& created, std::string& why)
{
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (const DWORD disposition : {OPEN_EXISTING, CREATE_NEW}) {
            winlib::ScopedHandle file(
                ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition, flags, nullptr));
            if (file) {
                created = disposition == CREATE_NEW;
                return file;
            }
            const DWORD error = ::GetLastError();
            const bool goOn = disposition == OPEN_EXISTING ? error == ERROR_FILE_NOT_FOUND
                                                           : error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
            if (!goOn) {
                why = ErrorText(error);
                return winlib::ScopedHandle();
            }
        }
        // Something took the name in between: looked at once more.
    }
    // Not there to open, yet there when made: a link that leads nowhere.
    why = "它是一个指向不存在之处的链接";
    return winlib::ScopedHandle();
}

// Which file a handle is open on, whatever its names.
struct FileIdentity {
    DWORD volume = 0, indexHigh = 0, indexLow = 0;
    bool operator==(const FileIdentity& other) const
    {
        return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow;
    }
};

bool IdentityOf(HANDLE file, FileIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(file, &info))
        return false;
    identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

// Removes the file a refused open made, through a handle that is checked to
// be open on that very file (the name may lead elsewhere by now). The log's
// own handle is never opened for deletion: whoever reads a file that is
// open for deletion must share deletion too, which a tailing reader does
// not.
void RemoveMadeFile(const std::string& path, const FileIdentity& made)
{
    const winlib::ScopedHandle file(::CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FileIdentity now;
    if (!file || !IdentityOf(file.get(), now) || !(now == made))
        return;
    FILE_DISPOSITION_INFO disposition = {TRUE};
    ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
}

// Why an opened file is refused as a file, or empty.
std::string RefusalOfFile(HANDLE file)
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

std::string ProtectedText(const std::string& folder)
{
    return "它在安装文件夹或安装盘 “" + OneLine(folder) + "” 之内";
}

}  // namespace

RunLog::RunLog(Reporter reporter) : m_reporter(std::move(reporter)), m_clock(LocalTime) {}

RunLog::~RunLog()
{
    Close();
}

RunLog::ProtectedFolder RunLog::Resolve(const std::string& folder)
{
    ProtectedFolder resolved;
    resolved.given = folder;
    // With its backslash: "D:", the folder of a program at a drive's root,
    // would be the current folder of that drive.
    std::string path = folder;
    winlib::AppendBackslash(path);
    resolved.named = FullLongPath(path);
    // Opened only to ask where it is: no access to its contents, sharing
    // everything.
    const winlib::ScopedHandle opened(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (opened)
        resolved.final = FinalPathOf(opened.get());
    return resolved;
}

const RunLog::ProtectedFolder* RunLog::Containing(const std::string& path) const
{
    for (const ProtectedFolder& folder : m_protected)
        if (LiesInside(path, folder.named) || LiesInside(path, folder.final))
            return &folder;
    return nullptr;
}

winlib::ScopedHandle RunLog::OpenChecked(const std::string& path, std::string& why) const
{
    // An existing name is refused early by what its name shows (some
    // systems, Wine among them, show a link only there); whatever it shows,
    // the opened file is judged again below.
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        why = RefusalByAttributes(attributes);
        if (!why.empty())
            return winlib::ScopedHandle();
    }
    bool created = false;
    winlib::ScopedHandle file = OpenOrCreate(path, created, why);
    if (!file)
        return file;
    FileIdentity identity;
    const bool identified = IdentityOf(file.get(), identity);
    why = RefusalOfFile(file.get());
    if (why.empty()) {
        // A link anywhere on the way, a folder's or the file's own, makes
        // the system's path for the file differ from the path asked for.
        const std::string final = FinalPathOf(file.get());
        const std::string named = FullLongPath(path);
        if (final.empty() || named.empty())
            why = "读不到它的实际位置: " + ErrorText(::GetLastError());
        else if (!winlib::EqualNoCase(final, named))
            why = "它的路径上有链接, 实际位置是 “" + OneLine(final) + "”";
        else if (const ProtectedFolder* folder = Containing(final))
            why = ProtectedText(folder->given);
    }
    if (why.empty() && (::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
                        !::SetEndOfFile(file.get())))
        why = ErrorText(::GetLastError());
    if (why.empty())
        return file;
    file.reset();
    if (created && identified)
        RemoveMadeFile(path, identity);  // made by this open and refused: not left behind
    return winlib::ScopedHandle();
}

bool RunLog::Open(const std::string& path, const std::vector<std::string>& protectedFolders)
{
    winlib::LastErrorKeeper keepError;
    std::vector<ProtectedFolder> resolved;
    for (const std::string& folder : protectedFolders)
        if (!winlib::Trim(folder).empty())
            resolved.push_back(Resolve(folder));
    std::string report;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_file.reset();
        m_path = path;
        m_protected.insert(m_protected.end(), resolved.begin(), resolved.end());
        std::string why;
        m_file = OpenChecked(path, why);
        if (m_file)
            return true;
        const std::string message = "无法写入运行日志 “" + OneLine(path) + "”: " + why + "。运行照常继续, 不写日志。";
        if (NoteProblem(message))
            report = message;
    }
    if (!report.empty() && m_reporter)
        m_reporter(report);
    return false;
}

bool RunLog::Protect(const std::string& folder)
{
    winlib::LastErrorKeeper keepError;
    if (winlib::Trim(folder).empty())
        return true;
    const ProtectedFolder resolved = Resolve(folder);
    std::string report;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_protected.push_back(resolved);
        if (!m_file)
            return true;
        const std::string final = FinalPathOf(m_file.get());
        const std::string named = FullLongPath(m_path);
        const bool inside = LiesInside(final, resolved.named) || LiesInside(final, resolved.final) ||
                            LiesInside(named, resolved.named) || LiesInside(named, resolved.final);
        if (!inside)
            return true;
        const std::string why = ProtectedText(folder);
        std::string problem = WriteLocked("运行日志到此为止: " + why + "。");
        m_file.reset();
        const std::string message = "不再写入运行日志 “" + OneLine(m_path) + "”: " + why + "。运行照常继续, 不写日志。";
        if (problem.empty() && NoteProblem(message))
            problem = message;
        report = problem;
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
        report = WriteLocked(text);
    }
    if (!report.empty() && m_reporter)
        m_reporter(report);
}

std::string RunLog::WriteLocked(const std::string& text)
{
    if (!m_file)
        return std::string();
    const SYSTEMTIME t = m_clock();
    const std::string record = winlib::Format("%04u-%02u-%02u %02u:%02u:%02u.%03u  ", t.wYear, t.wMonth, t.wDay,
                                              t.wHour, t.wMinute, t.wSecond, t.wMilliseconds) +
                               text + "\r\n";
    DWORD written = 0;
    if (::WriteFile(m_file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr) &&
        written == record.size())
        return std::string();
    const DWORD error = ::GetLastError();
    m_file.reset();
    const std::string message = "写入运行日志 “" + OneLine(m_path) + "” 失败: " +
                                (error != ERROR_SUCCESS ? ErrorText(error) : std::string("只写入了一部分")) +
                                "。运行照常继续, 不再写日志。";
    return NoteProblem(message) ? message : std::string();
}

bool RunLog::NoteProblem(const std::string& message)
{
    if (!m_problem.empty())
        return false;
    m_problem = message;
    return true;
}

}  // namespace runfront
