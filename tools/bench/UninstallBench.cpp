// uninstall_bench: how much longer the uninstall worker's replay of an
// install log takes than a bare recursive delete of the same tree, and how
// fast the log is read and parsed at scale.
//
// Usage: uninstall_bench [--work DIR] [--rounds R] [--lines N]
//
// It installs the medium that install_bench leaves in DIR\medium (run that
// first) into DIR\replay with the install worker, copies the installed tree
// into DIR\bare and DIR\spare, and then times, in the same round, the
// replay of DIR\replay\Uninstall.log by CUninstallThread reporting to a
// pumping window against a plain FindFirstFile/DeleteFileA/RemoveDirectoryA
// loop over DIR\bare, and then the replay without a window (DIR\spare put
// in place first). Then it generates logs of N and N/4 lines and times
// ReadLog, CountEntries of every kind and one full FindNextEntry scan of
// every kind. Figures are printed as "name: value" lines on stdout.

#include "BenchSupport.h"
#include "Unattended.h"
#include "UninstallThread.h"
#include "installlog/InstallLog.h"
#include "winlib/Handles.h"
#include "winlib/StdioFile.h"
#include "winlib/WinThread.h"
#include "winlib/Wnd.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace bench;

struct Options {
    std::string work;  // no trailing backslash
    unsigned rounds = 2;
    unsigned lines = 1000000;
};

// ---------------------------------------------------------------------------
// The replay

// Stands in for the uninstall window: counts the file reports and reads
// each path while the send lasts, as the window's status line does.
class ReplayWindow : public CWnd {
public:
    long files = 0;
    std::size_t pathBytes = 0;
    bool done = false;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_UNINSTALL_FILE:
            ++files;
            pathBytes += std::strlen(reinterpret_cast<const char*>(lParam));
            return 1;
        case WM_UNINSTALL_FILES_DONE:
            return 1;
        case WM_UNINSTALL_DONE:
            done = true;
            return 1;
        default:
            return CWnd::WindowProc(message, wParam, lParam);
        }
    }
};

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
    DeleteTree(install);
    InstallReportWindow window;
    if (!window.CreateMessageOnly())
        return false;
    UnattendedSetupThread thread;
    thread.m_strSourceDir = medium + "\\";
    thread.m_strInstallDir = install + "\\";
    thread.m_pMainWnd = &window;
    thread.m_bAutoDelete = FALSE;
    if (!thread.CreateThread())
        return false;
    winlib::WaitPumpingMessages(thread.m_hThread);
    winlib::PumpWaitingMessages();
    if (!thread.m_questions.empty())
        std::fprintf(stderr, "uninstall_bench: the install worker asked:\n%s\n", thread.m_questions.front().c_str());
    return thread.m_questions.empty() && window.done && !window.failed;
}

struct ReplayRun {
    double seconds = -1;
    long files = 0;
    bool ok = false;
};

// What the window does from reading the log to the worker's end. With no
// window the worker runs without reporting, which shows what the reports
// cost.
ReplayRun RunReplay(const std::string& install, ReplayWindow* window)
{
    ReplayRun run;
    if (window != nullptr) {
        window->files = 0;
        window->done = false;
    }
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
        run.files = window->files;
        run.ok = window->done && window->files == expected;
    }
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
        int position = 0, start = 0, length = 0;
        while (thread.FindNextEntry(kind, position, start, length))
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
        } else {
            return false;
        }
    }
    return NormaliseWorkFolder(options.work);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: uninstall_bench [--work DIR] [--rounds R] [--lines N]\n"
                             "  defaults: DIR=%%TEMP%%\\zemlo-bench (holding install_bench's medium), R=2, N=1000000\n");
        return 2;
    }
    const std::string medium = options.work + "\\medium";
    const std::string replay = options.work + "\\replay";
    const std::string bare = options.work + "\\bare";
    if (!Exists(medium + "\\Support")) {
        std::fprintf(stderr, "uninstall_bench: no medium in %s (run install_bench first)\n", medium.c_str());
        return 1;
    }

    ReplayWindow window;
    if (!window.CreateMessageOnly()) {
        std::fprintf(stderr, "uninstall_bench: cannot create the window (error %lu)\n", ::GetLastError());
        return 1;
    }

    // Each round installs afresh and copies the installed tree twice, then
    // times the replay and the bare delete back to back in alternating
    // order, and then (the second copy put in place of the installation) the
    // replay without a window; the best time of each counts.
    const std::string spare = options.work + "\\spare";
    double bestSilent = -1;
    double bestReplay = -1;
    double bestDelete = -1;
    long files = -1;
    bool ok = true;
    for (unsigned round = 0; round < options.rounds && ok; ++round) {
        ok = Install(medium, replay);
        DeleteTree(bare);
        DeleteTree(spare);
        ok = ok && BareCopyTree(replay, bare) && BareCopyTree(replay, spare);
        if (!ok) {
            std::fprintf(stderr, "uninstall_bench: cannot prepare round %u\n", round + 1);
            break;
        }
        for (int step = 0; step < 2 && ok; ++step) {
            if ((step == 0) == (round % 2 == 0)) {
                const Stopwatch clock;
                ok = BareDeleteTree(bare);
                const double seconds = clock.Seconds();
                std::fprintf(stderr, "uninstall_bench: round %u: bare delete %.3f s\n", round + 1, seconds);
                KeepBest(bestDelete, seconds, ok);
            } else {
                const ReplayRun run = RunReplay(replay, &window);
                ok = run.ok;
                std::fprintf(stderr, "uninstall_bench: round %u: replay %.3f s\n", round + 1, run.seconds);
                KeepBest(bestReplay, run.seconds, ok);
                files = run.files;
            }
        }
        // The replay leaves the install folder itself (the self-removal's
        // part), nothing else.
        if (ok && Exists(replay)) {
            WIN32_FIND_DATAA data;
            winlib::ScopedFindHandle find(::FindFirstFileA((replay + "\\*").c_str(), &data));
            int left = 0;
            if (find) {
                do {
                    if (!IsDots(data.cFileName))
                        ++left;
                } while (::FindNextFileA(find.get(), &data));
            }
            if (left != 0)
                std::fprintf(stderr, "uninstall_bench: %d entries left after the replay\n", left);
        }
        if (ok) {
            DeleteTree(replay);
            ok = ::MoveFileA(spare.c_str(), replay.c_str()) != FALSE;
            const ReplayRun run = ok ? RunReplay(replay, nullptr) : ReplayRun();
            ok = run.ok;
            std::fprintf(stderr, "uninstall_bench: round %u: replay without window %.3f s\n", round + 1,
                         run.seconds);
            KeepBest(bestSilent, run.seconds, ok);
        }
        DeleteTree(replay);
        DeleteTree(bare);
        DeleteTree(spare);
    }
    if (!ok) {
        std::fprintf(stderr, "uninstall_bench: stopped: a run failed\n");
        return 1;
    }

    // Parsing: N lines and a quarter of that, to show it grows linearly.
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

    std::printf("uninstall_files: %ld\n", files);
    std::printf("uninstall_rounds: %u\n", options.rounds);
    PrintFigure("uninstall_seconds", 3, bestReplay);
    PrintFigure("bare_delete_seconds", 3, bestDelete);
    PrintFigure("uninstall_vs_delete_ratio", 3, bestReplay / bestDelete);
    std::printf("uninstall_vs_delete_target: 1.15\n");
    // The worker with nobody to report to: the part of the replay that is
    // not the synchronous file reports.
    PrintFigure("uninstall_no_window_seconds", 3, bestSilent);
    PrintFigure("uninstall_no_window_vs_delete_ratio", 3, bestSilent / bestDelete);
    std::printf("parse_lines: %u\n", sizes[0]);
    PrintFigure("parse_1m_lines_seconds", 3, bestParse[0]);
    std::printf("parse_1m_lines_target: 1.0\n");
    std::printf("parse_quarter_lines: %u\n", sizes[1]);
    PrintFigure("parse_250k_lines_seconds", 3, bestParse[1]);
    PrintFigure("parse_linearity_ratio", 2, bestParse[1] > 0 ? bestParse[0] / bestParse[1] : 0.0);
    std::fflush(stdout);
    return 0;
}
