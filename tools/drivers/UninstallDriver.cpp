// Drives the real Uninstall.exe as a user would: starts it, answers its
// confirmation box, waits for the end of the run, checks the window's
// finished state, presses its finish button and waits for the program to
// end; then, when the program's folder is expected to go, waits for the
// self-removal batch to remove it.
//
// Usage: uninstall_driver <program> [--answer yes|no] [--hold-ms N]
//                         [--freeze-working] [--cancel-working] [--about]
//                         [--timeout-s S] [--expect-silent-close] [--lock-log]
//                         [--installed-in FOLDER]
//
// The program is started with its own folder as current folder, so that
// its batch lands in the root of that folder's drive. Each state the
// driver reaches is printed as "state: <name>" and held for N ms (for a
// screenshot). --freeze-working suspends the program's worker while the
// progress bar is a third of the way, so the working state can be looked
// at; --cancel-working then closes the window there and checks that the run
// still ends and the folder goes. --about opens the About box from the
// finished window. --lock-log holds "Uninstall.log" open without sharing,
// so the program cannot read it: the file error and the failure message
// must follow, and the window must close with nothing removed.
// --installed-in names the installation's folder when the program is a copy
// from elsewhere (the medium's): the installation is removed, its folder
// goes without any batch, and the program and its folder stay. Exit
// code 0 when every check held, 1 otherwise, 2 on bad usage.
#include "GuiDrive.h"
#include "winlib/StringUtil.h"

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace gui;

namespace {

struct Options {
    std::string program;
    bool yes = true;
    DWORD holdMs = 0;
    bool freezeWorking = false;
    bool silentClose = false;
    bool cancelWorking = false;
    bool about = false;
    bool lockLog = false;
    std::string installedIn;
    DWORD timeoutMs = 60000;
};

// The paths of the log's "File Copy: " entries, in log order: the status
// line shows them one by one while the files go, which is how the driver
// tells how far the run has come (the progress bar keeps its position to
// itself and does not answer the native progress messages).
std::vector<std::string> RecordedFiles(const std::string& logPath)
{
    std::vector<std::string> files;
    FILE* log = std::fopen(logPath.c_str(), "rb");
    if (log == nullptr)
        return files;
    const char prefix[] = "File Copy: ";
    char line[2048];
    while (std::fgets(line, sizeof(line), log) != nullptr) {
        std::string entry(line);
        while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r'))
            entry.pop_back();
        if (entry.compare(0, sizeof(prefix) - 1, prefix) == 0)
            files.push_back(entry.substr(sizeof(prefix) - 1));
    }
    std::fclose(log);
    return files;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--answer" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value != "yes" && value != "no")
                return false;
            options.yes = value == "yes";
        } else if (arg == "--hold-ms" && i + 1 < argc) {
            options.holdMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--timeout-s" && i + 1 < argc) {
            options.timeoutMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10)) * 1000;
        } else if (arg == "--freeze-working") {
            options.freezeWorking = true;
        } else if (arg == "--lock-log") {
            options.lockLog = true;
        } else if (arg == "--about") {
            options.about = true;
        } else if (arg == "--installed-in" && i + 1 < argc) {
            options.installedIn = argv[++i];
        } else if (arg == "--cancel-working") {
            options.cancelWorking = true;
            options.freezeWorking = true;
        } else if (arg == "--expect-silent-close") {
            options.silentClose = true;
        } else if (options.program.empty() && arg.compare(0, 2, "--") != 0) {
            options.program = arg;
        } else {
            return false;
        }
    }
    return !options.program.empty();
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: uninstall_driver <program> [--answer yes|no] [--hold-ms N] "
                             "[--freeze-working] [--cancel-working] [--about] [--timeout-s S] [--expect-silent-close] "
                             "[--lock-log] [--installed-in FOLDER]\n");
        return 2;
    }
    const std::size_t slash = winlib::FindLastBackslash(options.program);
    if (slash == std::string::npos || slash < 2) {
        std::fprintf(stderr, "uninstall_driver: give the program's full path\n");
        return 2;
    }
    const std::string folder = options.program.substr(0, slash);
    const std::string batch = options.program.substr(0, 2) + "\\DelUS.bat";

    HANDLE lockedLog = INVALID_HANDLE_VALUE;
    if (options.lockLog) {
        lockedLog = ::CreateFileA((folder + "\\Uninstall.log").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (lockedLog == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "uninstall_driver: cannot lock the log (error %lu)\n", ::GetLastError());
            return 1;
        }
    }

    // The program's standard handles (and so its batch's echo) go to NUL,
    // not into the driver's report.
    PROCESS_INFORMATION pi = {};
    if (!gui::StartProgram(options.program, pi))
        return 1;

    HWND confirm = WaitForDialog(pi.hProcess, pi.dwProcessId, "卸载软件", options.timeoutMs);
    Check(confirm != nullptr, "the confirmation box appears");
    if (confirm == nullptr) {
        ::TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    Check(::GetWindow(confirm, GW_OWNER) == nullptr, "the confirmation box has no owner");
    Check(::GetDlgItem(confirm, IDYES) != nullptr && ::GetDlgItem(confirm, IDNO) != nullptr,
          "the confirmation box offers Yes and No");
    State("confirm", options.holdMs);
    Click(confirm, options.yes ? IDYES : IDNO);

    if (options.lockLog) {
        // The standard file-error box, then the failure message; both
        // carry the application's name as caption.
        HWND fileError = WaitForDialog(pi.hProcess, pi.dwProcessId, "Uninstall", options.timeoutMs);
        Check(fileError != nullptr, "the file error is shown");
        if (fileError != nullptr) {
            std::printf("file error: %s\n", TextOf(::GetDlgItem(fileError, 0xFFFF)).c_str());
            State("file-error", options.holdMs);
            Click(fileError, IDOK);
            const ULONGLONG closing = ::GetTickCount64();
            while (::IsWindow(fileError) && ::GetTickCount64() - closing < options.timeoutMs)
                ::Sleep(20);
        }
        HWND failure = WaitForDialog(pi.hProcess, pi.dwProcessId, "Uninstall", options.timeoutMs);
        Check(failure != nullptr && TextOf(::GetDlgItem(failure, 0xFFFF)) == "ZEMLO V8.0 卸载未能完成!",
              "the failure message follows");
        // (The window itself has not been shown yet: a modal dialog appears
        // once its queue is empty, and the failure comes first.)
        Check(failure != nullptr && TextOf(::GetWindow(failure, GW_OWNER)) == "ZEMLO V8.0 卸载",
              "the failure message is owned by the window");
        if (failure != nullptr) {
            State("failed", options.holdMs);
            Click(failure, IDOK);
        }
        const bool ended = ::WaitForSingleObject(pi.hProcess, options.timeoutMs) == WAIT_OBJECT_0;
        Check(ended, "the program ends after the failure message");
        if (!ended)
            ::TerminateProcess(pi.hProcess, 1);
        ::CloseHandle(lockedLog);
        Check(Exists(options.program) && Exists(folder + "\\Uninstall.log"), "nothing is removed");
        Check(!Exists(batch), "no self-removal batch is written");
        ::CloseHandle(pi.hProcess);
        State("ended", 0);
        return gui::Failures() == 0 ? 0 : 1;
    }

    if (!options.yes || options.silentClose) {
        // No window, or one that closes at once without a word.
        const ULONGLONG start = ::GetTickCount64();
        bool boxSeen = false;
        while (::WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT &&
               ::GetTickCount64() - start < options.timeoutMs) {
            if (FindProcessDialog(pi.hProcess ? pi.dwProcessId : 0, "Uninstall") != nullptr)
                boxSeen = true;
        }
        const bool ended = ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
        Check(ended, "the program ends by itself");
        Check(!boxSeen, "no message box is shown");
        if (!ended)
            ::TerminateProcess(pi.hProcess, 1);
        Check(Exists(options.program), "the program file stays");
        Check(!Exists(batch), "no self-removal batch is written");
        State("ended", 0);
        ::CloseHandle(pi.hProcess);
        return gui::Failures() == 0 ? 0 : 1;
    }

    HWND window = WaitForDialog(pi.hProcess, pi.dwProcessId, "ZEMLO V8.0 卸载", options.timeoutMs);
    Check(window != nullptr, "the uninstall window appears");
    if (window == nullptr) {
        ::TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    const HWND progress = ::GetDlgItem(window, 1000);
    const HWND status = ::GetDlgItem(window, 1001);
    const HWND finish = ::GetDlgItem(window, IDOK);
    const std::vector<std::string> recorded =
        options.freezeWorking ? RecordedFiles(folder + "\\Uninstall.log") : std::vector<std::string>();
    const DWORD guiThread = ::GetWindowThreadProcessId(window, nullptr);

    // Until the end, only the cancel button can end the window.
    bool frozen = false;
    const ULONGLONG start = ::GetTickCount64();
    while (!::IsWindowEnabled(finish) && ::GetTickCount64() - start < options.timeoutMs) {
        if (options.freezeWorking && !frozen && ::IsWindowVisible(progress)) {
            // The status line reads "<path> ... " for the file just deleted.
            const std::string shown = TextOf(status);
            const std::size_t dots = shown.rfind(" ... ");
            const int upper = static_cast<int>(recorded.size());
            int position = 0;
            if (dots != std::string::npos) {
                for (int i = 0; i < upper; ++i) {
                    if (recorded[static_cast<std::size_t>(i)] == shown.substr(0, dots)) {
                        position = i + 1;
                        break;
                    }
                }
            }
            if (upper > 0 && position * 3 >= upper) {
                SetWorkersSuspended(pi.dwProcessId, guiThread, true);
                frozen = true;
                ::Sleep(300);  // the window paints what it has
                std::printf("progress: %d of %d\n", position, upper);
                Check(!::IsWindowEnabled(finish), "the finish button is disabled while working");
                Check(::IsWindowEnabled(::GetDlgItem(window, IDCANCEL)), "the cancel button is enabled while working");
                Check(!::IsWindowVisible(::GetDlgItem(window, 1003)), "the completion label is hidden while working");
                State("working", options.holdMs);
                if (options.cancelWorking) {
                    // Closed while the worker is held: the window goes at
                    // once, the run still reaches its end, then the
                    // program ends.
                    Click(window, IDCANCEL);
                    const ULONGLONG closing = ::GetTickCount64();
                    while (::IsWindowVisible(window) && ::GetTickCount64() - closing < options.timeoutMs)
                        ::Sleep(20);
                    Check(!::IsWindowVisible(window), "the window closes while the worker is held");
                    Check(::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT,
                          "the program waits for its worker");
                }
                SetWorkersSuspended(pi.dwProcessId, guiThread, false);
                if (options.cancelWorking)
                    break;
            }
        }
        if (::WaitForSingleObject(pi.hProcess, 5) == WAIT_OBJECT_0)
            break;
    }
    if (options.cancelWorking) {
        const bool ended = ::WaitForSingleObject(pi.hProcess, options.timeoutMs) == WAIT_OBJECT_0;
        Check(ended, "the program ends after its worker");
        ::CloseHandle(pi.hProcess);
        if (!ended)
            return 1;
        const ULONGLONG removeStart = ::GetTickCount64();
        while ((Exists(folder) || Exists(batch)) && ::GetTickCount64() - removeStart < options.timeoutMs)
            ::Sleep(50);
        Check(!Exists(folder), "the batch removes the program's folder");
        Check(!Exists(batch), "the batch deletes itself");
        State("removed", 0);
        return gui::Failures() == 0 ? 0 : 1;
    }
    Check(::IsWindowEnabled(finish) != FALSE, "the finish button is enabled at the end");
    Check(!::IsWindowVisible(progress), "the progress bar is hidden at the end");
    Check(!::IsWindowVisible(::GetDlgItem(window, 1004)), "the group box is hidden at the end");
    Check(::IsWindowVisible(::GetDlgItem(window, 1003)) != FALSE, "the completion label is shown at the end");
    Check(TextOf(::GetDlgItem(window, 1003)) == "卸载完成!", "the completion label reads its text");
    Check(TextOf(::GetDlgItem(window, 1001)).empty(), "the status line is empty at the end");
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    Check(::GetGUIThreadInfo(guiThread, &info) && info.hwndFocus == finish, "the finish button has the focus");
    State("finished", options.holdMs);

    if (options.about) {
        // The About box of the system menu.
        ::PostMessageA(window, WM_SYSCOMMAND, 0x0010, 0);
        HWND about = WaitForDialog(pi.hProcess, pi.dwProcessId, "direveradi ZEMLO", options.timeoutMs);
        Check(about != nullptr && ::GetWindow(about, GW_OWNER) == window, "the About box opens, owned by the window");
        if (about != nullptr) {
            State("about", options.holdMs);
            Click(about, IDOK);
            const ULONGLONG closing = ::GetTickCount64();
            while (::IsWindow(about) && ::GetTickCount64() - closing < options.timeoutMs)
                ::Sleep(20);
            Check(!::IsWindow(about), "the About box closes with its button");
        }
    }

    Click(window, IDOK);
    const bool ended = ::WaitForSingleObject(pi.hProcess, options.timeoutMs) == WAIT_OBJECT_0;
    Check(ended, "the program ends after the finish button");
    DWORD exitCode = 1;
    ::GetExitCodeProcess(pi.hProcess, &exitCode);
    ::CloseHandle(pi.hProcess);
    if (!ended)
        return 1;

    if (!options.installedIn.empty()) {
        // A copy from elsewhere: no batch; the installation's folder is
        // removed by the program itself, before it ends.
        ::Sleep(500);
        Check(!Exists(options.installedIn), "the installation's folder is gone");
        Check(Exists(options.program), "the program file from elsewhere stays");
        Check(!Exists(batch), "no self-removal batch is written");
        State("removed", 0);
        return gui::Failures() == 0 ? 0 : 1;
    }

    // The batch waits for the program's end, then removes the folder and
    // itself.
    const ULONGLONG removeStart = ::GetTickCount64();
    while ((Exists(folder) || Exists(batch)) && ::GetTickCount64() - removeStart < options.timeoutMs)
        ::Sleep(50);
    std::printf("removal: %.2f s after the program ended\n",
                static_cast<double>(::GetTickCount64() - removeStart) / 1000.0);
    Check(!Exists(options.program), "the batch deletes the program file");
    Check(!Exists(folder), "the batch removes the program's folder");
    Check(!Exists(batch), "the batch deletes itself");
    State("removed", 0);
    return gui::Failures() == 0 ? 0 : 1;
}
