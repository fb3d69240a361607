// A plain text log of one run of a program, for the administrator who asked
// for it: one line per record, "YYYY-MM-DD HH:MM:SS.mmm  <text>", in the
// ANSI code page (GBK) with CR LF line ends.
//
// - Without a file (never opened, or the file could not be used) every call
//   does nothing, so callers log unconditionally.
// - A file that cannot be opened or written never stops the run: the
//   problem goes to the reporter once in the object's life and the log goes
//   quiet.
// - The file is created, or an existing one truncated, only after it has
//   been checked: a name that is a link (symbolic link, junction or any
//   other reparse point), a file with more than one name (hard link) or
//   something that is not a disk file (a device, a pipe) is refused and left
//   as it is, so a link planted where the administrator's log goes cannot
//   make an elevated program overwrite another file. The folders along the
//   path are the administrator's choice and are not checked.
// - Other programs may read the file while it is written (an administrator
//   tailing it); each record is written whole with one write.
// - Texts are made one line: control characters (line breaks included) are
//   replaced by blanks, so no text can forge a record of its own.
// - Finish writes the exit code and closes: it is always the last line.
// - Safe to call from several threads; every call keeps GetLastError.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>

#include "winlib/Handles.h"

namespace runfront {

class RunLog {
public:
    using Reporter = std::function<void(const std::string& message)>;
    using Clock = std::function<SYSTEMTIME()>;

    // reporter receives, once, the text of the first problem with the file.
    explicit RunLog(Reporter reporter = Reporter());
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Creates path, or truncates it when it exists. False (after reporting)
    // when it cannot be used; the log then does nothing. A log already open
    // is closed first.
    [[nodiscard]] bool Open(const std::string& path);
    bool IsOpen() const;
    void Close();

    // "<text>"
    void Step(const std::string& text);
    // "问题: <question>  回答: <answer>"
    void Question(const std::string& question, const std::string& answer);
    // "失败: <what>: <system's text for error> (错误 <error>)"
    void Failure(const std::string& what, DWORD error);
    // "退出代码: <code> (<meaning>)", the meaning left out when empty; then
    // closes the log.
    void Finish(int exitCode, const std::string& meaning = std::string());

    // The first problem met with the file, empty when none.
    std::string Problem() const;

    // The time source of the stamps (the local time by default).
    void SetClock(Clock clock);

private:
    void Write(const std::string& text);
    // Records the problem; returns true when it is the first one.
    bool NoteProblem(const std::string& message);

    mutable std::mutex m_mutex;
    Reporter m_reporter;
    Clock m_clock;
    winlib::ScopedHandle m_file;
    std::string m_path;
    std::string m_problem;
};

}  // namespace runfront
