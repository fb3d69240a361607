#include "controls/Label.h"

CLabel::CLabel()
    : m_bShadow(FALSE),
      m_nShadowDx(3),
      m_nShadowDy(3),
      m_crShadow(RGB(208, 208, 208)),
      m_crText(RGB(0, 0, 0)),
      m_pFont(nullptr)
{
}

CLabel::~CLabel() = default;

BOOL CLabel::EnableShadow(BOOL bOn)
{
    const BOOL previous = m_bShadow;
    m_bShadow = bOn;
    return previous;
}

LRESULT CLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        // The parent's drawing stays visible behind the text.
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SETTEXT: {
        // The label never erases, so the old glyphs would stay under the
        // new ones: have the parent repaint the area behind the label, and
        // the label over it.
        const LRESULT result = CStatic::WindowProc(message, wParam, lParam);
        RefreshBackground();
        return result;
    }
    default:
        return CStatic::WindowProc(message, wParam, lParam);
    }
}

void CLabel::OnPaint()
{
    CPaintDC dc(m_hWnd);
    RECT rc;
    GetClientRect(&rc);
    const std::string text = GetWindowText();

    dc.SetBkMode(TRANSPARENT);

    // Without a font of its own the label borrows the window's font (the
    // window keeps owning it).
    const HFONT font = m_pFont != nullptr ? m_pFont->GetSafeHandle()
                                          : reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    const winlib::ScopedSelectObject selectFont(dc, font);

    if (m_bShadow) {
        dc.SetTextColor(m_crShadow);
        RECT rs = rc;
        ::OffsetRect(&rs, m_nShadowDx, m_nShadowDy);
        dc.DrawText(text.c_str(), static_cast<int>(text.size()), &rs, DT_WORDBREAK);
    }
    dc.SetTextColor(m_crText);
    dc.DrawText(text.c_str(), static_cast<int>(text.size()), &rc, DT_WORDBREAK);
}

void CLabel::RefreshBackground()
{
    HWND parent = GetParent();
    if (parent == nullptr)
        return;
    RECT rc;
    GetWindowRect(&rc);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    ::RedrawWindow(parent, &rc, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
