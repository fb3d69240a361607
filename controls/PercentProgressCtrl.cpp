#include "controls/PercentProgressCtrl.h"

#include "controls/MemDC.h"
#include "winlib/Gdi.h"
#include "winlib/StringUtil.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Truncates toward zero like a cast, but a value beyond the range of int
// (a position far outside the range) gives the nearest int instead of an
// undefined conversion.
int TruncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

// Rectangle r of a context's logical space as a region in device space,
// where clip regions live (the off-screen context's origin is shifted).
HRGN CreateDeviceRectRgn(HDC hdc, const RECT& r)
{
    POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
    ::LPtoDP(hdc, corners, 2);
    return ::CreateRectRgn(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
}

}  // namespace

CPercentProgressCtrl::CPercentProgressCtrl()
    : m_nPosition(0),
      m_nStep(1),
      m_nUpper(100),
      m_nLower(0),
      m_bShowText(TRUE),
      m_nFillWidth(-1),
      m_nPercent(-1),
      m_crBar(::GetSysColor(COLOR_HIGHLIGHT)),
      m_crBack(::GetSysColor(COLOR_WINDOW)),
      m_crTextOnBack(::GetSysColor(COLOR_HIGHLIGHT)),
      m_crTextOnBar(::GetSysColor(COLOR_WINDOW))
{
    m_strCaption.clear();
}

CPercentProgressCtrl::~CPercentProgressCtrl() = default;

void CPercentProgressCtrl::EnableText(BOOL bShow)
{
    if (::IsWindow(m_hWnd) && bShow != m_bShowText)
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    m_bShowText = bShow;
}

void CPercentProgressCtrl::SetRange(int nLower, int nUpper)
{
    m_nLower = nLower;
    m_nUpper = nUpper;
}

int CPercentProgressCtrl::SetPos(int nPos)
{
    if (!::IsWindow(m_hWnd))
        return -1;
    const int old = m_nPosition;
    m_nPosition = nPos;

    RECT rc;
    GetClientRect(&rc);
    int fill = 0;
    int percent = 0;
    // An empty range has no fraction; its bar shows nothing.
    if (m_nLower < m_nUpper) {
        const double ratio = (static_cast<double>(m_nPosition) - m_nLower) /
                             (static_cast<double>(m_nUpper) - m_nLower);
        fill = TruncToInt((rc.right - rc.left) * ratio);
        percent = TruncToInt(ratio * 100.0);
    }
    // Repainted only when what it shows changes: the filled width, or the
    // percentage (a bar narrower than 100 pixels shows a new percentage
    // before its fill grows).
    if (fill != m_nFillWidth || percent != m_nPercent) {
        // With the same percentage only the pixels between the old and the
        // new boundary change: the whole image is drawn again clipped to
        // them, which gives the same pixels as a whole repaint.
        const bool drawnBefore = m_nFillWidth >= 0;
        const bool strip = percent == m_nPercent && drawnBefore;
        RECT changed = rc;
        if (strip) {
            changed.left = std::max(rc.left, rc.left + std::min(fill, m_nFillWidth));
            changed.right = std::min(rc.right, rc.left + std::max(fill, m_nFillWidth));
        }
        m_nFillWidth = fill;
        m_nPercent = percent;
        if (!drawnBefore) {
            // The first time and after a resize: a whole paint, which also
            // settles whatever else is waiting to be painted.
            ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        } else if (!strip || changed.left < changed.right) {
            // A step of the bar, once per file: drawn at once into the
            // window's context, without the invalidation and paint message
            // a repaint costs (half the time of a step under Wine).
            CClientDC client(m_hWnd);
            if (strip)
                ::IntersectClipRect(client, changed.left, changed.top, changed.right, changed.bottom);
            Draw(client);
        }
    }
    return old;
}

int CPercentProgressCtrl::StepIt()
{
    return SetPos(m_nPosition + m_nStep);
}

void CPercentProgressCtrl::SetStep(int nStep)
{
    m_nStep = nStep;
}

LRESULT CPercentProgressCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SIZE: {
        const LRESULT result = CProgressCtrl::WindowProc(message, wParam, lParam);
        m_nFillWidth = -1;
        return result;
    }
    case WM_SETTEXT:
        return OnSetText(wParam, lParam);
    case WM_GETTEXT:
        return OnGetText(wParam, lParam);
    default:
        return CProgressCtrl::WindowProc(message, wParam, lParam);
    }
}

LRESULT CPercentProgressCtrl::OnSetText(WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CProgressCtrl::WindowProc(WM_SETTEXT, wParam, lParam);
    const char* text = reinterpret_cast<const char*>(lParam);
    // Byte-wise comparison: the caption is shown as it was given.
    const bool differs = text == nullptr ? !m_strCaption.empty() : m_strCaption != text;
    if (differs) {
        m_strCaption = text != nullptr ? text : "";
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
    return result;
}

LRESULT CPercentProgressCtrl::OnGetText(WPARAM wParam, LPARAM lParam) const
{
    char* buffer = reinterpret_cast<char*>(lParam);
    const size_t capacity = static_cast<size_t>(wParam);
    if (buffer == nullptr || capacity == 0)
        return 0;
    // The caller's buffer always ends in a NUL: a caption that does not
    // fit is cut at a character boundary, never inside a double-byte
    // character, and the count returned excludes the NUL as for any
    // window text.
    size_t count = 0;
    while (count < m_strCaption.size()) {
        const size_t step = winlib::CharLength(m_strCaption, count);
        if (count + step > capacity - 1)
            break;
        count += step;
    }
    std::memcpy(buffer, m_strCaption.data(), count);
    std::memset(buffer + count, 0, capacity - count);
    return static_cast<LRESULT>(count);
}

void CPercentProgressCtrl::OnPaint()
{
    if (m_nLower >= m_nUpper) {
        // Nothing to show; the update region still has to be validated, or
        // the system would send WM_PAINT again and again.
        ::ValidateRect(m_hWnd, nullptr);
        return;
    }
    CPaintDC paintDC(m_hWnd);
    Draw(paintDC);
}

void CPercentProgressCtrl::Draw(CDC& target)
{
    // An empty range has nothing to show.
    if (m_nLower >= m_nUpper)
        return;
    const double fraction = (static_cast<double>(m_nPosition) - m_nLower) /
                            (static_cast<double>(m_nUpper) - m_nLower);

    CMemDC dc(&target);

    RECT rc;
    GetClientRect(&rc);
    RECT left = rc;
    left.right = rc.left + TruncToInt((rc.right - rc.left) * fraction);
    RECT right = rc;
    right.left = left.right;

    dc.FillSolidRect(&left, m_crBar);
    dc.FillSolidRect(&right, m_crBack);

    if (!m_bShowText)
        return;

    std::string text = m_strCaption;
    if (text.empty()) {
        char percent[32];
        std::snprintf(percent, sizeof(percent), "%d%%", TruncToInt(fraction * 100.0));
        text = percent;
    }
    dc.SetBkMode(TRANSPARENT);
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

    const CRgn barRgn(CreateDeviceRectRgn(dc, left));
    dc.SelectClipRgn(&barRgn);
    dc.SetTextColor(m_crTextOnBar);
    dc.DrawText(text.c_str(), static_cast<int>(text.size()), &rc, format);

    const CRgn backRgn(CreateDeviceRectRgn(dc, right));
    dc.SelectClipRgn(&backRgn);
    dc.SetTextColor(m_crTextOnBack);
    dc.DrawText(text.c_str(), static_cast<int>(text.size()), &rc, format);
}
