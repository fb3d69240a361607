// Drawing classes: GDI objects that own their handle (CGdiObject and its
// kinds), device contexts (CDC) and the paint context of WM_PAINT
// (CPaintDC). A CDC deletes the context it holds unless the context was
// handed back with Detach; a CPaintDC ends the paint cycle instead.
#pragma once

#include <windows.h>

// A GDI object owned by the C++ object: deleted with it or by
// DeleteObject. Attach/Detach move a handle in and out without deleting.
class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();
};

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    BOOL CreateCompatibleBitmap(HDC hdc, int width, int height);
};

class CFont : public CGdiObject {
public:
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CRgn : public CGdiObject {
public:
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }
    BOOL CreateRectRgn(int left, int top, int right, int bottom);
    BOOL CreateRectRgnIndirect(const RECT& rect)
    {
        return CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom);
    }
};

// A device context. m_hDC is where drawing goes, m_hAttribDC where
// attributes are read; both are the same context except while printing.
class CDC {
public:
    CDC() = default;
    // Deletes the context it still holds (one made by CreateCompatibleDC).
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;
    BOOL m_bPrinting = FALSE;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL Attach(HDC hdc);
    HDC Detach();
    BOOL DeleteDC();
    BOOL IsPrinting() const { return m_bPrinting; }

    BOOL CreateCompatibleDC(CDC* pDC);

    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    HGDIOBJ SelectObject(CGdiObject* pObject)
    {
        return pObject != nullptr ? ::SelectObject(m_hDC, pObject->m_hObject) : nullptr;
    }
    HGDIOBJ SelectStockObject(int index) { return ::SelectObject(m_hDC, ::GetStockObject(index)); }
    int SelectClipRgn(CRgn* pRgn)
    {
        return ::SelectClipRgn(m_hDC, pRgn != nullptr ? static_cast<HRGN>(pRgn->m_hObject) : nullptr);
    }
    int GetClipBox(LPRECT rect) const { return ::GetClipBox(m_hDC, rect); }
    POINT SetWindowOrg(int x, int y);

    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hAttribDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }

    void FillSolidRect(const RECT* rect, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
    void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
    BOOL DrawEdge(RECT* rect, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, rect, edge, flags); }
    int DrawText(const char* text, int count, RECT* rect, UINT format)
    {
        return ::DrawTextA(m_hDC, text, count, rect, format);
    }
    BOOL BitBlt(int x, int y, int cx, int cy, CDC* pSrc, int xSrc, int ySrc, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, cx, cy, pSrc != nullptr ? pSrc->m_hDC : nullptr, xSrc, ySrc, rop);
    }
};

// The context of one WM_PAINT: BeginPaint at construction, EndPaint at
// destruction. Every WM_PAINT handler that draws makes one, which also
// validates the update region.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND hwnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd;
};

// A context of a window's client area (GetDC/ReleaseDC).
class CClientDC : public CDC {
public:
    explicit CClientDC(HWND hwnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};
