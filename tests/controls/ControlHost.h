// A visible top-level window that paints itself in one colour and holds
// the standard child controls that the tests bind the shared controls to,
// the way a dialog's controls are bound. Pixels are read back from the
// screen (Xvfb), so they are what the user would see.
#pragma once

#include "controls/ShadeDib.h"
#include "winlib/Gdi.h"
#include "winlib/Wnd.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

class ControlHost : public CWnd {
public:
    explicit ControlHost(COLORREF background = RGB(0, 128, 0)) : m_crBack(background) {}
    bool Create(int width = 400, int height = 300);
    // Creates a child of the given class, text, style (WS_CHILD and
    // WS_VISIBLE are added), client rectangle and id, and binds control to
    // it with DDX_Control.
    bool Bind(CWnd& control, const char* className, const char* text, DWORD style, const RECT& r, int id);

    COLORREF m_crBack;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A memory context with a screen-compatible bitmap in one colour.
struct Canvas {
    Canvas(int width, int height, COLORREF colour);
    CCompatibleDC dc{nullptr};
    CBitmap bitmap;
    std::optional<winlib::ScopedSelectObject> select;
};

// Colour-table entry i of a palette bitmap as a colour.
inline COLORREF Entry(const CShadeDib& dib, int i)
{
    const RGBQUAD& q = dib.ColorTable()[i];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

// Colour i of an image button's texture palette without colouring: from
// the shadow colour (0) to the face colour and on to the highlight colour
// (255), each step 1/128 of the way.
inline COLORREF ButtonRamp(int i)
{
    auto mix = [](COLORREF from, COLORREF to, int share) {
        auto channel = [share](int f, int t) { return (f * (128 - share) + t * share) / 128; };
        return RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
                   channel(GetBValue(from), GetBValue(to)));
    };
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    return i <= 127 ? mix(shadow, face, i) : mix(face, light, i - 127);
}

// Delivers every waiting message, including the paints.
void Settle();
// The colours of a client rectangle of the window as the screen shows
// them (copied from the window's context), row by row.
std::vector<COLORREF> Pixels(HWND hwnd, const RECT& area);
// The colour the screen shows at client point (x, y) of the window.
inline COLORREF ScreenPixel(HWND hwnd, int x, int y)
{
    const std::vector<COLORREF> pixels = Pixels(hwnd, {x, y, x + 1, y + 1});
    return pixels.empty() ? CLR_INVALID : pixels[0];
}
inline int CountPixels(HWND hwnd, const RECT& area, COLORREF colour)
{
    const std::vector<COLORREF> pixels = Pixels(hwnd, area);
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour));
}
// Repaints the window many times and tells whether no GDI object was left
// behind: by the process's object count where the system reports it, else
// by watching the slots of the GDI handle table.
bool PaintsLeaveNoObjectBehind(HWND hwnd);
