// CDialog: a modal dialog from a resource template. The dialog window is
// subclassed as soon as it exists, so WindowProc sees every message after
// WM_INITDIALOG and Default reaches the system's dialog procedure. A dialog
// whose OnInitDialog leaves it where the template put it is centred over
// its owner.
#pragma once

#include "winlib/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog; returns the code passed to EndDialog, or -1 when the
    // dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

protected:
    // Binds the controls (DoDataExchange) and returns TRUE so that the
    // system sets the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    // The paint of a minimised dialog: the icon background erased
    // (WM_ICONERASEBKGND) and hIcon drawn centred in the client area.
    void PaintMinimizedIcon(HICON hIcon);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};
