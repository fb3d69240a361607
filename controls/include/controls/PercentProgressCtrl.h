// CPercentProgressCtrl: a progress bar that paints itself: the filled part
// in the bar colour, the rest in the background colour, and centred text
// (the caption when there is one, else the percentage reached) drawn twice
// through two clip regions so that each glyph takes the colour that stands
// out against the part it lies over. Range and position live in the
// object; the native control's own position is never used. A position
// change repaints only when the filled width changes by a whole pixel (or
// the percentage changes), and then draws at once.
#pragma once

#include "winlib/Controls.h"
#include "winlib/Gdi.h"

#include <string>

class CPercentProgressCtrl : public CProgressCtrl {
public:
    CPercentProgressCtrl();
    ~CPercentProgressCtrl() override;

    void EnableText(BOOL bShow);
    void SetRange(int nLower, int nUpper);
    // Returns the previous position, or -1 (position unchanged) when the
    // window does not exist.
    int SetPos(int nPos);
    int StepIt();
    void SetStep(int nStep);

    int GetPos() const { return m_nPosition; }
    void GetRange(int& nLower, int& nUpper) const
    {
        nLower = m_nLower;
        nUpper = m_nUpper;
    }
    const std::string& GetCaption() const { return m_strCaption; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Draws the bar into target, within target's clip box: composed off
    // screen and copied in one block. Called by the paint handler and, for
    // a change of position, at once into the window's own context.
    virtual void Draw(CDC& target);

private:
    void OnPaint();
    LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetText(WPARAM wParam, LPARAM lParam) const;

    int m_nPosition;
    int m_nStep;
    int m_nUpper;
    int m_nLower;
    std::string m_strCaption;
    BOOL m_bShowText;
    int m_nFillWidth;
    int m_nPercent;  // the percentage last drawn, -1 before the first
    COLORREF m_crBar;
    COLORREF m_crBack;
    COLORREF m_crTextOnBack;
    COLORREF m_crTextOnBar;
};
