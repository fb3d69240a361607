// ui_bench: what a user waits for outside the copy and the replay: the time
// from starting Setup.exe to its welcome page being shown and from starting
// Uninstall.exe to its confirmation, one repaint of Setup's frame
// background at 1920 x 1080 (it decodes the picture each time), whether
// the frame's GDI objects stay constant over 1,000 repaints, and what the
// progress bar's repaints cost as it fills (their number does not grow with
// the files, so they weigh most in a small install).
//
// Usage: ui_bench --medium DIR [--rounds R]
//
// DIR is the sample medium (Setup.exe, Uninstall.exe and the background
// pictures in "安装界面"). The programs are started R times each (best and
// first start reported) and ended by this program once their first window
// is up; nothing is installed or removed. Figures are printed as
// "name: value" lines on stdout.

#include "BenchSupport.h"
#include "DriveKit.h"
#include "FileHelpers.h"
#include "SetupDlg.h"
#include "SetupIds.h"
#include "controls/PercentProgressCtrl.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr double kStartTimeoutSeconds = 30.0;
constexpr int kRepaints = 1000;
// The bar of the progress page: its size and a 10,000-file install's range.
constexpr int kBarWidth = 463;
constexpr int kBarHeight = 23;
constexpr int kBarSteps = 10015;

struct Options {
    std::string medium;  // no trailing backslash
    unsigned rounds = 3;
};

// Seconds from starting program (its current folder: folder) until one of
// its windows shows the control; negative when it did not within the time
// limit. The program is ended either way.
double TimeStart(const std::string& program, const std::string& folder, int control)
{
    std::string line = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const Stopwatch clock;
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info)) {
        std::fprintf(stderr, "ui_bench: cannot start %s (error %lu)\n", program.c_str(), ::GetLastError());
        return -1;
    }
    winlib::ScopedHandle process(info.hProcess);
    winlib::ScopedHandle thread(info.hThread);
    double seconds = -1;
    for (;;) {
        // A shown window of the program that shows the control (shown too).
        const HWND found = drivekit::FindProcessWindow(info.dwProcessId, false, [control](HWND hwnd) {
            const HWND item = ::GetDlgItem(hwnd, control);
            return item != nullptr && ::IsWindowVisible(item);
        });
        const double now = clock.Seconds();
        if (found != nullptr) {
            seconds = now;
            break;
        }
        if (now > kStartTimeoutSeconds || ::WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) {
            std::fprintf(stderr, "ui_bench: %s showed no window with control %d\n", program.c_str(), control);
            break;
        }
    }
    ::TerminateProcess(process.get(), 1);
    ::WaitForSingleObject(process.get(), 10000);
    return seconds;
}

// The process's GDI objects where the system counts them (Wine answers 0).
DWORD GdiObjects()
{
    return ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
}

// The progress page's bar filled from empty to full one step at a time, as
// the worker's reports fill it, in a shown window: counts the times it
// draws itself.
class SweptBar : public CPercentProgressCtrl {
public:
    int m_nPaints = 0;

protected:
    void Draw(CDC& target) override
    {
        ++m_nPaints;
        CPercentProgressCtrl::Draw(target);
    }
};

// Seconds of one sweep; the bar's paints in it go to paints. Negative when
// the window cannot be made.
double SweepBar(int& paints)
{
    const HWND host = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100,
                                        kBarWidth + 40, kBarHeight + 40, nullptr, nullptr, nullptr, nullptr);
    if (host == nullptr)
        return -1;
    const HWND child = ::CreateWindowExA(WS_EX_CLIENTEDGE, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH,
                                         20, 20, kBarWidth, kBarHeight, host, nullptr, nullptr, nullptr);
    double seconds = -1;
    {
        SweptBar bar;
        if (child != nullptr && bar.SubclassWindow(child)) {
            bar.SetRange(0, kBarSteps);
            bar.SetStep(1);
            bar.EnableText(TRUE);
            ::UpdateWindow(host);
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageA(&msg);
            bar.m_nPaints = 0;
            const Stopwatch clock;
            for (int i = 0; i < kBarSteps; ++i)
                bar.StepIt();
            seconds = clock.Seconds();
            paints = bar.m_nPaints;
        }
        if (child != nullptr)
            ::DestroyWindow(child);
    }
    ::DestroyWindow(host);
    return seconds;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--medium")
            options.medium = argv[i + 1];
        else if (arg == "--rounds") {
            if (!ParseNumber(argv[i + 1], options.rounds) || options.rounds == 0)
                return false;
        } else
            return false;
    }
    if (argc % 2 == 0 || options.medium.empty())
        return false;
    return NormaliseWorkFolder(options.medium);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: ui_bench --medium DIR [--rounds R]\n");
        return 2;
    }
    if (!testfs::Exists(options.medium + "\\Setup.exe")) {
        std::fprintf(stderr, "ui_bench: no Setup.exe in %s\n", options.medium.c_str());
        return 1;
    }

    // Starting the programs: the first start of each is cold.
    double setupFirst = -1, setupBest = -1, uninstallFirst = -1, uninstallBest = -1;
    for (unsigned round = 0; round < options.rounds; ++round) {
        const double setup = TimeStart(options.medium + "\\Setup.exe", options.medium, IDC_NEXT);
        const double uninstall = TimeStart(options.medium + "\\Uninstall.exe", options.medium, IDYES);
        std::fprintf(stderr, "ui_bench: round %u: Setup %.3f s, Uninstall %.3f s\n", round + 1, setup, uninstall);
        if (round == 0) {
            setupFirst = setup;
            uninstallFirst = uninstall;
        }
        KeepBest(setupBest, setup, setup >= 0);
        KeepBest(uninstallBest, uninstall, uninstall >= 0);
    }
    PrintFigure("setup_start_to_welcome_seconds", 3, setupBest);
    PrintFigure("setup_start_to_welcome_first_seconds", 3, setupFirst);
    std::printf("setup_start_to_welcome_target: 1.0\n");
    PrintFigure("uninstall_start_to_question_seconds", 3, uninstallBest);
    PrintFigure("uninstall_start_to_question_first_seconds", 3, uninstallFirst);
    std::fflush(stdout);

    // The bar's repaints: best of the rounds.
    double sweep = -1;
    int paints = 0;
    for (unsigned round = 0; round < options.rounds; ++round) {
        int roundPaints = 0;
        const double seconds = SweepBar(roundPaints);
        if (seconds >= 0 && (sweep < 0 || seconds < sweep)) {
            sweep = seconds;
            paints = roundPaints;
        }
    }
    if (sweep >= 0 && paints > 0) {
        PrintFigure("bar_sweep_ms", 1, sweep * 1e3);
        std::printf("bar_sweep_paints: %d\n", paints);
        PrintFigure("bar_repaint_us", 1, sweep * 1e6 / paints);
    } else {
        std::fprintf(stderr, "ui_bench: the bar could not be swept\n");
    }
    std::fflush(stdout);

    // The frame's background, as its paint draws it, into a 1920 x 1080
    // off-screen surface.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        CSetupDlg frame;
        frame.FindPictures(options.medium + "\\安装界面\\", "*.jpg", frame.m_arrPictures);
        const HDC screen = ::GetDC(nullptr);
        const winlib::ScopedMemDC dc(::CreateCompatibleDC(screen));
        winlib::ScopedBitmap surface(::CreateCompatibleBitmap(screen, 1920, 1080));
        ::ReleaseDC(nullptr, screen);
        const RECT rect = {0, 0, 1920, 1080};
        if (!dc || !surface || frame.m_arrPictures.empty()) {
            std::fprintf(stderr, "ui_bench: no pictures or no surface for the frame\n");
        } else {
            const winlib::ScopedSelectObject select(dc.get(), surface.get());
            // The best time of each picture; the slowest picture's counts.
            std::vector<double> best(frame.m_arrPictures.size(), -1.0);
            const auto paint = [&](int times) {
                for (int i = 0; i < times; ++i) {
                    frame.m_nPicture = i % static_cast<int>(frame.m_arrPictures.size());
                    const Stopwatch clock;
                    frame.PaintBackground(dc.get(), rect);
                    KeepBest(best[static_cast<std::size_t>(frame.m_nPicture)], clock.Seconds());
                }
            };
            paint(1);  // the decoder's first load
            const DWORD objectsBefore = GdiObjects();
            const unsigned mark = objectsBefore == 0 ? drivekit::HighestFreshGdiSlot(1500) : 0;
            const Stopwatch all;
            paint(kRepaints);
            const double mean = all.Seconds() / kRepaints;
            const DWORD objectsAfter = GdiObjects();
            PrintFigure("frame_repaint_1920x1080_ms", 1, *std::max_element(best.begin(), best.end()) * 1e3);
            PrintFigure("frame_repaint_1920x1080_mean_ms", 1, mean * 1e3);
            std::printf("frame_repaint_target_ms: 50\n");
            std::printf("frame_pictures: %u\n", static_cast<unsigned>(frame.m_arrPictures.size()));
            if (objectsBefore != 0) {
                std::printf("frame_gdi_objects_before: %lu\n", objectsBefore);
                std::printf("frame_gdi_objects_after_%d_repaints: %lu\n", kRepaints, objectsAfter);
            } else {
                // Without a per-process count: 1,000 repaints that each kept
                // an object would have pushed the mark up.
                std::printf("frame_gdi_objects_counted: no\n");
                std::printf("frame_gdi_slots_grew_over_%d_repaints: %s\n", kRepaints,
                            drivekit::HighestFreshGdiSlot(1500) > mark ? "yes" : "no");
            }
        }
    }
    ::CoUninitialize();
    std::fflush(stdout);
    return 0;
}
