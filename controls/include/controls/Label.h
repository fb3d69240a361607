// CLabel: a static text that paints its window text transparently over
// whatever its parent has drawn behind it, always left-aligned and wrapped
// at word boundaries, optionally over a light grey copy of itself moved
// down and to the right (the drop shadow). It never erases its background.
#pragma once

#include "winlib/Controls.h"
#include "winlib/Gdi.h"

class CLabel : public CStatic {
public:
    CLabel();
    ~CLabel() override;

    // Switches the shadow on or off for the next paint; returns the
    // previous setting.
    BOOL EnableShadow(BOOL bOn);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    void RefreshBackground();

    BOOL m_bShadow;
    int m_nShadowDx;
    int m_nShadowDy;
    COLORREF m_crShadow;
    COLORREF m_crText;
    CFont* m_pFont;  // not owned; null: the window's own font
};
