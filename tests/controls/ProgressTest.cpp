#include "ControlHost.h"
#include "controls/PercentProgressCtrl.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {
const int kId = 1010;

// Counts the paints that reach the control.
class CountingProgress : public CPercentProgressCtrl {
public:
    int m_nPaints = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_PAINT)
            ++m_nPaints;
        return CPercentProgressCtrl::WindowProc(message, wParam, lParam);
    }
};

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.Create());
        ASSERT_NE(host.AddChild(PROGRESS_CLASSA, "", 0, 10, 10, 200, 20, kId), nullptr);
        CDataExchange dx(&host);
        DDX_Control(&dx, kId, bar);
        ASSERT_EQ(bar.m_hWnd, host.GetDlgItemHwnd(kId));
        Settle();
    }
    std::vector<COLORREF> Snapshot(const RECT& r) const
    {
        std::vector<COLORREF> pixels;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                pixels.push_back(ScreenPixel(bar, x, y));
        return pixels;
    }
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    ControlHost host;
    CountingProgress bar;
};
}  // namespace

TEST_F(ProgressTest, DefaultIsAnEmptyBarWithCentredPercentageInTheHighlightColour)
{
    EXPECT_EQ(bar.GetPos(), 0);
    EXPECT_EQ(ScreenPixel(bar, 0, 0), window);
    EXPECT_EQ(ScreenPixel(bar, 199, 19), window);
    EXPECT_GT(CountPixels(bar, RECT{80, 0, 120, 20}, highlight), 0);
    EXPECT_EQ(CountPixels(bar, RECT{0, 0, 60, 20}, highlight), 0);
    EXPECT_EQ(CountPixels(bar, RECT{140, 0, 200, 20}, highlight), 0);
}

TEST_F(ProgressTest, HalfRangeFillsHalfTheWidthAndSplitsTheTextColours)
{
    EXPECT_EQ(bar.SetPos(50), 0);
    Settle();
    EXPECT_EQ(ScreenPixel(bar, 0, 0), highlight);
    EXPECT_EQ(ScreenPixel(bar, 99, 0), highlight);
    EXPECT_EQ(ScreenPixel(bar, 100, 0), window);
    // Glyphs left of the boundary are in the window colour over the bar,
    // those right of it in the highlight colour over the background.
    EXPECT_GT(CountPixels(bar, RECT{70, 0, 100, 20}, window), 0);
    EXPECT_GT(CountPixels(bar, RECT{100, 0, 130, 20}, highlight), 0);
}

TEST_F(ProgressTest, PartialRepaintDrawsTheSameImage)
{
    bar.SetPos(50);
    Settle();
    const RECT right = {100, 0, 200, 20};
    const std::vector<COLORREF> before = Snapshot(right);
    ::InvalidateRect(bar, &right, TRUE);
    ::UpdateWindow(bar);
    EXPECT_EQ(Snapshot(right), before);
}

TEST_F(ProgressTest, PositionsOutsideTheRangeOverfillOrLeaveTheBarEmpty)
{
    bar.SetPos(130);
    Settle();
    EXPECT_EQ(ScreenPixel(bar, 199, 0), highlight);
    EXPECT_EQ(ScreenPixel(bar, 0, 19), highlight);
    bar.SetPos(-20);
    Settle();
    EXPECT_EQ(ScreenPixel(bar, 0, 0), window);
    EXPECT_EQ(bar.GetPos(), -20);
}

TEST_F(ProgressTest, CaptionReplacesThePercentageUntilEmptied)
{
    bar.SetPos(42);
    Settle();
    const RECT all = {0, 0, 200, 20};
    const std::vector<COLORREF> percentage = Snapshot(all);

    bar.SetWindowText("Copying");
    Settle();
    EXPECT_EQ(bar.GetWindowText(), "Copying");
    EXPECT_EQ(bar.GetCaption(), "Copying");
    EXPECT_NE(Snapshot(all), percentage);

    bar.m_nPaints = 0;
    bar.SetWindowText("Copying");
    EXPECT_FALSE(::GetUpdateRect(bar, nullptr, FALSE));
    Settle();
    EXPECT_EQ(bar.m_nPaints, 0);

    bar.SetWindowText("");
    EXPECT_TRUE(::GetUpdateRect(bar, nullptr, FALSE));
    Settle();
    EXPECT_EQ(Snapshot(all), percentage);
}

TEST_F(ProgressTest, GetTextAlwaysTerminatesAndKeepsDoubleByteCharactersWhole)
{
    bar.SetWindowText("abcdef");
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(::SendMessageA(bar, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)), 3);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'x');  // nothing written beyond the count

    bar.SetWindowText("进度");  // two characters of two bytes each
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(::SendMessageA(bar, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)), 2);
    EXPECT_STREQ(buffer, "进");
    EXPECT_EQ(::SendMessageA(bar, WM_GETTEXT, 8, reinterpret_cast<LPARAM>(buffer)), 4);
    EXPECT_STREQ(buffer, "进度");
    EXPECT_EQ(::SendMessageA(bar, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
}

TEST_F(ProgressTest, StepsThatDoNotMoveTheBoundaryDoNotRepaint)
{
    bar.SetRange(0, 1000);  // one position is a fifth of a pixel
    bar.SetStep(1);
    bar.m_nPaints = 0;
    bar.StepIt();
    bar.StepIt();
    EXPECT_LE(bar.m_nPaints, 1);
    bar.m_nPaints = 0;
    bar.StepIt();
    EXPECT_EQ(bar.StepIt(), 3);
    EXPECT_EQ(bar.m_nPaints, 0);
    bar.StepIt();  // position 5: the boundary reaches the first pixel
    EXPECT_EQ(bar.m_nPaints, 1);  // at once, without pumping messages
    EXPECT_EQ(ScreenPixel(bar, 0, 0), highlight);
    EXPECT_EQ(ScreenPixel(bar, 1, 0), window);
}

TEST_F(ProgressTest, ResizeMakesTheNextSetPosRepaint)
{
    bar.SetPos(10);
    Settle();
    bar.m_nPaints = 0;
    bar.SetPos(10);
    EXPECT_EQ(bar.m_nPaints, 0);
    // Same width, so the same fill width: only the resize forces it.
    ::SetWindowPos(bar, nullptr, 0, 0, 200, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW);
    ::ValidateRect(bar, nullptr);
    bar.m_nPaints = 0;
    bar.SetPos(10);
    EXPECT_EQ(bar.m_nPaints, 1);
    EXPECT_EQ(ScreenPixel(bar, 19, 29), highlight);
    EXPECT_EQ(ScreenPixel(bar, 20, 29), window);
}

TEST_F(ProgressTest, HidingTheTextLeavesOnlyTheBar)
{
    bar.SetPos(50);
    bar.EnableText(FALSE);
    EXPECT_TRUE(::GetUpdateRect(bar, nullptr, FALSE));
    Settle();
    EXPECT_EQ(CountPixels(bar, RECT{0, 0, 100, 20}, window), 0);
    EXPECT_EQ(CountPixels(bar, RECT{100, 0, 200, 20}, highlight), 0);
}

TEST_F(ProgressTest, EmptyRangeValidatesAndDrawsNothing)
{
    host.m_crBack = RGB(0, 0, 255);
    bar.SetRange(5, 5);
    EXPECT_EQ(bar.SetPos(5), 0);
    Settle();
    EXPECT_FALSE(::GetUpdateRect(bar, nullptr, FALSE));
    const int paints = bar.m_nPaints;
    Settle();
    EXPECT_EQ(bar.m_nPaints, paints);  // no endless paint messages
    bar.SetRange(9, 3);
    ::InvalidateRect(bar, nullptr, TRUE);
    Settle();
    EXPECT_FALSE(::GetUpdateRect(bar, nullptr, FALSE));
}

TEST(ProgressWithoutWindow, SettersStoreAndPositionCallsReturnMinusOne)
{
    CPercentProgressCtrl bar;
    bar.SetRange(3, 7);
    bar.SetStep(2);
    bar.EnableText(FALSE);
    EXPECT_EQ(bar.SetPos(5), -1);
    EXPECT_EQ(bar.StepIt(), -1);
    EXPECT_EQ(bar.GetPos(), 0);
    int lower = 0, upper = 0;
    bar.GetRange(lower, upper);
    EXPECT_EQ(lower, 3);
    EXPECT_EQ(upper, 7);
}

TEST_F(ProgressTest, ManyPaintsLeaveNoDrawingObjectBehind)
{
    bar.SetPos(50);
    bar.SetWindowText("Copying");
    Settle();
    EXPECT_TRUE(PaintsLeaveNoObjectBehind(bar));
}
