#include "BenchSupport.h"

#include "winlib/Handles.h"
#include "winlib/StringUtil.h"
#include "winlib/WinThread.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <thread>

namespace bench {

Stopwatch::Stopwatch()
{
    ::QueryPerformanceCounter(&m_start);
}

double Stopwatch::Seconds() const
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - m_start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool IsDots(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

bool BareCopyTree(const std::string& source, const std::string& destination)
{
    if (!::CreateDirectoryA(destination.c_str(), nullptr))
        return false;
    bool ok = true;
    const bool listed = ForEachEntry(source, [&](const WIN32_FIND_DATAA& data) {
        const std::string from = source + "\\" + data.cFileName;
        const std::string to = destination + "\\" + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = BareCopyTree(from, to) && ok;
        else
            ok = ::CopyFileA(from.c_str(), to.c_str(), FALSE) && ok;
        return true;
    });
    return listed && ok;
}

bool BareDeleteTree(const std::string& folder)
{
    bool ok = true;
    ForEachEntry(folder, [&](const WIN32_FIND_DATAA& data) {
        const std::string path = folder + "\\" + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = BareDeleteTree(path) && ok;
        else
            ok = ::DeleteFileA(path.c_str()) && ok;
        return true;
    });
    return ::RemoveDirectoryA(folder.c_str()) && ok;
}

void ReportClock::Start()
{
    m_clock = Stopwatch();
    m_reports = 0;
    m_first = -1;
    m_last = -1;
}

void ReportClock::Report()
{
    m_last = m_clock.Seconds();
    if (m_reports++ == 0)
        m_first = m_last;
}

RunParts ReportClock::Parts(double end) const
{
    RunParts parts;
    if (m_reports > 0 && end >= 0) {
        parts.startSeconds = m_first;
        parts.steadySeconds = m_last - m_first;
        parts.endSeconds = end - m_last;
    }
    return parts;
}

// ---------------------------------------------------------------------------
// The floor's window

namespace {
const char kFloorClass[] = "ZemloBenchFloor";
const char kFloorBarClass[] = "ZemloBenchFloorBar";
constexpr int kStatusId = 1;
}  // namespace

FloorWindow::~FloorWindow()
{
    if (m_hwnd != nullptr && ::IsWindow(m_hwnd))
        ::DestroyWindow(m_hwnd);
}

bool FloorWindow::Create(const char* caption, const FloorLayout& layout)
{
    static const bool registered = [] {
        const HINSTANCE instance = ::GetModuleHandleA(nullptr);
        WNDCLASSEXA frame = {};
        frame.cbSize = sizeof(frame);
        frame.lpfnWndProc = &FloorWindow::FrameProc;
        frame.hInstance = instance;
        frame.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        frame.lpszClassName = kFloorClass;
        WNDCLASSEXA bar = frame;
        bar.lpfnWndProc = &FloorWindow::BarProc;
        bar.hbrBackground = nullptr;
        bar.lpszClassName = kFloorBarClass;
        return ::RegisterClassExA(&frame) != 0 && ::RegisterClassExA(&bar) != 0;
    }();
    if (!registered || m_hwnd != nullptr)
        return false;
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    // About the size and layout of the progress page.
    m_hwnd = ::CreateWindowExA(0, kFloorClass, caption, WS_POPUP | WS_CAPTION | WS_SYSMENU, 100, 100, 536, 390,
                               nullptr, nullptr, instance, this);
    if (m_hwnd == nullptr)
        return false;
    ::SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_status = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_PATHELLIPSIS | SS_NOPREFIX, 33,
                                 161, layout.status.cx, layout.status.cy, m_hwnd,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kStatusId)), instance, nullptr);
    m_bar = ::CreateWindowExA(WS_EX_CLIENTEDGE, kFloorBarClass, "", WS_CHILD | WS_VISIBLE, 31, 192, layout.bar.cx, layout.bar.cy,
                              m_hwnd, nullptr, instance, nullptr);
    if (m_status == nullptr || m_bar == nullptr)
        return false;
    ::SetWindowLongPtrA(m_bar, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // The font of the programs' windows: drawing its text is part of the
    // fixed work of showing each path.
    const HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    m_font.reset(::CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "宋体"));
    ::SendMessageA(m_status, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);
    ::ShowWindow(m_hwnd, SW_SHOW);
    ::UpdateWindow(m_hwnd);
    return true;
}

void FloorWindow::Reset(int entries)
{
    m_reports = 0;
    m_range = entries > 0 ? entries : 1;
    m_fill = -1;
    if (m_status != nullptr)
        ::SetWindowTextA(m_status, "");
    Step();
}

double FloorWindow::SteadySeconds() const
{
    if (m_reports < 2)
        return -1;
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(m_lastReport.QuadPart - m_firstReport.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

void FloorWindow::Step()
{
    if (m_bar == nullptr)
        return;
    RECT rc;
    ::GetClientRect(m_bar, &rc);
    const int fill = static_cast<int>(static_cast<long long>(rc.right) * std::min<long>(m_reports, m_range) / m_range);
    if (fill != m_fill) {
        m_fill = fill;
        ::RedrawWindow(m_bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

LRESULT CALLBACK FloorWindow::FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kReport) {
        auto* self = reinterpret_cast<FloorWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self == nullptr)
            return 0;
        const char* path = reinterpret_cast<const char*>(lParam);
        ::SetWindowTextA(self->m_status, winlib::Format("%s ...", path != nullptr ? path : "").c_str());
        ::QueryPerformanceCounter(&self->m_lastReport);
        if (self->m_reports++ == 0)
            self->m_firstReport = self->m_lastReport;
        self->Step();
        return 1;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK FloorWindow::BarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND)
        return TRUE;
    if (message != WM_PAINT)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    const auto* self = reinterpret_cast<const FloorWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(hwnd, &ps);
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    RECT filled = rc;
    filled.right = self != nullptr ? std::max(0, self->m_fill) : 0;
    RECT rest = rc;
    rest.left = filled.right;
    ::FillRect(dc, &filled, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    ::FillRect(dc, &rest, ::GetSysColorBrush(COLOR_WINDOW));
    ::EndPaint(hwnd, &ps);
    return 0;
}

void RunServingMessages(const std::function<void()>& work)
{
    winlib::ScopedHandle finished(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const HANDLE event = finished.get();
    std::thread worker([&work, event] {
        work();
        ::SetEvent(event);
    });
    winlib::WaitPumpingMessages(event);
    worker.join();
    winlib::PumpWaitingMessages();
}

double PeakWorkingSetBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters)))
        return -1;
    return static_cast<double>(counters.PeakWorkingSetSize);
}

int RunSelf(const std::string& arguments)
{
    char program[MAX_PATH] = {};
    const DWORD got = ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (got == 0 || got >= MAX_PATH)
        return -1;
    std::string line = std::string("\"") + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    winlib::ScopedHandle process(info.hProcess);
    winlib::ScopedHandle thread(info.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    return ::GetExitCodeProcess(process.get(), &code) ? static_cast<int>(code) : -1;
}

bool ParseNumber(const char* text, unsigned& value)
{
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || parsed > 1000000000UL)
        return false;
    value = static_cast<unsigned>(parsed);
    return true;
}

bool NormaliseWorkFolder(std::string& work)
{
    if (work.empty()) {
        char temp[MAX_PATH + 1];
        const DWORD got = ::GetTempPathA(sizeof(temp), temp);
        if (got == 0 || got > MAX_PATH)
            return false;
        work = std::string(temp, got) + "zemlo-bench";
    }
    // By characters: the second byte of a GBK character may be a backslash.
    while (work.size() > 3 && winlib::EndsWithBackslash(work))
        work.erase(winlib::LastCharIndex(work));
    return true;
}

void KeepBest(double& best, double seconds, bool ok)
{
    if (ok && (best < 0 || seconds < best))
        best = seconds;
}

void KeepBest(RunParts& best, const RunParts& parts, bool ok)
{
    KeepBest(best.startSeconds, parts.startSeconds, ok && parts.startSeconds >= 0);
    KeepBest(best.steadySeconds, parts.steadySeconds, ok && parts.steadySeconds >= 0);
    KeepBest(best.endSeconds, parts.endSeconds, ok && parts.endSeconds >= 0);
}

double PerEntryUs(double seconds, long entries)
{
    return entries > 0 ? seconds * 1e6 / static_cast<double>(entries) : 0.0;
}

void PrintFigure(const char* name, int decimals, double value)
{
    std::printf("%s: %.*f\n", name, decimals, value);
}

void PrintScalingFigures(const char* what, long size, long steadyEntries, const RunParts& best,
                         double wholeUsPerEntry, double floorUsPerEntry)
{
    std::printf("%s_%ld_files_us_per_entry: %.1f\n", what, size, PerEntryUs(best.steadySeconds, steadyEntries));
    std::printf("%s_%ld_files_steady_entries: %ld\n", what, size, steadyEntries);
    std::printf("%s_%ld_files_steady_ms: %.1f\n", what, size, best.steadySeconds * 1e3);
    std::printf("%s_%ld_files_startup_ms: %.1f\n", what, size, best.startSeconds * 1e3);
    std::printf("%s_%ld_files_end_ms: %.1f\n", what, size, best.endSeconds * 1e3);
    std::printf("%s_%ld_files_whole_us_per_entry: %.1f\n", what, size, wholeUsPerEntry);
    std::printf("%s_%ld_files_floor_us_per_entry: %.1f\n", what, size, floorUsPerEntry);
}

}  // namespace bench
