// Pieces the benchmarks share beside the test kit's (tests/support: files
// and folders, the registry redirected, the window the workers report to):
// a stopwatch, the plain recursive copy and delete loops that serve as
// their yardsticks, the floor's window, the work folder option and the
// figure lines they print.
#pragma once

#include "winlib/Handles.h"

#include <windows.h>

#include <functional>
#include <string>

namespace bench {

class Stopwatch {
public:
    Stopwatch();
    double Seconds() const;

private:
    LARGE_INTEGER m_start;
};

bool IsDots(const char* name);

// Calls visit(data) with each entry of folder but "." and "..", until visit
// returns false. False when the folder cannot be listed. The search handle
// is closed again before it returns (so the folder can then be removed).
template <typename Visit>
bool ForEachEntry(const std::string& folder, Visit&& visit)
{
    WIN32_FIND_DATAA data;
    winlib::ScopedFindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find)
        return false;
    do {
        if (!IsDots(data.cFileName) && !visit(static_cast<const WIN32_FIND_DATAA&>(data)))
            break;
    } while (::FindNextFileA(find.get(), &data));
    return true;
}

// The yardsticks: the plainest recursive copy and delete there are
// (FindFirstFile/CopyFileA, FindFirstFile/DeleteFileA/RemoveDirectoryA).
// True when every entry was copied or deleted.
bool BareCopyTree(const std::string& source, const std::string& destination);
bool BareDeleteTree(const std::string& folder);

// The parts of a run that reports each entry as it goes: up to the first
// report (the start), from the first report to the last (the steady part,
// whose time per entry must not grow with the entries), and after the last
// (the end). Negative when not known.
struct RunParts {
    double startSeconds = -1;
    double steadySeconds = -1;
    double endSeconds = -1;
};

// Times a run's reports from its start: when the first and the last came,
// and how many there were.
class ReportClock {
public:
    // Starts timing afresh, with no reports.
    void Start();
    // Notes a report now.
    void Report();
    // Seconds since Start.
    double Seconds() const { return m_clock.Seconds(); }
    long Reports() const { return m_reports; }
    // The parts of the run that ended end seconds after Start; all unknown
    // without a report or without an end (end negative).
    RunParts Parts(double end) const;

private:
    Stopwatch m_clock;
    long m_reports = 0;
    double m_first = -1;
    double m_last = -1;
};

// The sizes of the floor window's status line and bar; by default about
// those of the progress page.
struct FloorLayout {
    SIZE status = {459, 20};
    SIZE bar = {463, 23};
};

// The floor's window: a visible top-level window of our own with a status
// line (a static showing one line, shortened in the middle, as the
// programs' status lines do) and a bar. kReport, sent with a path as lParam,
// sets the status line to "<path> ..." and steps the bar, which is
// repainted (at once) only when its filled width changes: the least a
// window showing each entry can do.
class FloorWindow {
public:
    static constexpr UINT kReport = WM_APP + 40;

    FloorWindow() = default;
    ~FloorWindow();
    FloorWindow(const FloorWindow&) = delete;
    FloorWindow& operator=(const FloorWindow&) = delete;

    // Creates and shows the window; false when it cannot be made.
    bool Create(const char* caption, const FloorLayout& layout = FloorLayout());
    // Empties the bar and sets its range to entries steps.
    void Reset(int entries);
    HWND Handle() const { return m_hwnd; }
    long Reports() const { return m_reports; }
    // Seconds from the first report to the last since the last Reset (the
    // steady part of a run, without its start and end); negative before
    // two reports.
    double SteadySeconds() const;

private:
    static LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK BarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Step();

    HWND m_hwnd = nullptr;
    HWND m_status = nullptr;
    HWND m_bar = nullptr;
    winlib::ScopedFont m_font;
    long m_reports = 0;
    LARGE_INTEGER m_firstReport = {};
    LARGE_INTEGER m_lastReport = {};
    int m_range = 1;
    int m_fill = -1;
};

// Runs work on a new thread while this thread serves its messages (so the
// thread's synchronous sends to this thread's windows are answered), and
// returns once it has ended.
void RunServingMessages(const std::function<void()>& work);

// The most memory the process has had in its working set so far, in bytes.
double PeakWorkingSetBytes();

// Starts this program again with arguments (UTF-8 or GBK as given, after
// the program's own path) and waits for it; its exit code, or -1 when it
// could not be started.
int RunSelf(const std::string& arguments);

// A decimal number of at most 1,000,000,000.
bool ParseNumber(const char* text, unsigned& value);
// The work folder without trailing backslashes; when none is given, the
// "zemlo-bench" folder in the temporary folder. False when there is none.
bool NormaliseWorkFolder(std::string& work);

// Keeps the best (shortest) time of the rounds: seconds replaces best when
// the run counted (ok) and best is still unset (negative) or longer.
void KeepBest(double& best, double seconds, bool ok = true);
// The same for each part of a run that counted and is known.
void KeepBest(RunParts& best, const RunParts& parts, bool ok);

// Microseconds per entry; 0 without entries.
double PerEntryUs(double seconds, long entries);

// One figure as a "name: value" line on stdout.
void PrintFigure(const char* name, int decimals, double value);

// The figures of one size of a scaling run, as "<what>_<size>_files_<figure>"
// lines: the steady part's microseconds per entry, its entries and
// milliseconds, the start's and the end's milliseconds, the whole run's and
// the floor's microseconds per entry.
void PrintScalingFigures(const char* what, long size, long steadyEntries, const RunParts& best,
                         double wholeUsPerEntry, double floorUsPerEntry);

}  // namespace bench
