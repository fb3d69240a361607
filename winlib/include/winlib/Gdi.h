// Drawing classes on the owner templates of Handles.h. GDI objects
// (CBitmap, CFont, CRgn) own their handle and delete it with the object.
// CDC draws on a device context that it does not own: a borrowed context
// (a DRAWITEMSTRUCT's, WM_PRINTCLIENT's) is wrapped as a CDC and simply
// forgotten. The owning contexts derive from it: CCompatibleDC
// (CreateCompatibleDC / DeleteDC), CPaintDC (BeginPaint / EndPaint) and
// CClientDC (GetDC / ReleaseDC). Objects are selected into a context with
// winlib::ScopedSelectObject, which selects the previous one back.
#pragma once

#include "winlib/Handles.h"

#include <windows.h>

// A GDI object of handle type H, owned: deleted with the C++ object.
template <typename H>
class CGdiObjectT {
public:
    CGdiObjectT() = default;
    // Takes ownership of handle (may be null).
    explicit CGdiObjectT(H handle) : m_handle(handle) {}
    CGdiObjectT(CGdiObjectT&&) noexcept = default;
    CGdiObjectT& operator=(CGdiObjectT&&) noexcept = default;

    H GetSafeHandle() const { return m_handle.get(); }
    operator H() const { return m_handle.get(); }
    // Deletes the object now; FALSE when there was none.
    BOOL DeleteObject()
    {
        const BOOL had = m_handle.valid();
        m_handle.reset();
        return had;
    }

protected:
    // Each Create* makes a new object only for an empty owner, so a
    // second call never replaces an object someone may have selected.
    BOOL Adopt(H handle)
    {
        if (handle == nullptr)
            return FALSE;
        m_handle.reset(handle);
        return TRUE;
    }

    winlib::ScopedGeneric<winlib::GdiObjectTraits<H>> m_handle;
};

class CBitmap : public CGdiObjectT<HBITMAP> {
public:
    using CGdiObjectT::CGdiObjectT;
    BOOL CreateCompatibleBitmap(HDC hdc, int width, int height);
};

class CFont : public CGdiObjectT<HFONT> {
public:
    using CGdiObjectT::CGdiObjectT;
};

class CRgn : public CGdiObjectT<HRGN> {
public:
    using CGdiObjectT::CGdiObjectT;
    BOOL CreateRectRgn(int left, int top, int right, int bottom);
    BOOL CreateRectRgnIndirect(const RECT& rect)
    {
        return CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom);
    }
};

// Drawing on a device context that this object does not own.
class CDC {
public:
    explicit CDC(HDC hdc = nullptr) : m_hDC(hdc) {}
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    // The region is copied into the context; null removes the clipping.
    int SelectClipRgn(const CRgn* pRgn)
    {
        return ::SelectClipRgn(m_hDC, pRgn != nullptr ? pRgn->GetSafeHandle() : nullptr);
    }
    int GetClipBox(LPRECT rect) const { return ::GetClipBox(m_hDC, rect); }
    POINT SetWindowOrg(int x, int y);

    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
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
    BOOL BitBlt(int x, int y, int cx, int cy, const CDC* pSrc, int xSrc, int ySrc, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, cx, cy, pSrc != nullptr ? pSrc->m_hDC : nullptr, xSrc, ySrc, rop);
    }

protected:
    HDC m_hDC;
};

// A memory context compatible with another context (null: the screen),
// owned: deleted with the object. GetSafeHdc() is null when it could not be
// made.
class CCompatibleDC : public CDC {
public:
    explicit CCompatibleDC(HDC reference) : m_owner(::CreateCompatibleDC(reference)) { m_hDC = m_owner.get(); }

private:
    winlib::ScopedMemDC m_owner;
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

// A context of a window's client area (GetDC / ReleaseDC).
class CClientDC : public CDC {
public:
    explicit CClientDC(HWND hwnd) : m_owner(hwnd) { m_hDC = m_owner.get(); }

private:
    winlib::ScopedGetDC m_owner;
};
