// A plain text log of one run of a program, for the administrator who asked
// for it: one line per record, "YYYY-MM-DD HH:MM:SS.mmm  <text>", in the
// ANSI code page (GBK) with CR LF line ends.
//
// - Without a file (never opened, or the file could not be used) every call
//   does nothing, so callers log unconditionally.
// - A file that cannot be opened or written never stops the run: the
//   problem goes to the reporter once in the object's life and the log goes
//   quiet.
// - The log never harms what the program works on: the file is opened
//   without truncating (made when there is none) and only then judged,
//   through the handle, and refused and left as it was (a file the refused
//   open made is removed again) when
//   * it is no plain file on a disk: a folder, a device, a pipe;
//   * it is a link (symbolic link, junction, any other reparse point), or
//     any folder on its way is one: the system's path for the opened file
//     must be the path asked for, made full and long;
//   * it has more than one name (hard link);
//   * it is hidden, a system file or read-only;
//   * it lies inside a protected folder (the installation, the medium), or
//     inside what such a folder leads to, so that no /LOG= can truncate an
//     installation's "Uninstall.log" or a file being installed.
//   Only a file that passes is truncated, through the same handle.
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
#include <vector>

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

    // Opens path, made new or truncated, after the checks above; the
    // protectedFolders (empty texts are left out) join the folders the log
    // may never lie inside, which the object keeps for its life. False
    // (after reporting) when the file is refused or cannot be used; the log
    // then does nothing. A log already open is closed first.
    [[nodiscard]] bool Open(const std::string& path, const std::vector<std::string>& protectedFolders = {});
    // Adds a folder the log may never lie inside, for one that is known
    // only after the log was opened (a destination chosen in a wizard). An
    // open log inside it gets a last record that says so and is closed, the
    // problem reported as for Open; later Opens refuse files inside it.
    // False when it closed the log.
    bool Protect(const std::string& folder);
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
    // A protected folder, by its name and by where it really is.
    struct ProtectedFolder {
        std::string given;  // as the caller named it
        std::string named;  // made full and long
        std::string final;  // the system's path for it; empty when missing
    };
    static ProtectedFolder Resolve(const std::string& folder);
    // The protected folder that path (full and long, or the system's path
    // for a file) lies inside, or null.
    const ProtectedFolder* Containing(const std::string& path) const;
    // Opens path for the log after every check; empty, with why, when it
    // is refused. The lock is held.
    winlib::ScopedHandle OpenChecked(const std::string& path, std::string& why) const;

    void Write(const std::string& text);
    // Writes one record; the lock is held. On failure closes the file and
    // returns the problem's message when it is the first one.
    std::string WriteLocked(const std::string& text);
    // Records the problem; returns true when it is the first one.
    bool NoteProblem(const std::string& message);

    mutable std::mutex m_mutex;
    Reporter m_reporter;
    Clock m_clock;
    winlib::ScopedHandle m_file;
    std::string m_path;
    std::string m_problem;
    std::vector<ProtectedFolder> m_protected;
};

}  // namespace runfront
