#include "ControlHost.h"

#include "Bitmaps.h"
#include "DriveKit.h"
#include "winlib/WinThread.h"

#include <algorithm>

bool ControlHost::Create(int width, int height)
{
    const RECT rect = {40, 40, 40 + width, 40 + height};
    if (!CreateEx(0, "controls test", WS_POPUP | WS_VISIBLE, rect, nullptr, 0))
        return false;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Settle();
    return true;
}

bool ControlHost::Bind(CWnd& control, const char* className, const char* text, DWORD style, const RECT& r, int id)
{
    HWND child = ::CreateWindowExA(0, className, text, style | WS_CHILD | WS_VISIBLE, r.left, r.top,
                                   r.right - r.left, r.bottom - r.top, m_hWnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr),
                                   nullptr);
    ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    CDataExchange dx(this);
    DDX_Control(&dx, id, control);
    return child != nullptr && control.m_hWnd == child;
}

LRESULT ControlHost::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND)
        return TRUE;
    if (message != WM_PAINT)
        return CWnd::WindowProc(message, wParam, lParam);
    CPaintDC dc(m_hWnd);
    RECT rc;
    GetClientRect(&rc);
    dc.FillSolidRect(&rc, m_crBack);
    return 0;
}

Canvas::Canvas(int width, int height, COLORREF colour)
{
    bitmap.CreateCompatibleBitmap(winlib::ScopedGetDC(nullptr).get(), width, height);
    select.emplace(dc, bitmap);
    dc.FillSolidRect(0, 0, width, height, colour);
}

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        winlib::PumpWaitingMessages();
        ::Sleep(20);
    }
    winlib::PumpWaitingMessages();
}

std::vector<COLORREF> Pixels(HWND hwnd, const RECT& area)
{
    // One block transfer from the window's context into a 32-bit top-down
    // section, then read there.
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    std::vector<COLORREF> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    CClientDC source(hwnd);
    CCompatibleDC copy(source);
    BITMAPINFO info = testgdi::TopDown32Info(width, height);
    void* bits = nullptr;
    const CBitmap section(::CreateDIBSection(copy, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (section.GetSafeHandle() == nullptr || bits == nullptr)
        return pixels;
    {
        const winlib::ScopedSelectObject select(copy, section);
        ::BitBlt(copy, 0, 0, width, height, source, area.left, area.top, SRCCOPY);
    }
    ::GdiFlush();
    const auto* quads = static_cast<const RGBQUAD*>(bits);
    pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int i = 0; i < width * height; ++i)
        pixels.push_back(RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
    return pixels;
}


bool PaintsLeaveNoObjectBehind(HWND hwnd)
{
    auto paint = [hwnd](int times) {
        for (int i = 0; i < times; ++i) {
            ::InvalidateRect(hwnd, nullptr, TRUE);
            ::UpdateWindow(hwnd);
        }
    };
    paint(20);  // first paints may fill caches of the system
    const DWORD before = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (before != 0) {
        paint(500);
        return ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS) == before;
    }
    // Wine does not count GDI objects per process (it answers 0). Instead:
    // take 1500 slots of the handle table and free them, so that at least
    // 1500 free slots lie at or below the highest one taken. Paints that
    // free what they make leave those slots free, and 1500 objects fit
    // below that mark again; 2000 paints that each kept an object would
    // have used them up.
    const unsigned mark = drivekit::HighestFreshGdiSlot(1500);
    paint(2000);
    return drivekit::HighestFreshGdiSlot(1500) <= mark;
}
