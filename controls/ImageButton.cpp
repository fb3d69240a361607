#include "controls/ImageButton.h"

#include "winlib/Gdi.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// ((t * t * t) / 128) / 128, both divisions truncating toward zero.
int Cube(int t)
{
    return ((t * t * t) / 128) / 128;
}

// Palette of the texture: entry 0 is the shadow colour, entries up to 127
// run to the face colour, entry 255 is the highlight colour.
void SetButtonRamp(CShadeDib& dib, COLORREF shadow, COLORREF face, COLORREF light)
{
    for (int i = 0; i <= 128; ++i) {
        dib.SetColorEntry(static_cast<BYTE>(i),
                          static_cast<BYTE>((GetRValue(shadow) * (128 - i) + GetRValue(face) * i) / 128),
                          static_cast<BYTE>((GetGValue(shadow) * (128 - i) + GetGValue(face) * i) / 128),
                          static_cast<BYTE>((GetBValue(shadow) * (128 - i) + GetBValue(face) * i) / 128));
    }
    for (int i = 1; i <= 128; ++i) {
        dib.SetColorEntry(static_cast<BYTE>(127 + i),
                          static_cast<BYTE>((GetRValue(face) * (128 - i) + GetRValue(light) * i) / 128),
                          static_cast<BYTE>((GetGValue(face) * (128 - i) + GetGValue(light) * i) / 128),
                          static_cast<BYTE>((GetBValue(face) * (128 - i) + GetBValue(light) * i) / 128));
    }
}

BOOL TrackLeave(HWND hwnd, DWORD flags)
{
    TRACKMOUSEEVENT tme = {};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = flags;
    tme.hwndTrack = hwnd;
    tme.dwHoverTime = 0;
    return ::TrackMouseEvent(&tme);
}

}  // namespace

CImageButton::CImageButton()
    : m_bChecked(FALSE),
      m_bPushLike(FALSE),
      m_nKind(KIND_PUSH),
      m_bHover(FALSE),
      m_bMouseDown(FALSE),
      m_nFocusMargin(4),
      m_crText(::GetSysColor(COLOR_BTNTEXT)),
      m_bBorder(TRUE),
      m_uTextFormat(DT_CENTER),
      m_bFlat(FALSE)
{
}

CImageButton::~CImageButton() = default;

void CImageButton::SetCaptionAlign(UINT alignment)
{
    switch (alignment) {
    case BS_LEFT:
        m_uTextFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
        break;
    case BS_RIGHT:
        m_uTextFormat = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;
        break;
    default:
        m_uTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        break;
    }
}

void CImageButton::PreSubclassWindow()
{
    const DWORD style = GetStyle();
    m_bPushLike = (style & BS_PUSHLIKE) != 0;
    m_bFlat = (style & BS_FLAT) != 0;
    SetCaptionAlign(style & (BS_LEFT | BS_RIGHT));

    const DWORD s = static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)) & 0xFF;
    if ((s & 3) == 3) {
        m_nKind = KIND_CHECKBOX;
    } else if ((s & 9) == 9) {
        m_nKind = KIND_RADIO;
    } else {
        m_nKind = KIND_PUSH;
        m_bPushLike = TRUE;
    }
    if (!m_bPushLike)
        m_bBorder = FALSE;

    CButton::PreSubclassWindow();
    ModifyStyle(0, BS_OWNERDRAW);
}

void CImageButton::ApplyShading(UINT type, BYTE granularity, BYTE highlight, BYTE colouring, COLORREF colour)
{
    // Without a window (called too early) the size is zero.
    RECT wr = {0, 0, 0, 0};
    if (m_hWnd != nullptr)
        GetWindowRect(&wr);
    const int cx = wr.right - wr.left;
    const int cy = wr.bottom - wr.top;
    const int m = m_nFocusMargin;

    if (cx <= 0 || cy <= 0) {
        // No pixels to shade (and the shading formulas would divide by
        // zero): every state draws on the plain face colour.
        for (CShadeDib* dib : {&m_dibNormal, &m_dibDown, &m_dibDisabled, &m_dibOver, &m_dibFocusH, &m_dibFocusV})
            dib->Empty();
        return;
    }

    m_dibFocusH.Allocate(std::max(cx - 2 * m - 1, 1), 1, 8);
    m_dibFocusV.Allocate(1, std::max(cy - 2 * m, 1), 8);
    m_dibNormal.Allocate(cx, cy, 8);

    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    SetButtonRamp(m_dibNormal, shadow, face, light);
    SetButtonRamp(m_dibFocusH, shadow, face, light);
    SetButtonRamp(m_dibFocusV, shadow, face, light);

    m_dibNormal.TintColors(colour, colouring);

    if (BYTE* row = m_dibFocusH.PixelRows()) {
        for (long x = 0; x < m_dibFocusH.Width(); ++x)
            row[x] = (x & 1) ? 255 : 0;
    }
    if (BYTE* rows = m_dibFocusV.PixelRows()) {
        for (long y = 0; y < m_dibFocusV.Height(); ++y)
            rows[static_cast<size_t>(y) * m_dibFocusV.Stride()] = (y & 1) ? 255 : 0;
    }

    FillTexture(type, granularity, cx, cy);

    m_dibDisabled.CopyFrom(m_dibNormal);
    m_dibOver.CopyFrom(m_dibNormal);
    m_dibOver.TintColors(::GetSysColor(COLOR_BTNHIGHLIGHT), highlight);
    m_dibDown.CopyFrom(m_dibOver);
}

// Fills the pixel indices of the normal image. Rows r run in storage order
// (r = 0 is the bottom row of the button), columns j from the left; every
// sum wraps modulo 256 when stored; rand() is drawn once per pixel in this
// row-by-row order (the metal strokes first draw theirs).
void CImageButton::FillTexture(UINT type, int g, int cx, int cy)
{
    BYTE* pixels = m_dibNormal.PixelRows();
    if (pixels == nullptr)
        return;
    const size_t stride = m_dibNormal.Stride();
    const int d = 32767 / std::max(2 * g, 1);
    auto at = [&](int j, int r) -> BYTE& { return pixels[static_cast<size_t>(r) * stride + static_cast<size_t>(j)]; };
    auto grain = [&]() { return std::rand() / d - g; };
    auto put = [&](int j, int r, int value) { at(j, r) = static_cast<BYTE>(value); };

    switch (type) {
    case SHS_DIAGSHADE: {
        const int a = (255 - 2 * g) / 2;
        for (int r = 0; r < cy; ++r)
            for (int j = 0; j < cx; ++j)
                put(j, r, (a * (cx - j)) / cx + (a * r) / cy + g + grain());
        break;
    }
    case SHS_HSHADE: {
        const int a = 255 - 2 * g;
        for (int r = 0; r < cy; ++r)
            for (int j = 0; j < cx; ++j)
                put(j, r, (a * r) / cy + g + grain());
        break;
    }
    case SHS_VSHADE: {
        const int a = 255 - 2 * g;
        for (int r = 0; r < cy; ++r)
            for (int j = 0; j < cx; ++j)
                put(j, r, (a * (cx - j)) / cx + g + grain());
        break;
    }
    case SHS_HBUMP:
        for (int r = 0; r < cy; ++r) {
            const int t = (255 * r) / cy - 127;
            for (int j = 0; j < cx; ++j)
                put(j, r, (Cube(t) * (128 - g)) / 128 + 128 + grain());
        }
        break;
    case SHS_VBUMP:
        for (int r = 0; r < cy; ++r)
            for (int j = 0; j < cx; ++j) {
                const int t = (255 * (cx - j)) / cx - 127;
                put(j, r, (Cube(t) * (128 - g)) / 128 + 128 + grain());
            }
        break;
    case SHS_SOFTBUMP:
        for (int r = 0; r < cy; ++r) {
            const int tr = (255 * r) / cy - 127;
            for (int j = 0; j < cx; ++j) {
                const int tc = (255 * (cx - j)) / cx - 127;
                int value = ((Cube(tc) + Cube(tr)) * (128 - g)) / 128 + 128;
                // Clamped as min(max(...)) so that a granularity above 127
                // (an empty range) cannot trip std::clamp's precondition.
                value = std::min(std::max(value, g), 255 - g);
                put(j, r, value + grain());
            }
        }
        break;
    case SHS_HARDBUMP: {
        for (int r = 0; r < cy; ++r) {
            const int t = (255 * r) / cy - 127;
            for (int j = 0; j < cx; ++j)
                put(j, r, (Cube(t) * (64 - g) * 2) / 128 + 128 + grain());
        }
        const int k = std::min(cx / 6, 16);
        const int h2 = (cy * cy) / 4;
        const int hy = cy / 2;
        const int hx = cx / 2;
        // Under two rows the band edge would divide by zero: the first pass
        // alone is the texture. (A band width k of 0 is harmless: no pixel
        // then falls in a band, and every pixel gets its second grain.)
        if (h2 == 0)
            break;
        for (int r = 0; r < cy; ++r) {
            const int dy = r - hy;
            const int lim = ((k * dy) * dy) / h2 - k + hx;
            for (int j = 0; j < cx; ++j) {
                if (j - hx > lim)
                    put(j, r, ((cx - j) * 128) / k + g);
                if ((j - hx) + lim < 0)
                    put(j, r, (255 - g) - (j * 128) / k);
                put(j, r, at(j, r) + grain());
            }
        }
        break;
    }
    case SHS_METAL: {
        m_dibNormal.FillPixels(0);
        // Divisors of at least 1: a button wider or taller than 32767
        // pixels would make them zero.
        const int dx = std::max(32767 / cx, 1);
        const int dyv = std::max(32767 / cy, 1);
        const int dl = std::max(32767 / std::min(cx, cy), 1);
        for (int stroke = 0; stroke < 200; ++stroke) {
            const int x0 = std::rand() / dx;
            const int y0 = std::rand() / dyv;
            const int length = std::rand() / dl;
            const int half = length / 2;
            const BYTE c = static_cast<BYTE>(std::rand() / 819);
            for (int s = 0; s < half; ++s) {
                if (x0 - s > 0 && y0 + s < cy)
                    m_dibNormal.PutPixel(x0 - s, y0 + s, c);
                if (x0 + s < cx && y0 - s > 0)
                    m_dibNormal.PutPixel(cx - x0 + s, y0 - s, c);
            }
        }
        const int a = (255 - 2 * g - 40) / 2;
        for (int r = 0; r < cy; ++r)
            for (int j = 0; j < cx; ++j)
                put(j, r, at(j, r) + (a * (cx - j)) / cx + (a * r) / cy + std::rand() / d);
        break;
    }
    default:
        for (int r = 0; r < cy; ++r)
            for (int j = 0; j < cx; ++j)
                put(j, r, std::rand() / d - g + 128);
        break;
    }
}

void CImageButton::DrawItem(LPDRAWITEMSTRUCT lpDIS)
{
    const UINT state = lpDIS->itemState;
    const int m = m_nFocusMargin;

    // While the left button is held, the pressed look follows the pointer:
    // fix the button state first; the state change draws again.
    if (m_bMouseDown && ::GetCapture() == m_hWnd) {
        POINT pt;
        if (::GetCursorPos(&pt)) {
            const bool over = ::WindowFromPoint(pt) == m_hWnd;
            const bool pushed = (GetState() & BST_PUSHED) != 0;
            if (over && !pushed) {
                SendMessage(BM_SETSTATE, TRUE);
                return;
            }
            if (!over && pushed) {
                SendMessage(BM_SETSTATE, FALSE);
                return;
            }
        }
    }

    RECT rc = lpDIS->rcItem;
    RECT tr = {rc.left + m + 2, rc.top, rc.right - m - 2, rc.bottom};
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;

    // The item's context belongs to the system; the button is drawn off
    // screen and copied to it in one block.
    CDC itemDC(lpDIS->hDC);
    CCompatibleDC dc(itemDC);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(itemDC, cx, cy);
    const winlib::ScopedSelectObject selectBitmap(dc, bitmap);
    const std::string caption = GetWindowText();
    const int length = static_cast<int>(caption.size());
    dc.SetBkMode(TRANSPARENT);
    const winlib::ScopedSelectObject selectFont(dc, ::GetStockObject(DEFAULT_GUI_FONT));

    if (state & ODS_DISABLED) {
        if (!m_dibDisabled.Blit(dc, 0, 0))
            dc.FillSolidRect(&rc, ::GetSysColor(COLOR_BTNFACE));
        if (m_bBorder && !m_bFlat)
            dc.DrawEdge(&rc, EDGE_RAISED, BF_RECT);
        dc.SetTextColor(::GetSysColor(COLOR_BTNHIGHLIGHT));
        dc.DrawText(caption.c_str(), length, &tr, m_uTextFormat);
        dc.SetTextColor(::GetSysColor(COLOR_GRAYTEXT));
        ::OffsetRect(&tr, -1, -1);
        dc.DrawText(caption.c_str(), length, &tr, m_uTextFormat);
    } else {
        if ((state & ODS_SELECTED) || m_bChecked) {
            if (!m_dibDown.Blit(dc, m_bBorder ? 1 : 0, m_bBorder ? 1 : 0))
                dc.FillSolidRect(&rc, ::GetSysColor(COLOR_BTNFACE));
            if (m_bPushLike)
                ::OffsetRect(&tr, 1, 1);
            if (m_bBorder) {
                if (m_bFlat)
                    dc.Draw3dRect(&rc, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
                else
                    dc.DrawEdge(&rc, EDGE_SUNKEN, BF_RECT);
            }
        } else {
            if (m_dibNormal.HasImage()) {
                if (!(m_bHover && m_dibOver.Blit(dc, 0, 0)))
                    m_dibNormal.Blit(dc, 0, 0);
            } else {
                dc.FillSolidRect(&rc, ::GetSysColor(COLOR_BTNFACE));
            }
            if (m_bBorder && (m_bHover || !m_bFlat)) {
                if (state & ODS_DEFAULT) {
                    dc.DrawEdge(&rc, EDGE_SUNKEN, BF_RECT);
                    ::InflateRect(&rc, -1, -1);
                    dc.DrawEdge(&rc, EDGE_RAISED, BF_RECT);
                } else if (m_bFlat) {
                    dc.Draw3dRect(&rc, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
                } else {
                    dc.DrawEdge(&rc, EDGE_RAISED, BF_RECT);
                }
            }
        }

        if ((state & ODS_FOCUS) && m > 0) {
            ::InflateRect(&rc, -m, -m);
            m_dibFocusH.Blit(dc, rc.left + 1, rc.top);
            m_dibFocusH.Blit(dc, rc.left + 1, rc.bottom);
            m_dibFocusV.Blit(dc, rc.left, rc.top + 1);
            m_dibFocusV.Blit(dc, rc.right, rc.top + 1);
        }
        dc.SetTextColor(m_crText);
        dc.DrawText(caption.c_str(), length, &tr, m_uTextFormat);
    }

    itemDC.BitBlt(0, 0, cx, cy, &dc, 0, 0, SRCCOPY);
    // The font and the bitmap are selected back, then the bitmap and the
    // memory context are deleted.
}

BOOL CImageButton::IsCursorOver(LPARAM lParam) const
{
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ClientToScreen(m_hWnd, &pt);
    return ::WindowFromPoint(pt) == m_hWnd;
}

void CImageButton::OnMouseMove(WPARAM, LPARAM lParam)
{
    if (m_bMouseDown && ::GetCapture() == m_hWnd) {
        const BOOL over = IsCursorOver(lParam);
        const BOOL pushed = (GetState() & BST_PUSHED) != 0;
        if (over != pushed) {
            SendMessage(BM_SETSTATE, static_cast<WPARAM>(over));
            Invalidate(TRUE);
        }
    } else if (!m_bHover) {
        if (TrackLeave(m_hWnd, TME_LEAVE)) {
            m_bHover = TRUE;
            Invalidate(TRUE);
        }
    }
}

void CImageButton::OnLButtonDown()
{
    if (m_bHover && TrackLeave(m_hWnd, TME_CANCEL | TME_LEAVE))
        m_bHover = FALSE;
}

void CImageButton::OnLButtonUp(LPARAM lParam)
{
    if (m_nKind != KIND_PUSH && IsCursorOver(lParam) && m_bMouseDown)
        SendMessage(BM_SETCHECK, m_nKind == KIND_CHECKBOX ? !m_bChecked : TRUE);
}

void CImageButton::OnSetCheck(WPARAM wParam)
{
    m_bChecked = wParam != 0 && m_nKind != KIND_PUSH;
    if (m_bChecked && m_nKind == KIND_RADIO) {
        HWND parent = GetParent();
        // The walk ends when it comes back to this button or to where it
        // started: a button that the walk skips (hidden or disabled) would
        // otherwise never be reached again.
        HWND first = nullptr;
        HWND item = m_hWnd;
        while (parent != nullptr) {
            item = ::GetNextDlgGroupItem(parent, item, FALSE);
            if (item == nullptr || item == m_hWnd || item == first)
                break;
            if (first == nullptr)
                first = item;
            ::PostMessageA(item, WM_IMAGEBUTTON_GROUPCHECK, 0, 0);
        }
    }
    Invalidate(TRUE);
}

LRESULT CImageButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return Default();
    case WM_MOUSELEAVE:
        m_bHover = FALSE;
        Invalidate(TRUE);
        return 0;
    case WM_LBUTTONDOWN: {
        OnLButtonDown();
        const LRESULT result = Default();
        m_bMouseDown = TRUE;
        return result;
    }
    case WM_LBUTTONUP:
        OnLButtonUp(lParam);
        m_bMouseDown = FALSE;
        return Default();
    case WM_LBUTTONDBLCLK:
        SendMessage(WM_LBUTTONDOWN, wParam, lParam);
        return 0;
    case WM_KILLFOCUS:
        if (::GetCapture() == m_hWnd) {
            ::ReleaseCapture();
            m_bMouseDown = FALSE;
        }
        return Default();
    case WM_KEYDOWN:
        if (m_nKind != KIND_PUSH && wParam == VK_SPACE)
            SendMessage(BM_SETCHECK, m_nKind == KIND_CHECKBOX ? !m_bChecked : TRUE);
        return Default();
    case WM_IMAGEBUTTON_GROUPCHECK:
        if (m_bChecked) {
            m_bChecked = FALSE;
            Invalidate(TRUE);
        }
        return 0;
    case BM_SETCHECK:
        OnSetCheck(wParam);
        return 0;
    case BM_GETCHECK:
        return m_bChecked ? 1 : 0;
    default:
        return CButton::WindowProc(message, wParam, lParam);
    }
}
