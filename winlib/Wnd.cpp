#include "winlib/Wnd.h"

#include "winlib/SysError.h"
#include "winlib/WinApp.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace {
const char kClassName[] = "ZemloWnd";

// Which object each bound window belongs to. Kept in the process rather
// than as a window property: every message to a bound window looks its
// object up, and a property read is a round trip to the window server
// under some systems. Entries go when a window is unbound, destroyed, or
// its object is destroyed, so none outlives its object.
class WindowMap {
public:
    CWnd* Find(HWND hwnd)
    {
        ::AcquireSRWLockShared(&m_lock);
        const auto found = m_objects.find(hwnd);
        CWnd* object = found != m_objects.end() ? found->second : nullptr;
        ::ReleaseSRWLockShared(&m_lock);
        return object;
    }
    void Bind(HWND hwnd, CWnd* object)
    {
        ::AcquireSRWLockExclusive(&m_lock);
        m_objects[hwnd] = object;
        ::ReleaseSRWLockExclusive(&m_lock);
    }
    // Removes the entry of hwnd when it belongs to object.
    void Unbind(HWND hwnd, const CWnd* object)
    {
        ::AcquireSRWLockExclusive(&m_lock);
        const auto found = m_objects.find(hwnd);
        if (found != m_objects.end() && found->second == object)
            m_objects.erase(found);
        ::ReleaseSRWLockExclusive(&m_lock);
    }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    std::unordered_map<HWND, CWnd*> m_objects;
};

WindowMap& Objects()
{
    // Never destroyed: windows of static objects are unbound after the
    // statics of this file are gone.
    static WindowMap* const map = new WindowMap;
    return *map;
}
}  // namespace

CWnd::~CWnd()
{
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        if (m_bOwnsWindow)
            ::DestroyWindow(m_hWnd);
        else
            UnsubclassWindow();
    }
    if (m_hWnd != nullptr)
        Objects().Unbind(m_hWnd, this);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    return hwnd != nullptr ? Objects().Find(hwnd) : nullptr;
}

const char* CWnd::RegisterOwnClass()
{
    static const ATOM atom = [] {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &CWnd::StdWndProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = kClassName;
        return ::RegisterClassExA(&wc);
    }();
    return atom != 0 ? kClassName : nullptr;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    HWND hwndParent, UINT nID)
{
    const char* className = RegisterOwnClass();
    if (className == nullptr || m_hWnd != nullptr)
        return FALSE;
    HMENU menu = (dwStyle & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)) : nullptr;
    HWND hwnd = ::CreateWindowExA(dwExStyle, className, lpszWindowName, dwStyle, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, hwndParent, menu,
                                  ::GetModuleHandleA(nullptr), this);
    if (hwnd == nullptr)
        return FALSE;
    m_bOwnsWindow = true;
    return TRUE;
}

BOOL CWnd::CreateMessageOnly()
{
    RECT rect = {0, 0, 0, 0};
    return CreateEx(0, "", 0, rect, HWND_MESSAGE, 0);
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == nullptr)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

void CWnd::Attach(HWND hwnd, WNDPROC pfnSuper)
{
    m_hWnd = hwnd;
    m_pfnSuper = pfnSuper;
    Objects().Bind(hwnd, this);
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (hwnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hwnd) != nullptr)
        return FALSE;
    m_hWnd = hwnd;
    PreSubclassWindow();
    WNDPROC old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
    Attach(hwnd, old);
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    return SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)));
}

HWND CWnd::UnsubclassWindow()
{
    HWND hwnd = m_hWnd;
    if (hwnd == nullptr)
        return nullptr;
    if (m_pfnSuper != nullptr && ::IsWindow(hwnd))
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    Objects().Unbind(hwnd, this);
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return hwnd;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) const
{
    if (lpszCaption == nullptr)
        lpszCaption = AfxGetAppName();
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}

void CWnd::SetWindowText(LPCSTR text)
{
    ::SetWindowTextA(m_hWnd, text);
}

std::string CWnd::GetWindowText() const
{
    const int length = ::GetWindowTextLengthA(m_hWnd);
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    const int got = ::GetWindowTextA(m_hWnd, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandlePermanent(::GetDlgItem(m_hWnd, nID));
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM && lParam != 0) {
        // Owner-drawn controls bound to an object draw themselves.
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        CWnd* child = FromHandlePermanent(dis->hwndItem);
        LRESULT result = 0;
        if (child != nullptr && child != this && child->OnChildNotify(message, wParam, lParam, &result))
            return result;
    }
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd)
{
    const DWORD style = GetStyle();
    const DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(newStyle));
    return TRUE;
}

LRESULT CWnd::Default()
{
    if (m_pCurrentMsg == nullptr)
        return 0;
    const MSG msg = *m_pCurrentMsg;
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != nullptr)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg = {};
    msg.hwnd = m_hWnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    const MSG* previous = m_pCurrentMsg;
    m_pCurrentMsg = &msg;
    LRESULT result = 0;
    try {
        result = WindowProc(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's code: the exception is
        // reported and the message counts as handled.
        winlib::ReportUnhandledException("window procedure");
        result = 0;
    }
    m_pCurrentMsg = previous;
    return result;
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* self = FromHandlePermanent(hwnd);
    if (self == nullptr && message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        self = static_cast<CWnd*>(cs->lpCreateParams);
        if (self != nullptr)
            self->Attach(hwnd, nullptr);
    }
    if (self == nullptr)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);

    const LRESULT result = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window is gone: unbind, and let the object know.
        WNDPROC super = self->m_pfnSuper;
        Objects().Unbind(hwnd, self);
        if (super != nullptr)
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        self->m_hWnd = nullptr;
        self->m_pfnSuper = nullptr;
        self->m_bOwnsWindow = false;
        self->PostNcDestroy();
    }
    return result;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd == nullptr)
        rControl.SubclassWindow(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC));
}

void CWnd::CenterWindow()
{
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    RECT area = work;
    if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    RECT rect;
    GetWindowRect(&rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    // Whatever the owner's size and place, the caption bar stays reachable.
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
