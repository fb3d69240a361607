#include "ControlHost.h"
#include "DebugOutput.h"
#include "controls/ImageButton.h"
#include "controls/Label.h"
#include "controls/PercentProgressCtrl.h"
#include "winlib/Dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {
// A modal dialog from a template that binds the controls the way the
// programs' windows do and, once it has been shown, runs the checks and
// ends.
class BoundDialog : public CDialog {
public:
    explicit BoundDialog(std::function<void(BoundDialog&)> check, bool failInit = false)
        : CDialog(300), m_check(std::move(check)), m_bFailInit(failInit)
    {
    }

    CImageButton m_next;
    CPercentProgressCtrl m_bar;
    CLabel m_heading;

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
        m_bar.SetPos(50);
        SetTimer(1, 300);
        if (m_bFailInit)
            throw std::runtime_error("initialisation failed");
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_TIMER || wParam != 1)
            return CDialog::WindowProc(message, wParam, lParam);
        KillTimer(1);
        m_check(*this);
        EndDialog(IDOK);
        return 0;
    }

private:
    std::function<void(BoundDialog&)> m_check;
    bool m_bFailInit;
};
}  // namespace

TEST(DialogBinding, BoundControlsDrawThemselvesAndLeaveNoDrawingObjectBehind)
{
    BoundDialog dlg([](BoundDialog& d) {
        // The button is drawn by its owner-draw code: along its top row,
        // inside the edge, the screen shows the grain of the texture in
        // colours of its palette, where a plain button is one colour.
        RECT rc;
        d.m_next.GetClientRect(&rc);
        std::vector<COLORREF> row = Pixels(d.m_next, {3, 3, rc.right - 3, 4});
        for (COLORREF pixel : row) {
            bool inPalette = false;
            for (int i = 0; i < 256 && !inPalette; ++i)
                inPalette = pixel == ButtonRamp(i);
            EXPECT_TRUE(inPalette) << std::hex << pixel;
        }
        std::sort(row.begin(), row.end());
        EXPECT_GE(std::unique(row.begin(), row.end()) - row.begin(), 3);
        for (HWND control : {d.m_next.m_hWnd, d.m_bar.m_hWnd, d.m_heading.m_hWnd})
            EXPECT_TRUE(PaintsLeaveNoObjectBehind(control));
    });
    ASSERT_EQ(dlg.DoModal(), IDOK);
    // The dialog is gone; the objects let go of their windows.
    EXPECT_EQ(dlg.m_next.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_bar.m_hWnd, nullptr);
}

TEST(DialogBinding, AnExceptionFromTheInitialisationIsReportedAndTheDialogStillRuns)
{
    DebugOutput output;
    DebugOutput::Clear();
    bool shown = false;
    BoundDialog dlg([&shown](BoundDialog& d) { shown = ::IsWindowVisible(d.m_hWnd) != FALSE; }, true);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(shown);
    EXPECT_NE(DebugOutput::Text().find("dialog initialisation: initialisation failed"), std::string::npos)
        << DebugOutput::Text();
}
