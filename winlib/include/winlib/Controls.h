// The standard controls as objects: a button, a static text and a
// progress bar. They are bound to a dialog's child windows with
// DDX_Control; classes derived from them draw the controls themselves.
#pragma once

#include "winlib/Wnd.h"

class CButton : public CWnd {
public:
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
    void SetState(BOOL bHighlight) { SendMessage(BM_SETSTATE, static_cast<WPARAM>(bHighlight)); }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }

protected:
    // Draws an owner-drawn button (style BS_OWNERDRAW); called for the
    // WM_DRAWITEM that the button sends its parent.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CStatic : public CWnd {};

class CProgressCtrl : public CWnd {};
