#include "winlib/Gdi.h"

BOOL CBitmap::CreateCompatibleBitmap(HDC hdc, int width, int height)
{
    if (m_handle.valid())
        return FALSE;
    return Adopt(::CreateCompatibleBitmap(hdc, width, height));
}

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom)
{
    if (m_handle.valid())
        return FALSE;
    return Adopt(::CreateRectRgn(left, top, right, bottom));
}

POINT CDC::SetWindowOrg(int x, int y)
{
    POINT old = {0, 0};
    ::SetWindowOrgEx(m_hDC, x, y, &old);
    return old;
}

void CDC::FillSolidRect(const RECT* rect, COLORREF color)
{
    ::SetBkColor(m_hDC, color);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color)
{
    const RECT rect = {x, y, x + cx, y + cy};
    FillSolidRect(&rect, color);
}

void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight)
{
    Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, topLeft,
               bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight)
{
    FillSolidRect(x, y, cx - 1, 1, topLeft);
    FillSolidRect(x, y, 1, cy - 1, topLeft);
    FillSolidRect(x + cx - 1, y, 1, cy, bottomRight);
    FillSolidRect(x, y + cy - 1, cx, 1, bottomRight);
}

CPaintDC::CPaintDC(HWND hwnd) : m_hWnd(hwnd)
{
    m_hDC = ::BeginPaint(hwnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    winlib::LastErrorKeeper keep;
    ::EndPaint(m_hWnd, &m_ps);
}
