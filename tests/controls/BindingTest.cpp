#include "controls/ImageButton.h"
#include "controls/Label.h"
#include "controls/PercentProgressCtrl.h"
#include "winlib/Dialog.h"
#include "winlib/Gdi.h"

#include <gtest/gtest.h>

namespace {
// A modal dialog from a template that binds the controls the way the
// programs' windows do and, once it has been painted, reads its pixels
// back and ends.
class BoundDialog : public CDialog {
public:
    BoundDialog() : CDialog(300) {}

    CImageButton m_next;
    CPercentProgressCtrl m_bar;
    CLabel m_heading;
    DWORD m_nButtonStyle = 0;
    COLORREF m_crButton = CLR_INVALID;
    COLORREF m_crBarLeft = CLR_INVALID;
    COLORREF m_crBarRight = CLR_INVALID;
    int m_nShadowPixels = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, 1000, m_next);
        DDX_Control(pDX, 1010, m_bar);
        DDX_Control(pDX, 1002, m_heading);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_heading.EnableShadow(TRUE);
        m_next.ApplyShading(CImageButton::SHS_HARDBUMP, 8, 10, 0, 0);
        m_bar.SetRange(0, 100);
        m_bar.SetPos(50);
        SetTimer(1, 300);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_TIMER && wParam == 1) {
            KillTimer(1);
            Sample();
            EndDialog(IDOK);
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }

private:
    void Sample()
    {
        m_nButtonStyle = m_next.GetStyle();
        RECT rc;
        m_next.GetClientRect(&rc);
        {
            CClientDC dc(m_next);
            m_crButton = ::GetPixel(dc, 3, rc.bottom / 2);
        }
        m_bar.GetClientRect(&rc);
        {
            CClientDC dc(m_bar);
            m_crBarLeft = ::GetPixel(dc, 0, 0);
            m_crBarRight = ::GetPixel(dc, rc.right - 1, 0);
        }
        m_heading.GetClientRect(&rc);
        CClientDC dc(m_heading);
        for (int y = 0; y < rc.bottom; ++y)
            for (int x = 0; x < rc.right; ++x)
                m_nShadowPixels += ::GetPixel(dc, x, y) == RGB(208, 208, 208);
    }
};
}  // namespace

TEST(DialogBinding, BoundControlsDrawThemselvesInAModalDialog)
{
    BoundDialog dlg;
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_nButtonStyle & 0xF, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_EQ(dlg.m_next.GetKind(), CImageButton::KIND_PUSH);
    // The button shows its texture, a colour of its palette.
    const CShadeDib& normal = dlg.m_next.NormalImage();
    bool inPalette = false;
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& q = normal.ColorTable()[i];
        inPalette = inPalette || RGB(q.rgbRed, q.rgbGreen, q.rgbBlue) == dlg.m_crButton;
    }
    EXPECT_TRUE(inPalette);
    EXPECT_EQ(dlg.m_crBarLeft, ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(dlg.m_crBarRight, ::GetSysColor(COLOR_WINDOW));
    EXPECT_GT(dlg.m_nShadowPixels, 0);
    // The dialog is gone; the objects let go of their windows.
    EXPECT_EQ(dlg.m_next.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_bar.m_hWnd, nullptr);
}
