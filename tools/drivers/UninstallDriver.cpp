// Drives the real Uninstall.exe as a user would: starts it, answers its
// confirmation box, waits for the end of the run, checks the window's
// finished state, presses its finish button and waits for the program to
// end; then, when the program's folder is expected to go, waits for the
// self-removal batch to remove it.
//
// Usage: uninstall_driver <program> [--answer yes|no] [--hold-ms N]
//                         [--freeze-working] [--cancel-working] [--about]
//                         [--timeout-s S] [--expect-silent-close] [--lock-log]
//                         [--installed-in FOLDER] [--expect-left N]
//                         [--expect-kept N] [--hold-file PATH] [--batch-waits]
//                         [--expect-exit N]
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
// goes without any batch, and the program and its folder stay.
// --expect-left N: the finished text must say that N items are left, and
// the finish button must show the list of them (printed as "left: ...");
// with --hold-file, that N items in use wait for the restart, which
// completes the removal. --expect-kept N: the finished text must say that N
// items belong to another installation and were kept, and the finish
// button must list them.
// --hold-file PATH holds a file open without delete sharing from before the
// start until the program has ended: it must be reported as left for the
// restart, and the program's folder stays with it. --batch-waits holds the
// finished window three seconds and checks that the self-removal batch (the
// program's cmd.exe child) waits meanwhile: it runs all along and the
// program file stays; the batch must end once the program has ended. (What
// the waiting costs in CPU time is the self-removal benchmark's figure.)
// The batch never lies at the drive's root ("\DelUS.bat") any more:
// whatever is there stays as it was. --expect-exit N: the program ends with
// exit code N. Exit code 0 when every check held, 1 otherwise, 2 on bad
// usage.
#include "FileHelpers.h"
#include "GuiDrive.h"
#include "winlib/Handles.h"
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
    int expectLeft = -1;
    int expectKept = 0;
    std::string holdFile;
    bool batchWaits = false;
    long long expectExit = -1;
    DWORD timeoutMs = 60000;
};

// The self-removal batch: the command interpreter the program started.
HANDLE OpenBatchProcess(DWORD programId)
{
    winlib::ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == programId && winlib::EqualNoCase(entry.szExeFile, "cmd.exe"))
            return ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID);
    }
    return nullptr;
}

// The paths of the log's "File Copy: " entries, in log order: the status
// line shows them one by one while the files go, which is how the driver
// tells how far the run has come (the progress bar keeps its position to
// itself and does not answer the native progress messages).
std::vector<std::string> RecordedFiles(const std::string& logPath)
{
    const std::string prefix = "File Copy: ";
    std::vector<std::string> files;
    for (const std::string& entry : testfs::ReadTextLines(logPath))
        if (entry.compare(0, prefix.size(), prefix) == 0)
            files.push_back(entry.substr(prefix.size()));
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
        } else if (arg == "--expect-exit" && i + 1 < argc) {
            options.expectExit = std::atoll(argv[++i]);
        } else if (arg == "--expect-left" && i + 1 < argc) {
            options.expectLeft = std::atoi(argv[++i]);
        } else if (arg == "--expect-kept" && i + 1 < argc) {
            options.expectKept = std::atoi(argv[++i]);
        } else if (arg == "--hold-file" && i + 1 < argc) {
            options.holdFile = argv[++i];
        } else if (arg == "--batch-waits") {
            options.batchWaits = true;
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

// One run of the program: what the driver was told, where the program
// lives, and the started process.
struct Run {
    Options options;
    std::string folder;  // the program's folder
    std::string batch;   // where the self-removal batch once lay: the drive's root
    bool batchThere = false;  // whether something is there before the run
    winlib::ScopedHandle heldFile;
    winlib::ScopedProcessInformation process;
    DWORD processId = 0;
    DWORD guiThread = 0;

    HWND WaitForDialog(const char* caption) const
    {
        return gui::WaitForDialog(process.process_handle(), processId, caption, options.timeoutMs);
    }
    bool Ended(DWORD waitMs) const
    {
        return ::WaitForSingleObject(process.process_handle(), waitMs) == WAIT_OBJECT_0;
    }
    void Terminate() const { ::TerminateProcess(process.process_handle(), 1); }
};

int Verdict()
{
    return gui::Failures() == 0 ? 0 : 1;
}

// Polls until the window is gone or the time is up.
void WaitDestroyed(HWND hwnd, DWORD timeoutMs)
{
    const ULONGLONG closing = ::GetTickCount64();
    while (::IsWindow(hwnd) && ::GetTickCount64() - closing < timeoutMs)
        ::Sleep(20);
}

// Polls until the program's folder and the batch are gone or the time is
// up; returns the seconds that took.
double WaitForRemoval(const Run& run)
{
    const ULONGLONG removeStart = ::GetTickCount64();
    while (Exists(run.folder) && ::GetTickCount64() - removeStart < run.options.timeoutMs)
        ::Sleep(50);
    return static_cast<double>(::GetTickCount64() - removeStart) / 1000.0;
}

// Starts the program with its standard handles (and so its batch's echo)
// on NUL, not in the driver's report.
bool Start(Run& run)
{
    if (!gui::StartProgram(run.options.program, run.process))
        return false;
    run.processId = run.process.process_id();
    return true;
}

// Checks the confirmation box and answers it; false when it never came.
bool AnswerConfirmation(const Run& run)
{
    HWND confirm = run.WaitForDialog("卸载软件");
    Check(confirm != nullptr, "the confirmation box appears");
    if (confirm == nullptr) {
        run.Terminate();
        return false;
    }
    Check(::GetWindow(confirm, GW_OWNER) == nullptr, "the confirmation box has no owner");
    Check(::GetDlgItem(confirm, IDYES) != nullptr && ::GetDlgItem(confirm, IDNO) != nullptr,
          "the confirmation box offers Yes and No");
    State("confirm", run.options.holdMs);
    Click(confirm, run.options.yes ? IDYES : IDNO);
    return true;
}

// The log cannot be read: the standard file-error box, then the failure
// message, both with the application's name as caption; the program ends
// with nothing removed.
int ExpectLogFailure(Run& run, winlib::ScopedHandle& lockedLog)
{
    const Options& options = run.options;
    HWND fileError = run.WaitForDialog("Uninstall");
    Check(fileError != nullptr, "the file error is shown");
    if (fileError != nullptr) {
        std::printf("file error: %s\n", TextOf(::GetDlgItem(fileError, 0xFFFF)).c_str());
        State("file-error", options.holdMs);
        Click(fileError, IDOK);
        WaitDestroyed(fileError, options.timeoutMs);
    }
    HWND failure = run.WaitForDialog("Uninstall");
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
    const bool ended = run.Ended(options.timeoutMs);
    Check(ended, "the program ends after the failure message");
    if (!ended)
        run.Terminate();
    lockedLog.reset();
    Check(Exists(options.program) && Exists(run.folder + "\\Uninstall.log"), "nothing is removed");
    Check(Exists(run.batch) == run.batchThere, "nothing is written at the root's DelUS.bat");
    run.process.reset();
    State("ended", 0);
    return Verdict();
}

// Declined, or a window that closes at once without a word: the program
// ends by itself and nothing is removed.
int ExpectQuietEnd(Run& run)
{
    const Options& options = run.options;
    const ULONGLONG start = ::GetTickCount64();
    bool boxSeen = false;
    while (!run.Ended(20) && ::GetTickCount64() - start < options.timeoutMs) {
        if (FindProcessDialog(run.process.process_handle() ? run.processId : 0, "Uninstall") != nullptr)
            boxSeen = true;
    }
    const bool ended = run.Ended(0);
    Check(ended, "the program ends by itself");
    Check(!boxSeen, "no message box is shown");
    if (!ended)
        run.Terminate();
    Check(Exists(options.program), "the program file stays");
    Check(Exists(run.batch) == run.batchThere, "nothing is written at the root's DelUS.bat");
    State("ended", 0);
    run.process.reset();
    return Verdict();
}

// How far the run has come, by the status line ("<path> ... " for the
// file just deleted) against the log's files.
int ShownPosition(HWND status, const std::vector<std::string>& recorded)
{
    const std::string shown = TextOf(status);
    const std::size_t dots = shown.rfind(" ... ");
    if (dots == std::string::npos)
        return 0;
    for (std::size_t i = 0; i < recorded.size(); ++i)
        if (recorded[i] == shown.substr(0, dots))
            return static_cast<int>(i) + 1;
    return 0;
}

// With the worker held a third of the way: the window's working state,
// and with --cancel-working its closing while the worker is held.
void InspectWorking(const Run& run, HWND window, int position, int upper)
{
    const Options& options = run.options;
    const HWND finish = ::GetDlgItem(window, IDOK);
    ::Sleep(300);  // the window paints what it has
    std::printf("progress: %d of %d\n", position, upper);
    Check(!::IsWindowEnabled(finish), "the finish button is disabled while working");
    Check(::IsWindowEnabled(::GetDlgItem(window, IDCANCEL)), "the cancel button is enabled while working");
    Check(!::IsWindowVisible(::GetDlgItem(window, 1003)), "the completion label is hidden while working");
    State("working", options.holdMs);
    if (options.cancelWorking) {
        // Closed while the worker is held: the window goes at once, the
        // run still reaches its end, then the program ends.
        Click(window, IDCANCEL);
        const ULONGLONG closing = ::GetTickCount64();
        while (::IsWindowVisible(window) && ::GetTickCount64() - closing < options.timeoutMs)
            ::Sleep(20);
        Check(!::IsWindowVisible(window), "the window closes while the worker is held");
        Check(::WaitForSingleObject(run.process.process_handle(), 0) == WAIT_TIMEOUT,
              "the program waits for its worker");
    }
}

// Waits until the finish button is enabled (only the cancel button can end
// the window before that), holding the worker on the way when asked to.
void WaitForEnd(const Run& run, HWND window)
{
    const Options& options = run.options;
    const HWND progress = ::GetDlgItem(window, 1000);
    const HWND status = ::GetDlgItem(window, 1001);
    const HWND finish = ::GetDlgItem(window, IDOK);
    const std::vector<std::string> recorded =
        options.freezeWorking ? RecordedFiles(run.folder + "\\Uninstall.log") : std::vector<std::string>();
    bool frozen = false;
    const ULONGLONG start = ::GetTickCount64();
    while (!::IsWindowEnabled(finish) && ::GetTickCount64() - start < options.timeoutMs) {
        if (options.freezeWorking && !frozen && ::IsWindowVisible(progress)) {
            const int upper = static_cast<int>(recorded.size());
            const int position = ShownPosition(status, recorded);
            if (upper > 0 && position * 3 >= upper) {
                SetWorkersSuspended(run.processId, run.guiThread, true);
                frozen = true;
                InspectWorking(run, window, position, upper);
                SetWorkersSuspended(run.processId, run.guiThread, false);
                if (options.cancelWorking)
                    break;
            }
        }
        if (run.Ended(5))
            break;
    }
}

// After a close during the run: the program ends after its worker and the
// batch removes the folder.
int ExpectEndAfterCancel(Run& run)
{
    const bool ended = run.Ended(run.options.timeoutMs);
    Check(ended, "the program ends after its worker");
    run.process.reset();
    if (!ended)
        return 1;
    WaitForRemoval(run);
    Check(!Exists(run.folder), "the batch removes the program's folder");
    Check(Exists(run.batch) == run.batchThere, "nothing is written at the root's DelUS.bat");
    State("removed", 0);
    return Verdict();
}

void CheckFinishedWindow(const Run& run, HWND window)
{
    const HWND finish = ::GetDlgItem(window, IDOK);
    Check(::IsWindowEnabled(finish) != FALSE, "the finish button is enabled at the end");
    Check(!::IsWindowVisible(::GetDlgItem(window, 1000)), "the progress bar is hidden at the end");
    Check(!::IsWindowVisible(::GetDlgItem(window, 1004)), "the group box is hidden at the end");
    Check(::IsWindowVisible(::GetDlgItem(window, 1003)) != FALSE, "the completion label is shown at the end");
    const std::string finished = TextOf(::GetDlgItem(window, 1003));
    std::printf("finished: %s\n", finished.c_str());
    if (run.options.expectLeft < 0) {
        Check(run.options.expectKept > 0 ? finished.rfind("卸载完成!", 0) == 0 : finished == "卸载完成!",
              "the completion label reads its text");
    } else {
        const std::string counted =
            run.options.holdFile.empty()
                ? winlib::Format("卸载完成，但有 %d 项未能删除", run.options.expectLeft)
                : winlib::Format("卸载完成，有 %d 项正在使用，将在重新启动计算机后删除", run.options.expectLeft);
        Check(finished.compare(0, counted.size(), counted) == 0, "the finished text counts what is left");
    }
    if (run.options.expectKept > 0)
        Check(finished.find(winlib::Format("有 %d 项属于其他安装，予以保留。", run.options.expectKept)) != std::string::npos,
              "the finished text counts what was kept as another installation's");
    if (!run.options.holdFile.empty())
        Check(finished.find("重新启动计算机") != std::string::npos, "the finished text says a restart finishes it");
    Check(TextOf(::GetDlgItem(window, 1001)).empty(), "the status line is empty at the end");
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    Check(::GetGUIThreadInfo(run.guiThread, &info) && info.hwndFocus == finish, "the finish button has the focus");
    State("finished", run.options.holdMs);
}

// The About box of the system menu.
void OpenAbout(const Run& run, HWND window)
{
    ::PostMessageA(window, WM_SYSCOMMAND, 0x0010, 0);
    HWND about = run.WaitForDialog("direveradi ZEMLO");
    Check(about != nullptr && ::GetWindow(about, GW_OWNER) == window, "the About box opens, owned by the window");
    if (about != nullptr) {
        State("about", run.options.holdMs);
        Click(about, IDOK);
        WaitDestroyed(about, run.options.timeoutMs);
        Check(!::IsWindow(about), "the About box closes with its button");
    }
}

// Presses the finish button and checks what goes: with the installation's
// own program, the batch removes the program and its folder after the
// program's end; with a copy from elsewhere, the program removed the
// installation's folder itself, and no batch is written.
int FinishAndCheckRemoval(Run& run, HWND window)
{
    const Options& options = run.options;
    winlib::ScopedHandle batchProcess;
    if (options.batchWaits) {
        batchProcess.reset(OpenBatchProcess(run.processId));
        Check(batchProcess.valid(), "the self-removal batch runs");
        if (batchProcess) {
            // While the window stays open the program's file is in use: the
            // batch keeps trying, neither giving up nor taking the file.
            Check(::WaitForSingleObject(batchProcess.get(), 3000) == WAIT_TIMEOUT,
                  "the batch waits while the window stays open 3 s");
            Check(Exists(options.program), "the program file stays while the program runs");
        }
    }
    Click(window, IDOK);
    if (options.expectLeft >= 0 || options.expectKept > 0) {
        // The list of what is left, owned by the window.
        HWND list = run.WaitForDialog("Uninstall");
        Check(list != nullptr && ::GetWindow(list, GW_OWNER) == window, "the finish button shows what is left");
        if (list != nullptr) {
            std::printf("left: %s\n", MessageTextOf(list).c_str());
            State("left-list", options.holdMs);
            Click(list, IDOK);
        }
    }
    const bool ended = run.Ended(options.timeoutMs);
    Check(ended, "the program ends after the finish button");
    run.process.reset();
    run.heldFile.reset();
    if (batchProcess) {
        Check(::WaitForSingleObject(batchProcess.get(), options.timeoutMs) == WAIT_OBJECT_0,
              "the batch ends after the program");
    }
    if (!ended)
        return 1;

    if (!options.holdFile.empty()) {
        // The held file keeps the folder until the restart; the program
        // file goes all the same.
        const ULONGLONG removeStart = ::GetTickCount64();
        while (Exists(options.program) && ::GetTickCount64() - removeStart < options.timeoutMs)
            ::Sleep(50);
        Check(!Exists(options.program), "the batch deletes the program file");
        Check(Exists(options.holdFile), "the held file waits for the restart");
        Check(Exists(run.batch) == run.batchThere, "nothing is written at the root's DelUS.bat");
        State("removed", 0);
        return Verdict();
    }

    if (!options.installedIn.empty()) {
        ::Sleep(500);
        Check(!Exists(options.installedIn), "the installation's folder is gone");
        Check(Exists(options.program), "the program file from elsewhere stays");
        Check(Exists(run.batch) == run.batchThere, "nothing is written at the root's DelUS.bat");
        State("removed", 0);
        return Verdict();
    }

    const double seconds = WaitForRemoval(run);
    std::printf("removal: %.2f s after the program ended\n", seconds);
    Check(!Exists(options.program), "the batch deletes the program file");
    Check(!Exists(run.folder), "the batch removes the program's folder");
    Check(Exists(run.batch) == run.batchThere, "nothing is written at the root's DelUS.bat");
    State("removed", 0);
    return Verdict();
}

}  // namespace

namespace {
// The scenario the options ask for; 0 when its checks held.
int Drive(Run& run, winlib::ScopedHandle& lockedLog);
}  // namespace

int main(int argc, char** argv)
{
    Run run;
    Options& options = run.options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: uninstall_driver <program> [--answer yes|no] [--hold-ms N] "
                             "[--freeze-working] [--cancel-working] [--about] [--timeout-s S] [--expect-silent-close] "
                             "[--lock-log] [--installed-in FOLDER] [--expect-left N] [--expect-kept N] [--hold-file PATH] "
                             "[--batch-waits] [--expect-exit N]\n");
        return 2;
    }
    const std::size_t slash = winlib::FindLastBackslash(options.program);
    if (slash == std::string::npos || slash < 2) {
        std::fprintf(stderr, "uninstall_driver: give the program's full path\n");
        return 2;
    }
    run.folder = options.program.substr(0, slash);
    run.batch = options.program.substr(0, 2) + "\\DelUS.bat";
    run.batchThere = Exists(run.batch);
    if (!options.holdFile.empty()) {
        run.heldFile.reset(::CreateFileA(options.holdFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!run.heldFile) {
            std::fprintf(stderr, "uninstall_driver: cannot hold %s (error %lu)\n", options.holdFile.c_str(),
                         ::GetLastError());
            return 1;
        }
    }

    winlib::ScopedHandle lockedLog;
    if (options.lockLog) {
        lockedLog.reset(::CreateFileA((run.folder + "\\Uninstall.log").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!lockedLog.valid()) {
            std::fprintf(stderr, "uninstall_driver: cannot lock the log (error %lu)\n", ::GetLastError());
            return 1;
        }
    }

    const int result = Drive(run, lockedLog);
    if (options.expectExit >= 0 && run.process.process_handle() != nullptr) {
        DWORD code = STILL_ACTIVE;
        if (run.Ended(options.timeoutMs))
            ::GetExitCodeProcess(run.process.process_handle(), &code);
        std::printf("exit code: %lu\n", static_cast<unsigned long>(code));
        gui::Check(code == static_cast<DWORD>(options.expectExit),
                   "Uninstall exits with code " + std::to_string(options.expectExit));
    }
    return result != 0 ? result : Verdict();
}

namespace {

int Drive(Run& run, winlib::ScopedHandle& lockedLog)
{
    const Options& options = run.options;
    if (!Start(run) || !AnswerConfirmation(run))
        return 1;
    if (options.lockLog)
        return ExpectLogFailure(run, lockedLog);
    if (!options.yes || options.silentClose)
        return ExpectQuietEnd(run);

    HWND window = run.WaitForDialog("ZEMLO V8.0 卸载");
    Check(window != nullptr, "the uninstall window appears");
    if (window == nullptr) {
        run.Terminate();
        return 1;
    }
    run.guiThread = ::GetWindowThreadProcessId(window, nullptr);
    WaitForEnd(run, window);
    if (options.cancelWorking)
        return ExpectEndAfterCancel(run);
    CheckFinishedWindow(run, window);
    if (options.about)
        OpenAbout(run, window);
    return FinishAndCheckRemoval(run, window);
}

}  // namespace
