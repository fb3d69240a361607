// The control classes of the uninstall window. The thank-you label, the two
// buttons and the progress bar are the shared self-drawn controls; until
// those are linked in, the window binds stand-ins with the same calls that
// leave the drawing to the standard controls. Each alias below is the one
// line to change when the real class arrives.
#pragma once

#include "winlib/Wnd.h"

#include <commctrl.h>

// A static text that would draw a drop shadow.
class CPlainLabel : public CWnd {
public:
    void EnableShadow(BOOL bEnable) { m_bShadow = bEnable; }
    BOOL m_bShadow = FALSE;
};

// A push button that would draw its shaded images.
class CPlainImageButton : public CWnd {
public:
    void ApplyShading(UINT /*type*/, BYTE /*granularity*/, BYTE /*highlight*/, BYTE /*colouring*/,
                      COLORREF /*colour*/)
    {
    }
};

// The native progress bar, driven through the calls of the percentage bar.
// It keeps its own position, as the percentage bar does.
class CPlainProgressCtrl : public CWnd {
public:
    void EnableText(BOOL bShow) { m_bShowText = bShow; }
    void SetRange(int lower, int upper)
    {
        m_nLower = lower;
        m_nUpper = upper;
        if (m_hWnd != nullptr)
            ::SendMessageA(m_hWnd, PBM_SETRANGE32, static_cast<WPARAM>(lower), upper);
    }
    void SetStep(int step) { m_nStep = step; }
    int StepIt()
    {
        if (m_hWnd == nullptr)
            return -1;
        const int previous = m_nPosition;
        m_nPosition += m_nStep;
        ::SendMessageA(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(m_nPosition), 0);
        return previous;
    }

    BOOL m_bShowText = FALSE;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nStep = 1;
    int m_nPosition = 0;
};

using CLabel = CPlainLabel;                   // the label with drop shadow
using CImageButton = CPlainImageButton;       // the shaded push button
using CPercentProgressCtrl = CPlainProgressCtrl;  // the percentage progress bar
