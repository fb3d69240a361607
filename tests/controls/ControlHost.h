// A visible top-level window that paints itself in one colour and holds
// the standard child controls that the tests bind the shared controls to,
// the way a dialog's controls are bound. Pixels are read back from the
// screen (Xvfb), so they are what the user would see.
#pragma once

#include "winlib/Wnd.h"

#include <windows.h>

class ControlHost : public CWnd {
public:
    explicit ControlHost(COLORREF background = RGB(0, 128, 0));
    bool Create(int width = 400, int height = 300);
    // Creates a child of the given class, text, style (WS_CHILD and
    // WS_VISIBLE are added), client position and id.
    HWND AddChild(const char* className, const char* text, DWORD style, int x, int y, int cx, int cy, int id);

    COLORREF m_crBack;
    int m_nPaints = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Delivers every waiting message, including the paints.
void Settle();
// The colour the screen shows at client point (x, y) of the window.
COLORREF ScreenPixel(HWND hwnd, int x, int y);
// Counts pixels of the given colour in a client rectangle of the window.
int CountPixels(HWND hwnd, const RECT& area, COLORREF colour);
// Repaints the window many times and tells whether no GDI object was left
// behind: by the process's object count where the system reports it, else
// by watching the slots of the GDI handle table.
bool PaintsLeaveNoObjectBehind(HWND hwnd);
