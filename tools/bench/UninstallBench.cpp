// uninstall_bench: how long the uninstall worker's replay of an install log
// takes in the real uninstall window against the floor of the fixed work
// per entry (the log's file entries, DeleteFileA, one synchronous report to
// a window on another thread that sets a status line and steps a bar), and,
// as before, against a bare recursive delete; how fast the log is read and
// parsed at scale, and the working set of a replay of a large log.
//
// Usage: uninstall_bench [--work DIR] [--rounds R] [--lines N] [--window-only]
//
// It installs the medium that install_bench leaves in DIR\medium (run that
// first) into DIR\replay with the install worker and keeps a copy of the
// installed tree in DIR\stash. Every round then times, in an order that
// turns with the round and with the tree put back before each: the bare
// delete of a copy, the floor's replay of DIR\replay\Uninstall.log, the
// real window's, and the worker's with a message-only window and with no
// window. The best of the rounds counts. Then it generates logs of N and
// N/4 lines and times ReadLog, CountEntries of every kind and one full
// FindNextEntry scan of every kind, and replays the N-line log (its files
// missing) in a child process that reports its peak working set. With
// --window-only it times only the real window and the floor (the scaling
// runs). Figures are printed as "name: value" lines on stdout.

#include "BenchSupport.h"
#include "FileHelpers.h"
#include "RecordingWindow.h"
#include "RegistryOverride.h"
#include "Unattended.h"
#include "UninstallDlg.h"
#include "UninstallIds.h"
#include "UninstallThread.h"
#include "installlog/Contract.h"
#include "installlog/InstallLog.h"
#include "winlib/Handles.h"
#include "winlib/StdioFile.h"
#include "winlib/WinThread.h"
#include "winlib/Wnd.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <commctrl.h>

#include <cstring>
#include <string>

namespace {

using namespace bench;
using testfs::Exists;
using testfs::RemoveTree;

struct Options {
    std::string work;  // no trailing backslash
    unsigned rounds = 3;
    unsigned lines = 1000000;
    bool windowOnly = false;
    // Set in the child process that measures the working set: the folder
    // of the log it replays and the result file it writes.
    std::string childLog;
    std::string child;
};

// ---------------------------------------------------------------------------
// The replay

// The worker as the window runs it, without the self-removal (it would
// delete this program).
class BenchUninstallThread : public CUninstallThread {
protected:
    void ReportFileError(const CFileException& error) override
    {
        std::fprintf(stderr, "uninstall_bench: cannot read %s\n", error.m_strFileName.c_str());
    }
    void RemoveSelf() override {}
};

// Installs medium into install (emptied first); false when the worker
// asked something or did not finish.
bool Install(const std::string& medium, const std::string& install)
{
    RemoveTree(install);
    RecordingWindow window(RecordingWindow::Keep::Counts);
    if (window.GetSafeHwnd() == nullptr)
        return false;
    UnattendedSetupThread thread;
    if (!thread.InstallServingMessages(medium + "\\", install + "\\", &window))
        return false;
    if (!thread.m_questions.empty())
        std::fprintf(stderr, "uninstall_bench: the install worker asked:\n%s\n", thread.m_questions.front().c_str());
    return thread.m_questions.empty() && window.Count(WM_SETUP_DONE) > 0 && window.Count(WM_SETUP_FAILED) == 0;
}

struct ReplayRun {
    double seconds = -1;
    // The real window's and the floor's runs, split at their first and last
    // file reports: the start (window, log read, set-up), the steady part
    // between the first report and the last, and the end.
    RunParts parts;
    long files = 0;
    bool ok = false;
};

// What the window does from reading the log to the worker's end. With no
// window the worker runs without reporting, which shows what the reports
// cost.
ReplayRun RunReplay(const std::string& install, RecordingWindow* window)
{
    ReplayRun run;
    if (window != nullptr)
        window->Reset();
    BenchUninstallThread thread;
    thread.m_pMainWnd = window;
    thread.m_bAutoDelete = FALSE;
    const std::string log = install + "\\Uninstall.log";

    const Stopwatch clock;
    if (!thread.ReadLog(log.c_str()))
        return run;
    const int expected = thread.CountEntries(installlog::kFileCopy);
    if (!thread.CreateThread())
        return run;
    winlib::WaitPumpingMessages(thread.m_hThread);
    winlib::PumpWaitingMessages();
    run.seconds = clock.Seconds();
    if (window == nullptr) {
        run.files = expected;
        run.ok = true;
    } else {
        run.files = window->Count(WM_UNINSTALL_FILE);
        run.ok = window->Count(WM_UNINSTALL_DONE) > 0 && run.files == expected;
    }
    return run;
}

// The real uninstall window, shown, finding the log through the product
// key as it does after an installation. It is timed from its set-up (where
// it reads the log and starts the worker) to the worker's report that the
// files are done, with the times of the first and the last file report;
// its finish button is pressed at the end.
class BenchUninstallDlg : public CUninstallDlg {
public:
    double filesSeconds = -1;
    ReportClock clock;
    bool done = false;
    bool failed = false;

protected:
    BOOL OnInitDialog() override
    {
        clock.Start();
        const BOOL result = CUninstallDlg::OnInitDialog();
        ShowWindow(SW_SHOW);
        UpdateWindow();
        return result;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_UNINSTALL_FILE:
            clock.Report();
            break;
        case WM_UNINSTALL_FILES_DONE:
            filesSeconds = clock.Seconds();
            break;
        case WM_UNINSTALL_DONE: {
            done = true;
            const LRESULT result = CUninstallDlg::WindowProc(message, wParam, lParam);
            PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return result;
        }
        case WM_UNINSTALL_FAILED:
            // No box: the run does not count.
            failed = true;
            EndDialog(IDCANCEL);
            return 1;
        default:
            break;
        }
        return CUninstallDlg::WindowProc(message, wParam, lParam);
    }
};

// Records install as the installed folder, where the window looks for the
// log (the replays before have deleted the key).
bool RecordInstallFolder(const std::string& install)
{
    return testreg::Put(HKEY_LOCAL_MACHINE, installlog::kProductKey, installlog::kInstallPathValue, install + "\\");
}

ReplayRun RunWindow(const std::string& install, long expected)
{
    ReplayRun run;
    if (!RecordInstallFolder(install))
        return run;
    BenchUninstallDlg window;
    window.DoModal();
    run.seconds = window.filesSeconds;
    run.parts = window.clock.Parts(window.filesSeconds);
    run.files = window.clock.Reports();
    run.ok = window.done && !window.failed && window.filesSeconds >= 0 && run.files == expected;
    return run;
}

// A dialog that does nothing but be there, to be measured.
INT_PTR CALLBACK InertDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The floor's replay: the log read, its file entries deleted on a worker
// thread, each reported to the floor's window with one synchronous send.
// The sizes of the uninstall window's status line and bar, for the floor's
// window: how long a path is drawn, and how many times the bar repaints,
// depend on them. Read from the window's own template.
FloorLayout UninstallWindowLayout()
{
    FloorLayout layout;
    const HWND dialog = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_UNINSTALL_DIALOG),
                                             nullptr, &InertDialog, 0);
    if (dialog == nullptr)
        return layout;
    ::ShowWindow(dialog, SW_HIDE);
    const auto size = [dialog](int id, SIZE& out) {
        RECT r;
        const HWND item = ::GetDlgItem(dialog, id);
        if (item != nullptr && ::GetWindowRect(item, &r))
            out = {r.right - r.left, r.bottom - r.top};
    };
    size(IDC_UNINSTALL_STATUS, layout.status);
    size(IDC_UNINSTALL_PROGRESS, layout.bar);
    ::DestroyWindow(dialog);
    return layout;
}

ReplayRun RunFloor(const std::string& install, FloorWindow& floor)
{
    ReplayRun run;
    const std::string log = install + "\\Uninstall.log";
    const Stopwatch clock;
    BenchUninstallThread reader;
    if (!reader.ReadLog(log.c_str()))
        return run;
    floor.Reset(installlog::CountEntries(reader.LogText(), installlog::kFileCopy));
    const HWND hwnd = floor.Handle();
    RunServingMessages([&reader, hwnd] {
        std::size_t position = 0, start = 0, length = 0;
        while (installlog::FindNextEntry(reader.LogText(), installlog::kFileCopy, position, start, length)) {
            const std::string path = reader.LogText().substr(start, length);
            ::DeleteFileA(path.c_str());
            ::SendMessageA(hwnd, FloorWindow::kReport, 0, reinterpret_cast<LPARAM>(path.c_str()));
        }
    });
    run.seconds = clock.Seconds();
    run.parts.steadySeconds = floor.SteadySeconds();
    run.files = floor.Reports();
    run.ok = true;
    return run;
}

// ---------------------------------------------------------------------------
// Parsing at scale

// A log of about lines lines in the proportions of a real one (mostly
// files, then folders, a few controls and keys), with GBK names.
std::string GenerateLog(unsigned lines, const std::string& root)
{
    std::string log;
    log.reserve(static_cast<std::size_t>(lines) * 64);
    char number[16];
    for (unsigned i = 0; i < lines; ++i) {
        std::snprintf(number, sizeof(number), "%07u", i);
        const unsigned slot = i % 20;
        if (slot == 0)
            installlog::AppendEntry(log, installlog::kMadeDir, root + "\\Support\\图层" + number);
        else if (slot == 1)
            installlog::AppendEntry(log, installlog::kRegCtrl, root + "\\Controls\\控件" + number + ".ocx");
        else if (slot == 2)
            installlog::AppendRegKeyEntry(log, installlog::kLocalMachine,
                                          std::string("SOFTWARE\\Kestrova\\enggZEMLO\\V8\\") + number);
        else
            installlog::AppendEntry(log, installlog::kFileCopy,
                                    root + "\\Data\\示例工程\\地形数据\\part" + number + ".dwg");
    }
    return log;
}

// Writes the log as Setup does: text mode, CR LF on disk.
bool WriteLog(const std::string& path, const std::string& log)
{
    CStdioFile file;
    CFileException error;
    return file.Open(path.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText, &error) &&
           file.Write(log.data(), static_cast<UINT>(log.size()), &error) && file.Close(&error);
}

struct ParseRun {
    double seconds = -1;
    long entries = 0;
};

ParseRun RunParse(const std::string& path)
{
    ParseRun run;
    BenchUninstallThread thread;
    const Stopwatch clock;
    if (!thread.ReadLog(path.c_str()))
        return run;
    long counted = 0;
    long scanned = 0;
    for (int kind = 0; kind < installlog::kKindCount; ++kind) {
        counted += thread.CountEntries(kind);
        std::size_t position = 0, start = 0, length = 0;
        while (installlog::FindNextEntry(thread.LogText(), kind, position, start, length))
            ++scanned;
    }
    run.seconds = clock.Seconds();
    run.entries = counted == scanned ? counted : -1;
    return run;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--window-only") {
            options.windowOnly = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        if (arg == "--work") {
            options.work = value;
        } else if (arg == "--rounds") {
            if (!ParseNumber(value, options.rounds) || options.rounds == 0)
                return false;
        } else if (arg == "--lines") {
            if (!ParseNumber(value, options.lines) || options.lines == 0 || options.lines > 100000000)
                return false;
        } else if (arg == "--child") {
            options.child = value;
        } else if (arg == "--child-log") {
            options.childLog = value;
        } else {
            return false;
        }
    }
    return NormaliseWorkFolder(options.work);
}

// The child process of the working-set figure: the worker's replay of the
// given log, without a window; writes its seconds and its peak working set
// in bytes into the result file.
int RunChild(const Options& options)
{
    const ReplayRun run = RunReplay(options.childLog, nullptr);
    if (!run.ok)
        return 1;
    char text[96];
    std::snprintf(text, sizeof(text), "%.3f %.0f", run.seconds, PeakWorkingSetBytes());
    return testfs::WriteFile(options.child, text) ? 0 : 1;
}

// Whether folder holds anything.
bool HasEntries(const std::string& folder)
{
    bool found = false;
    ForEachEntry(folder, [&found](const WIN32_FIND_DATAA&) {
        found = true;
        return false;
    });
    return found;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: uninstall_bench [--work DIR] [--rounds R] [--lines N] [--window-only]\n"
                             "  defaults: DIR=%%TEMP%%\\zemlo-bench (holding install_bench's medium), R=3, N=1000000\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    // Neither the installs nor the replays touch the prefix's registry.
    const RegistryOverride registry;
    if (!registry.ok()) {
        std::fprintf(stderr, "uninstall_bench: cannot redirect the registry\n");
        return 1;
    }
    if (!options.child.empty())
        return RunChild(options);

    const std::string medium = options.work + "\\medium";
    const std::string replay = options.work + "\\replay";
    const std::string stash = options.work + "\\stash";
    const std::string bare = options.work + "\\bare";
    if (!Exists(medium + "\\Support")) {
        std::fprintf(stderr, "uninstall_bench: no medium in %s (run install_bench first)\n", medium.c_str());
        return 1;
    }

    // Counts only: copying each path would be part of what is timed.
    RecordingWindow window(RecordingWindow::Keep::Counts);
    FloorWindow floor;
    if (window.GetSafeHwnd() == nullptr || !floor.Create("ZEMLO V8.0 floor", UninstallWindowLayout())) {
        std::fprintf(stderr, "uninstall_bench: cannot create the windows (error %lu)\n", ::GetLastError());
        return 1;
    }

    enum Variant { kBare, kFloor, kWindow, kMessageOnly, kSilent, kVariantCount };
    static const char* const kNames[kVariantCount] = {"bare delete", "floor", "uninstall window",
                                                      "message-only window", "no window"};
    double best[kVariantCount] = {-1, -1, -1, -1, -1};
    RunParts bestWindow;
    double bestFloorSteady = -1;
    long files = -1;
    bool ok = Install(medium, replay);
    RemoveTree(stash);
    ok = ok && BareCopyTree(replay, stash);
    if (ok) {
        BenchUninstallThread counter;
        ok = counter.ReadLog((replay + "\\Uninstall.log").c_str()) != FALSE;
        files = counter.CountEntries(installlog::kFileCopy);
    }
    if (!ok)
        std::fprintf(stderr, "uninstall_bench: cannot install the medium\n");
    for (unsigned round = 0; round < options.rounds && ok; ++round) {
        for (int step = 0; step < kVariantCount && ok; ++step) {
            const Variant variant = static_cast<Variant>((step + round) % kVariantCount);
            // The scaling runs time the window, and the floor beside it to
            // show how much of any growth is the system's.
            if (options.windowOnly && variant != kWindow && variant != kFloor)
                continue;
            // Every variant starts from the installed tree.
            const std::string& tree = variant == kBare ? bare : replay;
            RemoveTree(tree);
            if (!BareCopyTree(stash, tree)) {
                std::fprintf(stderr, "uninstall_bench: cannot put %s back\n", tree.c_str());
                ok = false;
                break;
            }
            ReplayRun run;
            switch (variant) {
            case kBare: {
                const Stopwatch clock;
                run.ok = BareDeleteTree(bare);
                run.seconds = clock.Seconds();
                run.files = files;
                break;
            }
            case kFloor:
                run = RunFloor(replay, floor);
                break;
            case kWindow:
                run = RunWindow(replay, files);
                // The replay leaves nothing of the installation behind.
                if (run.ok && Exists(replay) && HasEntries(replay))
                    std::fprintf(stderr, "uninstall_bench: entries left after the replay\n");
                break;
            case kMessageOnly:
            case kSilent:
                run = RunReplay(replay, variant == kSilent ? nullptr : &window);
                break;
            default:
                break;
            }
            ok = run.ok && run.files == files;
            std::fprintf(stderr, "uninstall_bench: round %u: %s %.3f s (%ld files)\n", round + 1, kNames[variant],
                         run.seconds, run.files);
            KeepBest(best[variant], run.seconds, ok);
            if (variant == kWindow) {
                KeepBest(bestWindow, run.parts, ok);
            } else if (variant == kFloor) {
                KeepBest(bestFloorSteady, run.parts.steadySeconds, ok && run.parts.steadySeconds >= 0);
            }
            RemoveTree(tree);
        }
    }
    RemoveTree(replay);
    RemoveTree(bare);
    RemoveTree(stash);
    if (!ok) {
        std::fprintf(stderr, "uninstall_bench: stopped: a run failed\n");
        return 1;
    }

    std::printf("uninstall_files: %ld\n", files);
    std::printf("uninstall_rounds: %u\n", options.rounds);
    // The scaling runs: the time per entry that must stay flat over the
    // sizes, from the first file's report to the last one's. The start
    // (window up, log read) and the end, which should not grow with the
    // files, are printed beside it at every size, and so is the whole run
    // divided by the files.
    if (options.windowOnly) {
        PrintScalingFigures("uninstall", files, files - 1, bestWindow, PerEntryUs(best[kWindow], files),
                            PerEntryUs(bestFloorSteady, files - 1));
        std::fflush(stdout);
        return 0;
    }
    PrintFigure("uninstall_window_seconds", 3, best[kWindow]);
    PrintFigure("uninstall_window_us_per_entry", 1, PerEntryUs(best[kWindow], files));
    PrintFigure("uninstall_floor_seconds", 3, best[kFloor]);
    PrintFigure("uninstall_floor_us_per_entry", 1, PerEntryUs(best[kFloor], files));
    PrintFigure("uninstall_vs_floor_ratio", 3, best[kWindow] / best[kFloor]);
    std::printf("uninstall_vs_floor_target: 1.10\n");
    PrintFigure("bare_delete_seconds", 3, best[kBare]);
    PrintFigure("bare_delete_us_per_file", 1, PerEntryUs(best[kBare], files));
    PrintFigure("uninstall_window_vs_delete_ratio", 3, best[kWindow] / best[kBare]);
    PrintFigure("uninstall_floor_vs_delete_ratio", 3, best[kFloor] / best[kBare]);
    // The message-only window and no window: whole replays, folders and
    // keys included.
    PrintFigure("uninstall_seconds", 3, best[kMessageOnly]);
    PrintFigure("uninstall_vs_delete_ratio", 3, best[kMessageOnly] / best[kBare]);
    PrintFigure("uninstall_no_window_seconds", 3, best[kSilent]);
    PrintFigure("uninstall_no_window_vs_delete_ratio", 3, best[kSilent] / best[kBare]);
    std::fflush(stdout);

    // Parsing: N lines and a quarter of that; the time per line should not
    // grow with the log.
    const std::string logPath = options.work + "\\parse.log";
    const unsigned sizes[2] = {options.lines, options.lines / 4};
    double bestParse[2] = {-1, -1};
    long entries[2] = {0, 0};
    for (int s = 0; s < 2; ++s) {
        if (!WriteLog(logPath, GenerateLog(sizes[s], "C:\\Program Files\\Kestrova\\ZEMLO"))) {
            std::fprintf(stderr, "uninstall_bench: cannot write %s\n", logPath.c_str());
            return 1;
        }
        for (unsigned round = 0; round < options.rounds; ++round) {
            const ParseRun run = RunParse(logPath);
            std::fprintf(stderr, "uninstall_bench: %u lines: parse %.3f s\n", sizes[s], run.seconds);
            KeepBest(bestParse[s], run.seconds, run.seconds >= 0);
            entries[s] = run.entries;
        }
        if (entries[s] != static_cast<long>(sizes[s]))
            std::fprintf(stderr, "uninstall_bench: %ld entries found in %u lines\n", entries[s], sizes[s]);
    }
    ::DeleteFileA(logPath.c_str());
    std::printf("parse_lines: %u\n", sizes[0]);
    PrintFigure("parse_1m_lines_seconds", 3, bestParse[0]);
    std::printf("parse_1m_lines_target: 1.0\n");
    std::printf("parse_quarter_lines: %u\n", sizes[1]);
    PrintFigure("parse_250k_lines_seconds", 3, bestParse[1]);
    PrintFigure("parse_linearity_ratio", 2, bestParse[1] > 0 ? bestParse[0] / bestParse[1] : 0.0);
    PrintFigure("parse_1m_us_per_line", 3, PerEntryUs(bestParse[0], sizes[0]));
    PrintFigure("parse_250k_us_per_line", 3, PerEntryUs(bestParse[1], sizes[1]));
    std::fflush(stdout);

    // The working set of a replay of the N-line log (whose files, folders,
    // controls and keys do not exist), in a process of its own.
    const std::string ghost = options.work + "\\ghost";
    RemoveTree(ghost);
    const std::string ghostLog = ghost + "\\Uninstall.log";
    const std::string result = options.work + "\\peak.txt";
    ::DeleteFileA(result.c_str());
    if (::CreateDirectoryA(ghost.c_str(), nullptr) && WriteLog(ghostLog, GenerateLog(options.lines, ghost)) &&
        RunSelf("--work \"" + options.work + "\" --child-log \"" + ghost + "\" --child \"" + result + "\"") == 0) {
        double seconds = -1, bytes = -1;
        std::sscanf(testfs::ReadFile(result).c_str(), "%lf %lf", &seconds, &bytes);
        std::printf("replay_log_lines: %u\n", options.lines);
        PrintFigure("replay_log_seconds", 3, seconds);
        PrintFigure("uninstall_peak_working_set_mb", 1, bytes / (1 << 20));
        std::printf("uninstall_peak_working_set_target_mb: 200\n");
    } else {
        std::fprintf(stderr, "uninstall_bench: the working-set run failed\n");
    }
    ::DeleteFileA(result.c_str());
    RemoveTree(ghost);
    std::fflush(stdout);
    return 0;
}
