// floor_bench: the working set that any program costs which shows what
// Setup shows, before Setup's own work: the common controls and COM
// started as Setup starts them (OLE Automation, which decodes the pictures,
// loaded), the full-screen frame and the welcome page made from Setup's own
// dialog templates (the same Chinese text in the same font, the same
// manifest), drawn by the system alone: no background picture, no drawn
// buttons, no copy. Beside Setup's figures it tells what part of them the
// platform (here Wine) needs for the windows alone.
//
// Usage: floor_bench [--show-ms N] [--picture FILE]...
//
// The windows are shown for N ms (default 1000, as the Setup driver waits
// on the welcome page); the peak working set is then printed as
// "setup_floor_working_set_mb: <MB>" on stdout. Each FILE given (the
// background pictures of the medium) is then decoded once by
// OleLoadPicturePath, the system's decoder that Setup calls at every
// repaint of its background, and released at once; the peak working set
// after that is printed as "setup_floor_picture_decode_mb: <MB>": what the
// decoder itself needs on top of the floor (for the largest picture),
// before Setup does anything with a picture.

#include "SetupIds.h"
#include "resource.h"
#include "winlib/Handles.h"
#include "winlib/WinApp.h"

#include <windows.h>

#include <commctrl.h>
#include <oleauto.h>
#include <olectl.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The page's texts on white, as Setup's page shows them: the white
// rectangle of the template (which the system would draw over the texts)
// gives way to a white background.
INT_PTR CALLBACK PlainDialog(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
            char kind[16] = {};
            ::GetClassNameA(child, kind, sizeof(kind));
            if (::lstrcmpiA(kind, "Static") == 0 && (::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_WHITERECT)
                ::ShowWindow(child, SW_HIDE);
        }
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
    default:
        return FALSE;
    }
}

// Runs the message loop for ms milliseconds.
void Pump(DWORD ms)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

// The peak working set so far in MB, or a negative number.
double PeakMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters)))
        return -1;
    return static_cast<double>(counters.PeakWorkingSetSize) / (1 << 20);
}

// Decodes the picture file and releases it; false when it does not decode.
bool DecodeOnce(const std::string& path)
{
    wchar_t wide[MAX_PATH] = {};
    if (::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0)
        return false;
    winlib::ScopedComPtr<IPicture> picture;
    return SUCCEEDED(::OleLoadPicturePath(wide, nullptr, 0, 0, IID_IPicture, picture.receive_void())) && picture;
}

}  // namespace

int main(int argc, char** argv)
{
    DWORD showMs = 1000;
    std::vector<std::string> pictures;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--show-ms") == 0 && i + 1 < argc) {
            showMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (std::strcmp(argv[i], "--picture") == 0 && i + 1 < argc) {
            pictures.push_back(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: floor_bench [--show-ms N] [--picture FILE]...\n");
            return 2;
        }
    }
    AfxInitCommonControls(ICC_WIN95_CLASSES);
    const winlib::ScopedComInit com;
    ::SysFreeString(::SysAllocString(L"oleaut32"));

    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    const HWND frame = ::CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_SETUP_DIALOG), nullptr, PlainDialog, 0);
    if (frame == nullptr) {
        std::fprintf(stderr, "floor_bench: no frame (error %lu)\n", ::GetLastError());
        return 1;
    }
    ::ShowWindow(frame, SW_SHOWMAXIMIZED);
    const HWND page = ::CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_WELCOME_PAGE), frame, PlainDialog, 0);
    if (page == nullptr) {
        std::fprintf(stderr, "floor_bench: no page (error %lu)\n", ::GetLastError());
        ::DestroyWindow(frame);
        return 1;
    }
    // Centred over the frame, as the pages are.
    RECT frameRect, pageRect;
    ::GetWindowRect(frame, &frameRect);
    ::GetWindowRect(page, &pageRect);
    ::SetWindowPos(page, nullptr,
                   frameRect.left + ((frameRect.right - frameRect.left) - (pageRect.right - pageRect.left)) / 2,
                   frameRect.top + ((frameRect.bottom - frameRect.top) - (pageRect.bottom - pageRect.top)) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    ::UpdateWindow(frame);
    ::UpdateWindow(page);
    Pump(showMs);

    int result = 0;
    const double floor = PeakMegabytes();
    if (floor < 0) {
        std::fprintf(stderr, "floor_bench: no working set (error %lu)\n", ::GetLastError());
        result = 1;
    } else {
        std::printf("setup_floor_working_set_mb: %.1f\n", floor);
    }
    for (const std::string& picture : pictures) {
        if (result == 0 && !DecodeOnce(picture)) {
            std::fprintf(stderr, "floor_bench: %s does not decode\n", picture.c_str());
            result = 1;
        }
    }
    if (result == 0 && !pictures.empty())
        std::printf("setup_floor_picture_decode_mb: %.1f\n", PeakMegabytes());
    std::fflush(stdout);
    ::DestroyWindow(page);
    ::DestroyWindow(frame);
    return result;
}
