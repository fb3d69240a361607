#include "winlib/Gdi.h"

#include "winlib/Handles.h"

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (hObject == nullptr || m_hObject != nullptr)
        return FALSE;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject()
{
    if (m_hObject == nullptr)
        return FALSE;
    winlib::LastErrorKeeper keep;
    return ::DeleteObject(Detach());
}

// Each Create* makes a new object only for an empty owner: creating first
// and then failing to attach would lose the new handle.
BOOL CBitmap::CreateCompatibleBitmap(HDC hdc, int width, int height)
{
    if (m_hObject != nullptr)
        return FALSE;
    return Attach(::CreateCompatibleBitmap(hdc, width, height));
}

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom)
{
    if (m_hObject != nullptr)
        return FALSE;
    return Attach(::CreateRectRgn(left, top, right, bottom));
}

CDC::~CDC()
{
    DeleteDC();
}

BOOL CDC::Attach(HDC hdc)
{
    if (hdc == nullptr || m_hDC != nullptr)
        return FALSE;
    m_hDC = m_hAttribDC = hdc;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC hdc = m_hDC;
    m_hDC = m_hAttribDC = nullptr;
    return hdc;
}

BOOL CDC::DeleteDC()
{
    if (m_hDC == nullptr)
        return FALSE;
    winlib::LastErrorKeeper keep;
    return ::DeleteDC(Detach());
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    if (m_hDC != nullptr)
        return FALSE;
    return Attach(::CreateCompatibleDC(pDC != nullptr ? pDC->m_hDC : nullptr));
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
    Attach(::BeginPaint(hwnd, &m_ps));
}

CPaintDC::~CPaintDC()
{
    winlib::LastErrorKeeper keep;
    ::EndPaint(m_hWnd, &m_ps);
    Detach();
}

CClientDC::CClientDC(HWND hwnd) : m_hWnd(hwnd)
{
    Attach(::GetDC(hwnd));
}

CClientDC::~CClientDC()
{
    winlib::LastErrorKeeper keep;
    if (m_hDC != nullptr)
        ::ReleaseDC(m_hWnd, Detach());
}
