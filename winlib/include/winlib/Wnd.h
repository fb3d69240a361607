// CWnd: a C++ object bound to a window. Each class overrides WindowProc,
// whose switch is its message map, and hands every message it does not
// handle to the base class, ending in Default (the window's original
// procedure) or DefWindowProc. No exception leaves a window procedure.
#pragma once

#include <windows.h>

#include <string>

class CDataExchange;

class CWnd {
public:
    CWnd() = default;
    // Destroys a window that this object created and is still alive, and
    // gives a subclassed window its own procedure back.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to a window, or null when none is.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Creates a window of this object's own window class.
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  HWND hwndParent, UINT nID);
    // Creates a message-only window: it receives sent and posted messages
    // and is never shown.
    BOOL CreateMessageOnly();
    virtual BOOL DestroyWindow();

    // Binds an existing window (a dialog's control) to this object by
    // subclassing it; calls PreSubclassWindow first.
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // A message box owned by this window; the caption defaults to the
    // application's name.
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK) const;

    void SetWindowText(LPCSTR text);
    std::string GetWindowText() const;
    CWnd* GetDlgItem(int nID) const;
    HWND GetDlgItemHwnd(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse) { return ::SetTimer(m_hWnd, nIDEvent, nElapse, nullptr); }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    // Moves the window to the middle of its owner, or of the work area when
    // it has no visible, restored owner, keeping it within the work area.
    void CenterWindow();
    // Removes the remove bits from the style and adds the add bits; TRUE
    // when the style changed.
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd);

protected:
    // The message map: handle what the class handles, pass the rest on.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called before a window is bound to this object by SubclassWindow.
    virtual void PreSubclassWindow() {}
    // Called after the window has received its last message.
    virtual void PostNcDestroy() {}
    // A message a control sent to its parent (WM_DRAWITEM), handed back to
    // the control's object so that it can draw itself. Returns TRUE with
    // *pResult set when the control handled it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Passes the current message to the window's original procedure.
    LRESULT Default();
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Binds this object to hwnd and makes our procedure the window's.
    void Attach(HWND hwnd, WNDPROC pfnSuper);

private:
    static LRESULT CALLBACK StdWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    static const char* RegisterOwnClass();

    WNDPROC m_pfnSuper = nullptr;  // the window's own procedure when subclassed
    bool m_bOwnsWindow = false;    // created by CreateEx, destroyed with the object
    const MSG* m_pCurrentMsg = nullptr;

    friend class CDialog;
};

// Binds a dialog's control to a member (the only kind of data exchange the
// programs use).
class CDataExchange {
public:
    explicit CDataExchange(CWnd* pDlgWnd) : m_pDlgWnd(pDlgWnd) {}
    CWnd* m_pDlgWnd;
};

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
