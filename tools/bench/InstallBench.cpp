// install_bench: how much longer the installation worker takes than a bare
// recursive copy of the same medium, and what one synchronous progress
// report costs.
//
// Usage: install_bench [--files N] [--megabytes M] [--work DIR] [--rounds R]
//
// It builds a medium of N files (about M MB in all) under DIR\medium, kept
// for the next run with the same N and M, installs it into DIR\install with
// CSetupThread reporting to a message-only window, copies it into
// DIR\barecopy with a plain FindFirstFile/CopyFile loop, and prints its
// figures as "name: value" lines on stdout.

#include "BenchSupport.h"
#include "Unattended.h"
#include "winlib/Handles.h"
#include "winlib/WinThread.h"
#include "winlib/Wnd.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace bench;

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
    unsigned rounds = 2;
    std::string work;  // no trailing backslash
};

// Makes path and every missing folder above it. Walks by characters, since
// the second byte of a GBK character may be a backslash.
bool MakeFolders(const std::string& path)
{
    for (const char* p = path.c_str(); *p != '\0'; p = ::CharNextA(p)) {
        if (*p != '\\' || p == path.c_str() || p[-1] == ':')
            continue;
        const std::string prefix(path.c_str(), p);
        if (!Exists(prefix))
            ::CreateDirectoryA(prefix.c_str(), nullptr);
    }
    return ::CreateDirectoryA(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

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
    std::vector<std::string> folders(CSetupThread::ProductFolders().begin(),
                                     CSetupThread::ProductFolders().end());
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

std::string ReadSmallFile(const std::string& path)
{
    winlib::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::string();
    char buffer[256];
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr))
        return std::string();
    return std::string(buffer, got);
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
    reused = Exists(medium) && ReadSmallFile(stampPath) == stamp;
    if (reused)
        return true;

    ::DeleteFileA(stampPath.c_str());
    if (!DeleteTree(medium) || !::CreateDirectoryA(medium.c_str(), nullptr)) {
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

    winlib::ScopedHandle file(::CreateFileA(stampPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), stamp.data(), static_cast<DWORD>(stamp.size()), &written, nullptr);
}

// ---------------------------------------------------------------------------
// The message side

// Stands in for the progress page: besides counting the reports, it reads
// the two paths of each while the send lasts, as the page does, but draws
// nothing.
class ProgressWindow : public InstallReportWindow {
public:
    void Reset()
    {
        InstallReportWindow::Reset();
        pathBytes = 0;
    }

    std::size_t pathBytes = 0;

protected:
    void OnProgress(const char* source, const char* destination) override
    {
        pathBytes += std::strlen(source) + std::strlen(destination);
    }
};

// Pumps messages until handle is signalled, then takes what was posted
// last (the worker posts WM_SETUP_DONE just before it ends).
void PumpUntilSignalled(HANDLE handle)
{
    winlib::WaitPumpingMessages(handle);
    winlib::PumpWaitingMessages();
}

struct InstallRun {
    double seconds = 0;
    long progress = 0;
    bool ok = false;
};

// One installation of medium into install (emptied first). With no window
// the worker runs without reporting, which shows what the reports cost.
InstallRun RunInstall(const std::string& medium, const std::string& install, ProgressWindow* window)
{
    InstallRun run;
    if (!DeleteTree(install)) {
        std::fprintf(stderr, "install_bench: cannot empty %s\n", install.c_str());
        return run;
    }
    UnattendedSetupThread thread;
    thread.m_strSourceDir = medium + "\\";
    thread.m_strInstallDir = install + "\\";
    thread.m_pMainWnd = window;
    thread.m_bAutoDelete = FALSE;
    if (window != nullptr)
        window->Reset();

    const Stopwatch clock;
    if (!thread.CreateThread()) {
        std::fprintf(stderr, "install_bench: cannot start the worker (error %lu)\n", ::GetLastError());
        return run;
    }
    PumpUntilSignalled(thread.m_hThread);
    run.seconds = clock.Seconds();

    if (!thread.m_questions.empty())
        std::fprintf(stderr, "install_bench: the worker asked:\n%s\n", thread.m_questions.front().c_str());
    run.ok = thread.m_questions.empty() && (window == nullptr || (window->done && !window->failed));
    if (window != nullptr)
        run.progress = window->progress;
    return run;
}

// Seconds of one bare copy of medium into copy (emptied first); negative
// when something could not be copied.
double RunBareCopy(const std::string& medium, const std::string& copy)
{
    if (!DeleteTree(copy)) {
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

// Mean microseconds of one WM_SETUP_PROGRESS sent from another thread to
// window while this thread pumps, with two short paths as the worker sends.
// The sender stops after count messages or kRoundTripSeconds, whichever
// comes first (a send can cost hundreds of microseconds under Wine); sent
// tells how many it sent, received how many the window took.
double MeasureRoundTrip(ProgressWindow& window, long count, long& sent, long& received)
{
    window.Reset();
    winlib::ScopedHandle finished(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const HWND hwnd = window.m_hWnd;
    const HANDLE event = finished.get();
    long sentByThread = 0;

    const Stopwatch clock;
    std::thread sender([hwnd, event, count, &clock, &sentByThread] {
        static const char source[] = "D:\\Support\\图层01\\part00001.dwg";
        static const char destination[] = "C:\\ZEMLO V8.0\\Support\\图层01\\part00001.dwg";
        long i = 0;
        while (i < count) {
            ::SendMessageA(hwnd, WM_SETUP_PROGRESS, reinterpret_cast<WPARAM>(source),
                           reinterpret_cast<LPARAM>(destination));
            // The clock is read once per hundred sends, so that reading it
            // adds nothing worth mentioning.
            if (++i % 100 == 0 && clock.Seconds() >= kRoundTripSeconds)
                break;
        }
        sentByThread = i;
        ::SetEvent(event);
    });
    PumpUntilSignalled(event);
    const double seconds = clock.Seconds();
    sender.join();

    sent = sentByThread;
    received = window.progress;
    return seconds * 1e6 / static_cast<double>(sent);
}

// ---------------------------------------------------------------------------

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
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
        } else {
            return false;
        }
    }
    return NormaliseWorkFolder(options.work);
}

// Points HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER of this process at
// scratch keys while it lives, so that the installs of the benchmark
// neither register a product nor put shortcuts on the prefix's desktop
// (without shell folders there are no shortcuts), then deletes them.
class ScratchRegistry {
public:
    ScratchRegistry()
    {
        const HKEY roots[2] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
        for (int i = 0; i < 2; ++i) {
            const std::string path = std::string(kScratchKey) + (i == 0 ? "\\HKLM" : "\\HKCU");
            HKEY key = nullptr;
            if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr) == ERROR_SUCCESS) {
                m_keys[i].reset(key);
                ::RegOverridePredefKey(roots[i], key);
            }
        }
    }
    ~ScratchRegistry()
    {
        ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        m_keys[0].reset();
        m_keys[1].reset();
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    }
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

private:
    static constexpr const char* kScratchKey = "Software\\ZemloBench";
    winlib::ScopedRegKey m_keys[2];
};

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: install_bench [--files N] [--megabytes M] [--work DIR] [--rounds R]\n"
                     "  defaults: N=10000, M=200, DIR=%%TEMP%%\\zemlo-bench, R=2\n");
        return 2;
    }
    const std::string medium = options.work + "\\medium";
    const std::string install = options.work + "\\install";
    const std::string copy = options.work + "\\barecopy";
    if (!MakeFolders(options.work)) {
        std::fprintf(stderr, "install_bench: cannot make %s (error %lu)\n", options.work.c_str(), ::GetLastError());
        return 1;
    }

    const std::vector<std::string> folders = PlanFolders(options.files);
    bool reused = false;
    const Stopwatch prepareClock;
    if (!PrepareMedium(options, medium, folders, reused))
        return 1;
    const double prepareSeconds = prepareClock.Seconds();

    const ScratchRegistry registry;
    ProgressWindow window;
    if (!window.CreateMessageOnly()) {
        std::fprintf(stderr, "install_bench: cannot create the window (error %lu)\n", ::GetLastError());
        return 1;
    }

    // Each round runs the bare copy and the install back to back, in
    // alternating order (so neither always inherits the other's cache and
    // write-back state), and then the install without a window; the best
    // time of each over the rounds counts.
    double bestInstall = -1;
    double bestCopy = -1;
    double bestSilent = -1;
    long progress = -1;
    bool ok = true;
    for (unsigned round = 0; round < options.rounds && ok; ++round) {
        for (int step = 0; step < 2 && ok; ++step) {
            if ((step == 0) == (round % 2 == 0)) {
                const double seconds = RunBareCopy(medium, copy);
                ok = seconds >= 0;
                std::fprintf(stderr, "install_bench: round %u: bare copy %.3f s\n", round + 1, seconds);
                KeepBest(bestCopy, seconds, ok);
                DeleteTree(copy);
            } else {
                const InstallRun run = RunInstall(medium, install, &window);
                ok = run.ok;
                std::fprintf(stderr, "install_bench: round %u: install %.3f s\n", round + 1, run.seconds);
                KeepBest(bestInstall, run.seconds, ok);
                if (progress >= 0 && run.progress != progress)
                    std::fprintf(stderr, "install_bench: %ld progress reports, %ld before\n", run.progress, progress);
                progress = run.progress;
                DeleteTree(install);
            }
        }
        if (ok) {
            const InstallRun run = RunInstall(medium, install, nullptr);
            ok = run.ok;
            std::fprintf(stderr, "install_bench: round %u: install without window %.3f s\n", round + 1,
                         run.seconds);
            KeepBest(bestSilent, run.seconds, ok);
            DeleteTree(install);
        }
    }
    DeleteTree(install);
    DeleteTree(copy);
    if (!ok) {
        std::fprintf(stderr, "install_bench: stopped: a run failed\n");
        return 1;
    }

    long sent = 0;
    long received = 0;
    const double roundTripUs = MeasureRoundTrip(window, kRoundTripMessages, sent, received);

    // One report per entry below the product folders: every file and every
    // subfolder.
    const long expected = static_cast<long>(options.files + folders.size() - 7);
    if (progress != expected)
        std::fprintf(stderr, "install_bench: %ld progress reports, %ld entries\n", progress, expected);
    if (received != sent)
        std::fprintf(stderr, "install_bench: %ld of %ld round-trip messages arrived\n", received, sent);

    // install_no_window_* is the worker with nobody to report to (no sends);
    // progress_send_estimate_seconds is progress_messages round trips.
    std::printf("files: %u\n", options.files);
    std::printf("folders: %u\n", static_cast<unsigned>(folders.size()));
    std::printf("megabytes: %u\n", options.megabytes);
    std::printf("medium: %s\n", reused ? "reused" : "generated");
    PrintFigure("medium_seconds", 3, prepareSeconds);
    std::printf("rounds: %u\n", options.rounds);
    PrintFigure("install_seconds", 3, bestInstall);
    PrintFigure("bare_copy_seconds", 3, bestCopy);
    PrintFigure("install_vs_copy_ratio", 3, bestInstall / bestCopy);
    std::printf("install_vs_copy_target: 1.15\n");
    PrintFigure("install_no_window_seconds", 3, bestSilent);
    PrintFigure("install_no_window_vs_copy_ratio", 3, bestSilent / bestCopy);
    std::printf("progress_messages: %ld\n", progress);
    PrintFigure("progress_roundtrip_us", 2, roundTripUs);
    std::printf("progress_roundtrip_messages: %ld\n", sent);
    PrintFigure("progress_send_estimate_seconds", 3,
                static_cast<double>(progress) * roundTripUs / 1e6);
    std::fflush(stdout);
    return 0;
}
