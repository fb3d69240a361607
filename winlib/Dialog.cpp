#include "winlib/Dialog.h"

#include "winlib/Gdi.h"
#include "winlib/SysError.h"
#include "winlib/WinApp.h"

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

INT_PTR CDialog::DoModal()
{
    HWND parent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    return ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parent,
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    CDataExchange dx(this);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

void CDialog::PaintMinimizedIcon(HICON hIcon)
{
    CPaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    RECT client;
    GetClientRect(&client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, hIcon);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return 0;
        case IDCANCEL:
            OnCancel();
            return 0;
        default:
            break;
        }
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* self = reinterpret_cast<CDialog*>(lParam);
    if (self == nullptr || !self->SubclassWindow(hwnd))
        return TRUE;
    // A dialog that its initialisation did not place goes to the middle of
    // its owner, as the templates at 0, 0 expect.
    RECT before;
    ::GetWindowRect(hwnd, &before);
    BOOL result = TRUE;
    try {
        result = self->OnInitDialog();
    } catch (...) {
        winlib::ReportUnhandledException("dialog initialisation");
    }
    RECT after;
    if (::IsWindow(hwnd) && (::GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) == 0 && ::GetWindowRect(hwnd, &after)
        && ::EqualRect(&before, &after))
        self->CenterWindow();
    return result;
}
