// install_bench: how long the installation worker takes on the real
// progress page against the floor of the fixed work per entry (walk, copy,
// attribute change, one synchronous report to a window on another thread
// that sets a status line and steps a bar), and, as before, against a bare
// recursive copy with a message-only window.
//
// Usage: install_bench [--files N] [--megabytes M] [--work DIR] [--rounds R]
//                      [--page-only]
//
// It builds a medium of N files (about M MB in all) under DIR\medium, kept
// for the next run with the same N and M, and then, every round, in an
// order that turns with the round: the bare copy into DIR\barecopy, the
// floor's copy into DIR\floor, the install on the real progress page, on a
// message-only window and with no window at all into DIR\install. The best
// of the rounds counts. Last it installs once more in a child process of
// its own and reports that process's peak working set. With --page-only it
// times only the progress page and the floor (the scaling runs). Figures
// are printed as "name: value" lines on stdout, progress on stderr.

#include "BenchSupport.h"
#include "FileHelpers.h"
#include "Pages.h"
#include "RecordingWindow.h"
#include "RegistryOverride.h"
#include "SetupIds.h"
#include "Unattended.h"
#include "engine/InstallStep.h"
#include "winlib/Handles.h"
#include "winlib/WinThread.h"
#include "winlib/Wnd.h"

#include <windows.h>

#include <algorithm>
#include <commctrl.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace bench;
using testfs::Exists;
using testfs::RemoveTree;

// Folders of the generated tree hold about this many files each.
constexpr unsigned kFilesPerFolder = 75;
// Each folder of the tree below a product folder has this many subfolders
// until the tree has enough folders.
constexpr unsigned kFanOut = 3;
// Synchronous sends timed for the round-trip figure, and the longest they
// may take.
constexpr long kRoundTripMessages = 100000;
constexpr double kRoundTripSeconds = 5.0;
// Written into DIR\medium.stamp once a medium is complete; a medium whose
// stamp differs (or is missing) is built again.
const char kStampFormat[] = "install_bench medium 1 files=%u megabytes=%u\r\n";

struct Options {
    unsigned files = 10000;
    unsigned megabytes = 200;
    unsigned rounds = 3;
    bool pageOnly = false;
    std::string work;  // no trailing backslash
    // Set in the child process that measures the working set: the result
    // file it writes.
    std::string child;
};

// ---------------------------------------------------------------------------
// The medium

std::string TwoDigits(unsigned n)
{
    return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

std::string FiveDigits(unsigned n)
{
    std::string digits(5, '0');
    for (int i = 4; i >= 0; --i, n /= 10)
        digits[static_cast<std::size_t>(i)] = static_cast<char>('0' + n % 10);
    return digits;
}

// The folders of the medium's tree, relative to its root: the seven product
// folders first, then their subfolders breadth first, kFanOut below each,
// until there are about files / kFilesPerFolder folders (some with Chinese
// names, as on the real medium).
std::vector<std::string> PlanFolders(unsigned files)
{
    static const char* const kNames[] = {"图层", "Blocks", "符号库", "Layer", "样式表", "Fonts"};
    constexpr std::size_t kNameCount = sizeof(kNames) / sizeof(kNames[0]);

    const std::size_t wanted =
        std::max<std::size_t>(7, (files + kFilesPerFolder / 2) / kFilesPerFolder);
    std::vector<std::string> folders(engine::ProductFolders().begin(),
                                     engine::ProductFolders().end());
    for (std::size_t parent = 0; folders.size() < wanted; ++parent) {
        for (unsigned child = 1; child <= kFanOut && folders.size() < wanted; ++child) {
            const char* name = kNames[(parent + child) % kNameCount];
            folders.push_back(folders[parent] + "\\" + name + TwoDigits(child));
        }
    }
    return folders;
}

// Sizes of the files: a mix of small and a few large ones (relative weights
// repeating every ten files) that adds up to exactly total bytes.
std::vector<std::uint64_t> PlanSizes(unsigned files, std::uint64_t total)
{
    static const unsigned kWeights[] = {1, 1, 1, 1, 2, 2, 3, 5, 10, 24};
    constexpr unsigned kWeightCount = sizeof(kWeights) / sizeof(kWeights[0]);

    std::uint64_t weightSum = 0;
    for (unsigned i = 0; i < files; ++i)
        weightSum += kWeights[i % kWeightCount];
    std::vector<std::uint64_t> sizes(files);
    std::uint64_t assigned = 0;
    for (unsigned i = 0; i < files; ++i) {
        sizes[i] = total * kWeights[i % kWeightCount] / weightSum;
        assigned += sizes[i];
    }
    if (files > 0)
        sizes[files - 1] += total - assigned;
    return sizes;
}

std::string FileName(unsigned index)
{
    static const char* const kPrefixes[] = {"part", "图纸", "data", "说明"};
    static const char* const kExtensions[] = {".dwg", ".dwg", ".dat", ".txt"};
    return std::string(kPrefixes[index % 4]) + FiveDigits(index) + kExtensions[index % 4];
}

// One mebibyte of printable text; files are cut from it. Its content does
// not matter to the copy, only its size.
const std::vector<char>& FillPattern()
{
    static const std::vector<char> pattern = [] {
        static const char kLine[] = "ZEMLO V8.0 install benchmark medium 0123456789 abcdefghijklmnopqrstuvwxyz\r\n";
        std::vector<char> buffer(1 << 20);
        const std::size_t lineLength = sizeof(kLine) - 1;
        for (std::size_t i = 0; i < buffer.size(); ++i)
            buffer[i] = kLine[i % lineLength];
        return buffer;
    }();
    return pattern;
}

bool WriteFileOfSize(const std::string& path, std::uint64_t size)
{
    winlib::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    const std::vector<char>& pattern = FillPattern();
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::uint64_t>(size, pattern.size()));
        DWORD written = 0;
        if (!::WriteFile(file.get(), pattern.data(), chunk, &written, nullptr) || written != chunk)
            return false;
        size -= chunk;
    }
    return true;
}

std::string StampText(const Options& options)
{
    char text[128];
    std::snprintf(text, sizeof(text), kStampFormat, options.files, options.megabytes);
    return text;
}

// Builds the medium (the seven product trees and a few loose files in its
// root) unless the one already there was built with the same figures.
// Sets reused accordingly; false when a folder or file cannot be made.
bool PrepareMedium(const Options& options, const std::string& medium,
                   const std::vector<std::string>& folders, bool& reused)
{
    const std::string stampPath = options.work + "\\medium.stamp";
    const std::string stamp = StampText(options);
    reused = Exists(medium) && testfs::ReadFile(stampPath) == stamp;
    if (reused)
        return true;

    ::DeleteFileA(stampPath.c_str());
    if (!RemoveTree(medium) || !::CreateDirectoryA(medium.c_str(), nullptr)) {
        std::fprintf(stderr, "install_bench: cannot make %s (error %lu)\n", medium.c_str(), ::GetLastError());
        return false;
    }
    for (const std::string& folder : folders) {
        const std::string path = medium + "\\" + folder;
        if (!::CreateDirectoryA(path.c_str(), nullptr)) {
            std::fprintf(stderr, "install_bench: cannot make %s (error %lu)\n", path.c_str(), ::GetLastError());
            return false;
        }
    }

    const std::vector<std::uint64_t> sizes =
        PlanSizes(options.files, static_cast<std::uint64_t>(options.megabytes) << 20);
    for (unsigned i = 0; i < options.files; ++i) {
        // Spread round the folders, so every folder gets its share.
        const std::string path = medium + "\\" + folders[i % folders.size()] + "\\" + FileName(i);
        if (!WriteFileOfSize(path, sizes[i])) {
            std::fprintf(stderr, "install_bench: cannot write %s (error %lu)\n", path.c_str(), ::GetLastError());
            return false;
        }
    }
    static const char* const kLooseFiles[] = {"readme.txt", "安装说明.txt", "license.txt"};
    for (const char* name : kLooseFiles) {
        const std::string path = medium + "\\" + name;
        if (!WriteFileOfSize(path, 4096)) {
            std::fprintf(stderr, "install_bench: cannot write %s (error %lu)\n", path.c_str(), ::GetLastError());
            return false;
        }
    }

    return testfs::WriteFile(stampPath, stamp);
}

// ---------------------------------------------------------------------------
// The runs

struct InstallRun {
    double seconds = -1;
    long progress = 0;
    bool ok = false;
};

// The medium's entries the worker reports: every file and every folder
// below the product folders.
long ExpectedReports(const Options& options, const std::vector<std::string>& folders)
{
    return static_cast<long>(options.files + folders.size() - 7);
}

// One installation of medium into install (emptied first) by the worker
// reporting to a message-only window, or with no window at all (which
// shows what the reports cost). Times the whole run.
InstallRun RunInstall(const std::string& medium, const std::string& install, RecordingWindow* window)
{
    InstallRun run;
    if (!RemoveTree(install)) {
        std::fprintf(stderr, "install_bench: cannot empty %s\n", install.c_str());
        return run;
    }
    UnattendedSetupThread thread;
    if (window != nullptr)
        window->Reset();

    const Stopwatch clock;
    if (!thread.InstallServingMessages(medium + "\\", install + "\\", window)) {
        std::fprintf(stderr, "install_bench: cannot start the worker (error %lu)\n", ::GetLastError());
        return run;
    }
    run.seconds = clock.Seconds();

    if (!thread.m_questions.empty())
        std::fprintf(stderr, "install_bench: the worker asked:\n%s\n", thread.m_questions.front().c_str());
    run.ok = thread.m_questions.empty() &&
             (window == nullptr || (window->Count(WM_SETUP_DONE) > 0 && window->Count(WM_SETUP_FAILED) == 0));
    if (window != nullptr)
        run.progress = window->Count(WM_SETUP_PROGRESS);
    return run;
}

// The real progress page with its real worker, shown. It is timed from the
// start of the worker (the page is up, its files counted) to the worker's
// report that the files are done; the configuration after that, which does
// not grow with the files, is timed apart. The copy is split at its first
// and last progress reports: the start (the worker's set-up and its first
// folders), the steady part between the first report and the last, whose
// time per entry is the one that must not grow with the files, and the
// end (from the last report to the files being done: the log written).
class BenchCopyPage : public CCopyPage {
public:
    double copySeconds = -1;
    double configureSeconds = -1;
    ReportClock clock;
    bool done = false;
    bool asked = false;

protected:
    void StartWorker() override
    {
        ShowWindow(SW_SHOW);
        UpdateWindow();
        SetTimer(kQuestionTimer, 500);
        clock.Start();
        CCopyPage::StartWorker();
    }
    // Only the cancel question (Yes/No) comes here, and nobody cancels.
    int AskUser(const char*, UINT) override { return IDNO; }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_SETUP_PROGRESS:
            clock.Report();
            break;
        case WM_SETUP_CONFIGURING:
            copySeconds = clock.Seconds();
            break;
        case WM_SETUP_DONE:
            done = true;
            configureSeconds = clock.Seconds() - copySeconds;
            KillTimer(kQuestionTimer);
            break;
        case WM_TIMER:
            if (wParam == kQuestionTimer) {
                DeclineQuestions();
                return 0;
            }
            break;
        default:
            break;
        }
        return CCopyPage::WindowProc(message, wParam, lParam);
    }

private:
    static constexpr UINT_PTR kQuestionTimer = 77;

    // A question of the worker (a message box owned by the page, whose own
    // loop still delivers this page's timer) would stop the run until
    // somebody answers: it is declined, and the run does not count.
    void DeclineQuestions()
    {
        ::EnumThreadWindows(::GetCurrentThreadId(), &DeclineQuestion, reinterpret_cast<LPARAM>(this));
    }

    static BOOL CALLBACK DeclineQuestion(HWND hwnd, LPARAM self)
    {
        auto* page = reinterpret_cast<BenchCopyPage*>(self);
        if (hwnd != page->m_hWnd && ::GetWindow(hwnd, GW_OWNER) == page->m_hWnd && ::IsWindowVisible(hwnd)) {
            char text[512] = {};
            ::GetDlgItemTextA(hwnd, 0xFFFF, text, sizeof(text));
            std::fprintf(stderr, "install_bench: declined a question: %s\n", text);
            page->asked = true;
            for (int button : {IDCANCEL, IDABORT, IDNO})
                ::PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        }
        return TRUE;
    }
};

struct PageRun {
    double seconds = -1;
    double configureSeconds = -1;
    RunParts parts;  // of the copy
    long progress = 0;
    bool ok = false;
};

PageRun RunPage(const std::string& medium, const std::string& install)
{
    PageRun run;
    if (!RemoveTree(install)) {
        std::fprintf(stderr, "install_bench: cannot empty %s\n", install.c_str());
        return run;
    }
    BenchCopyPage page;
    page.m_strSourceDir = medium;
    page.m_strInstallDir = install;
    const INT_PTR result = page.DoModal();
    run.seconds = page.copySeconds;
    run.configureSeconds = page.configureSeconds;
    run.progress = page.clock.Reports();
    run.parts = page.clock.Parts(page.copySeconds);
    run.ok = result == ID_WIZNEXT && page.done && !page.asked && page.copySeconds >= 0;
    if (!run.ok)
        std::fprintf(stderr, "install_bench: the progress page ended with %d\n", static_cast<int>(result));
    return run;
}

// The floor's copy of one folder tree, on the worker's thread: each entry
// is found, copied (a folder made), its attributes set, and reported to
// the floor's window with one synchronous send.
bool FloorCopyTree(const std::string& source, const std::string& destination, HWND window)
{
    bool ok = true;
    const bool listed = ForEachEntry(source, [&](const WIN32_FIND_DATAA& data) {
        const std::string from = source + "\\" + data.cFileName;
        const std::string to = destination + "\\" + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok = ::CreateDirectoryA(to.c_str(), nullptr) && FloorCopyTree(from, to, window) && ok;
        } else {
            ok = ::CopyFileA(from.c_str(), to.c_str(), FALSE) && ok;
            ::SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        ::SendMessageA(window, FloorWindow::kReport, 0, reinterpret_cast<LPARAM>(to.c_str()));
        return true;
    });
    return listed && ok;
}

// Seconds of the floor's copy of the product folders into floor (emptied
// first); negative when something could not be copied. steady: the seconds
// from its first report to its last.
double RunFloor(const std::string& medium, const std::string& floor, FloorWindow& window, long entries,
                long& reports, double& steady)
{
    steady = -1;
    if (!RemoveTree(floor) || !::CreateDirectoryA(floor.c_str(), nullptr)) {
        std::fprintf(stderr, "install_bench: cannot empty %s\n", floor.c_str());
        return -1;
    }
    window.Reset(static_cast<int>(entries));
    bool ok = true;
    const HWND hwnd = window.Handle();
    const Stopwatch clock;
    RunServingMessages([&] {
        for (const char* name : engine::ProductFolders()) {
            const std::string to = floor + "\\" + name;
            ok = ::CreateDirectoryA(to.c_str(), nullptr) && FloorCopyTree(medium + "\\" + name, to, hwnd) && ok;
        }
    });
    const double seconds = clock.Seconds();
    reports = window.Reports();
    steady = window.SteadySeconds();
    if (!ok) {
        std::fprintf(stderr, "install_bench: the floor's copy failed\n");
        return -1;
    }
    return seconds;
}

// Seconds of one bare copy of medium into copy (emptied first); negative
// when something could not be copied.
double RunBareCopy(const std::string& medium, const std::string& copy)
{
    if (!RemoveTree(copy)) {
        std::fprintf(stderr, "install_bench: cannot empty %s\n", copy.c_str());
        return -1;
    }
    const Stopwatch clock;
    const bool ok = BareCopyTree(medium, copy);
    const double seconds = clock.Seconds();
    if (!ok) {
        std::fprintf(stderr, "install_bench: the bare copy failed (error %lu)\n", ::GetLastError());
        return -1;
    }
    return seconds;
}

// ---------------------------------------------------------------------------

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--page-only") {
            options.pageOnly = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        if (arg == "--files") {
            if (!ParseNumber(value, options.files) || options.files == 0)
                return false;
        } else if (arg == "--megabytes") {
            if (!ParseNumber(value, options.megabytes))
                return false;
        } else if (arg == "--rounds") {
            if (!ParseNumber(value, options.rounds) || options.rounds == 0)
                return false;
        } else if (arg == "--work") {
            options.work = value;
        } else if (arg == "--child") {
            options.child = value;
        } else {
            return false;
        }
    }
    return NormaliseWorkFolder(options.work);
}

// The child process of the working-set figure: one install on the progress
// page; writes its peak working set in bytes into the result file.
int RunChild(const Options& options)
{
    const std::string install = options.work + "\\install";
    const PageRun run = RunPage(options.work + "\\medium", install);
    RemoveTree(install);
    if (!run.ok)
        return 1;
    char text[64];
    std::snprintf(text, sizeof(text), "%.0f", PeakWorkingSetBytes());
    return testfs::WriteFile(options.child, text) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: install_bench [--files N] [--megabytes M] [--work DIR] [--rounds R] [--page-only]\n"
                     "  defaults: N=10000, M=200, DIR=%%TEMP%%\\zemlo-bench, R=3\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    // Neither a product registered nor shortcuts on the prefix's desktop
    // (without shell folders there are none).
    const RegistryOverride registry;
    if (!registry.ok()) {
        std::fprintf(stderr, "install_bench: cannot redirect the registry\n");
        return 1;
    }
    if (!options.child.empty())
        return RunChild(options);

    const std::string medium = options.work + "\\medium";
    const std::string install = options.work + "\\install";
    const std::string copy = options.work + "\\barecopy";
    const std::string floor = options.work + "\\floor";
    testfs::MakeDirs(options.work);
    if (!testfs::IsDirectory(options.work)) {
        std::fprintf(stderr, "install_bench: cannot make %s (error %lu)\n", options.work.c_str(), ::GetLastError());
        return 1;
    }

    const std::vector<std::string> folders = PlanFolders(options.files);
    bool reused = false;
    const Stopwatch prepareClock;
    if (!PrepareMedium(options, medium, folders, reused))
        return 1;
    const double prepareSeconds = prepareClock.Seconds();
    const long expected = ExpectedReports(options, folders);

    // Counts only: copying each path would be part of what is timed.
    RecordingWindow window(RecordingWindow::Keep::Counts);
    FloorWindow floorWindow;
    if (window.GetSafeHwnd() == nullptr || !floorWindow.Create("ZEMLO V8.0 floor")) {
        std::fprintf(stderr, "install_bench: cannot create the windows (error %lu)\n", ::GetLastError());
        return 1;
    }

    // The variants of a round run in an order that turns with the round,
    // so that none always inherits another's cache and write-back state.
    enum Variant { kBare, kFloor, kPage, kMessageOnly, kSilent, kVariantCount };
    static const char* const kNames[kVariantCount] = {"bare copy", "floor", "progress page",
                                                      "message-only window", "no window"};
    double best[kVariantCount] = {-1, -1, -1, -1, -1};
    double bestConfigure = -1;
    RunParts bestPage;
    double bestFloorSteady = -1;
    long pageReports = -1;
    long floorReports = -1;
    long messageReports = -1;
    bool ok = true;
    for (unsigned round = 0; round < options.rounds && ok; ++round) {
        for (int step = 0; step < kVariantCount && ok; ++step) {
            const Variant variant = static_cast<Variant>((step + round) % kVariantCount);
            // The scaling runs time the page, and the floor beside it to show
            // how much of any growth is the system's.
            if (options.pageOnly && variant != kPage && variant != kFloor)
                continue;
            double seconds = -1;
            switch (variant) {
            case kBare:
                seconds = RunBareCopy(medium, copy);
                RemoveTree(copy);
                break;
            case kFloor: {
                double steady = -1;
                seconds = RunFloor(medium, floor, floorWindow, expected, floorReports, steady);
                KeepBest(bestFloorSteady, steady, seconds >= 0 && steady >= 0);
                RemoveTree(floor);
                break;
            }
            case kPage: {
                const PageRun run = RunPage(medium, install);
                seconds = run.ok ? run.seconds : -1;
                KeepBest(bestConfigure, run.configureSeconds, run.ok);
                KeepBest(bestPage, run.parts, run.ok);
                pageReports = run.progress;
                RemoveTree(install);
                break;
            }
            case kMessageOnly:
            case kSilent: {
                const InstallRun run = RunInstall(medium, install, variant == kSilent ? nullptr : &window);
                seconds = run.ok ? run.seconds : -1;
                if (variant == kMessageOnly)
                    messageReports = run.progress;
                RemoveTree(install);
                break;
            }
            default:
                break;
            }
            ok = seconds >= 0;
            std::fprintf(stderr, "install_bench: round %u: %s %.3f s\n", round + 1, kNames[variant], seconds);
            KeepBest(best[variant], seconds, ok);
        }
    }
    RemoveTree(install);
    RemoveTree(copy);
    RemoveTree(floor);
    if (!ok) {
        std::fprintf(stderr, "install_bench: stopped: a run failed\n");
        return 1;
    }
    for (long reports : {pageReports, floorReports, messageReports}) {
        if (reports >= 0 && reports != expected)
            std::fprintf(stderr, "install_bench: %ld progress reports, %ld entries\n", reports, expected);
    }

    std::printf("files: %u\n", options.files);
    std::printf("folders: %u\n", static_cast<unsigned>(folders.size()));
    std::printf("megabytes: %u\n", options.megabytes);
    std::printf("medium: %s\n", reused ? "reused" : "generated");
    PrintFigure("medium_seconds", 3, prepareSeconds);
    std::printf("rounds: %u\n", options.rounds);
    std::printf("install_entries: %ld\n", expected);
    // The scaling runs: the time per entry that must stay flat over the
    // sizes, from the first entry's report to the last one's. The start
    // and the end, which should not grow with the files, are printed beside
    // it at every size, and so is the whole copy divided by the entries.
    if (options.pageOnly) {
        PrintScalingFigures("install", static_cast<long>(options.files), pageReports > 1 ? pageReports - 1 : 0,
                            bestPage, PerEntryUs(best[kPage], expected),
                            PerEntryUs(bestFloorSteady, floorReports > 1 ? floorReports - 1 : 0));
        std::fflush(stdout);
        return 0;
    }
    PrintFigure("install_page_seconds", 3, best[kPage]);
    PrintFigure("install_page_us_per_entry", 1, PerEntryUs(best[kPage], expected));
    PrintFigure("install_page_configure_seconds", 3, bestConfigure);
    PrintFigure("install_floor_seconds", 3, best[kFloor]);
    PrintFigure("install_floor_us_per_entry", 1, PerEntryUs(best[kFloor], expected));
    PrintFigure("install_vs_floor_ratio", 3, best[kPage] / best[kFloor]);
    std::printf("install_vs_floor_target: 1.05\n");
    PrintFigure("bare_copy_seconds", 3, best[kBare]);
    PrintFigure("bare_copy_us_per_file", 1, PerEntryUs(best[kBare], static_cast<long>(options.files)));
    PrintFigure("install_page_vs_copy_ratio", 3, best[kPage] / best[kBare]);
    PrintFigure("install_floor_vs_copy_ratio", 3, best[kFloor] / best[kBare]);
    // The figures of the message-only window and of no window at all are
    // whole runs, the configuration included.
    PrintFigure("install_seconds", 3, best[kMessageOnly]);
    PrintFigure("install_vs_copy_ratio", 3, best[kMessageOnly] / best[kBare]);
    PrintFigure("install_no_window_seconds", 3, best[kSilent]);
    PrintFigure("install_no_window_vs_copy_ratio", 3, best[kSilent] / best[kBare]);
    std::fflush(stdout);

    // The working set of a whole install on the progress page, in a fresh
    // process of its own so that nothing of this one counts.
    const std::string result = options.work + "\\peak.txt";
    ::DeleteFileA(result.c_str());
    const std::string arguments = "--files " + std::to_string(options.files) + " --megabytes " +
                                  std::to_string(options.megabytes) + " --work \"" + options.work +
                                  "\" --child \"" + result + "\"";
    if (RunSelf(arguments) == 0) {
        const double bytes = std::atof(testfs::ReadFile(result).c_str());
        PrintFigure("install_peak_working_set_mb", 1, bytes / (1 << 20));
        std::printf("install_peak_working_set_target_mb: 30\n");
    } else {
        std::fprintf(stderr, "install_bench: the working-set run failed\n");
    }
    ::DeleteFileA(result.c_str());
    std::fflush(stdout);
    return 0;
}
