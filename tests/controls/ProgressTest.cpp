// The progress bar: its fill, the percentage or a caption in its place,
// its repaints, and its calls before it has a window.
#include "ControlHost.h"
#include "controls/PercentProgressCtrl.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {
// Counts the times the control draws itself: for a paint message, or at
// once for a step of the bar.
class CountingProgress : public CPercentProgressCtrl {
public:
    int m_nPaints = 0;

protected:
    void Draw(CDC& target) override
    {
        ++m_nPaints;
        CPercentProgressCtrl::Draw(target);
    }
};

// A 200 x 20 bar over range 0 to 100.
class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.Create());
        ASSERT_TRUE(host.Bind(bar, PROGRESS_CLASSA, "", 0, {10, 10, 210, 30}, 1010));
        Settle();
    }
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const RECT all = {0, 0, 200, 20};
    ControlHost host;
    CountingProgress bar;
};
}  // namespace

TEST_F(ProgressTest, FillFollowsThePositionBeyondEitherEndOfTheRange)
{
    const struct { int pos, fill; } rows[] = {{0, 0}, {50, 100}, {130, 200}, {-20, 0}, {100, 200}, {1, 2}};
    int previous = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pos);
        EXPECT_EQ(bar.SetPos(row.pos), previous);
        previous = row.pos;
        Settle();
        // The top and bottom rows lie clear of the centred text.
        for (int y : {0, 19}) {
            EXPECT_EQ(CountPixels(bar, {0, y, 200, y + 1}, highlight), row.fill) << y;
            EXPECT_EQ(CountPixels(bar, {row.fill, y, 200, y + 1}, window), 200 - row.fill) << y;
        }
    }
}

TEST_F(ProgressTest, CentredPercentageTakesTheOppositeColourOfWhatLiesBehind)
{
    EXPECT_GT(CountPixels(bar, {80, 0, 120, 20}, highlight), 0);
    EXPECT_EQ(CountPixels(bar, {0, 0, 60, 20}, highlight), 0);
    EXPECT_EQ(CountPixels(bar, {140, 0, 200, 20}, highlight), 0);
    bar.SetPos(50);
    Settle();
    EXPECT_GT(CountPixels(bar, {70, 0, 100, 20}, window), 0);
    EXPECT_GT(CountPixels(bar, {100, 0, 130, 20}, highlight), 0);
    // A repaint of part of the bar draws the same image there again.
    const RECT right = {100, 0, 200, 20};
    const std::vector<COLORREF> before = Pixels(bar, right);
    CClientDC(bar).FillSolidRect(&right, RGB(1, 2, 3));
    ::InvalidateRect(bar, &right, TRUE);
    ::UpdateWindow(bar);
    EXPECT_EQ(Pixels(bar, right), before);
}

TEST_F(ProgressTest, CaptionReplacesThePercentageUntilEmptied)
{
    bar.SetPos(42);
    Settle();
    const std::vector<COLORREF> percentage = Pixels(bar, all);
    bar.SetWindowText("Copying");
    Settle();
    EXPECT_NE(Pixels(bar, all), percentage);

    bar.m_nPaints = 0;
    bar.SetWindowText("Copying");
    EXPECT_FALSE(::GetUpdateRect(bar, nullptr, FALSE));
    Settle();
    EXPECT_EQ(bar.m_nPaints, 0);

    bar.SetWindowText("");
    EXPECT_TRUE(::GetUpdateRect(bar, nullptr, FALSE));
    Settle();
    EXPECT_EQ(Pixels(bar, all), percentage);
}

TEST_F(ProgressTest, GetTextFitsTheBufferAndKeepsDoubleByteCharactersWhole)
{
    const struct { const char* caption; int capacity, count; const char* expected; } rows[] = {
        {"abcdef", 4, 3, "abc"}, {"进度", 4, 2, "进"}, {"进度", 8, 4, "进度"}, {"abc", 0, 0, nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.caption << " into " << row.capacity);
        bar.SetWindowText(row.caption);
        char buffer[10];
        std::memset(buffer, 'x', sizeof(buffer));
        EXPECT_EQ(::SendMessageA(bar, WM_GETTEXT, row.capacity, reinterpret_cast<LPARAM>(buffer)), row.count);
        if (row.expected != nullptr) {
            EXPECT_STREQ(buffer, row.expected);
        }
        EXPECT_EQ(buffer[row.capacity], 'x');  // nothing written beyond the count
    }
}

TEST_F(ProgressTest, RepaintsOnlyWhenTheBoundaryMovesAPixelOrThePercentageChangesOrAfterAResizeAndNeverForAnEmptyRange)
{
    bar.SetRange(0, 2000);
    bar.SetStep(2);  // a step is a fifth of a pixel
    bar.m_nPaints = 0;
    bar.StepIt();
    bar.StepIt();
    EXPECT_LE(bar.m_nPaints, 1);
    bar.m_nPaints = 0;
    bar.StepIt();
    EXPECT_EQ(bar.StepIt(), 6);
    EXPECT_EQ(bar.m_nPaints, 0);
    bar.StepIt();  // position 10: the boundary reaches the first pixel
    EXPECT_EQ(bar.m_nPaints, 1);  // at once, without pumping messages
    EXPECT_EQ(ScreenPixel(bar, 0, 0), highlight);
    EXPECT_EQ(ScreenPixel(bar, 1, 0), window);

    // Same width, so the same fill width: only the resize forces a paint.
    bar.SetRange(0, 100);
    bar.SetPos(10);
    ::SetWindowPos(bar, nullptr, 0, 0, 200, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW);
    ::ValidateRect(bar, nullptr);
    bar.m_nPaints = 0;
    bar.SetPos(10);
    EXPECT_EQ(bar.m_nPaints, 1);
    EXPECT_EQ(ScreenPixel(bar, 19, 29), highlight);
    EXPECT_EQ(ScreenPixel(bar, 20, 29), window);

    // While the percentage stays, a step repaints only what the boundary
    // crossed; the bar then shows what a whole repaint shows, the centred
    // text included.
    bar.SetRange(0, 2000);
    bar.SetPos(990);
    Settle();
    for (int pos = 993; pos <= 1110; pos += 3) {
        bar.SetPos(pos);
        const std::vector<COLORREF> stepped = Pixels(bar, {0, 0, 200, 30});
        ::InvalidateRect(bar, nullptr, TRUE);
        ::UpdateWindow(bar);
        EXPECT_EQ(Pixels(bar, {0, 0, 200, 30}), stepped) << pos;
    }

    // Narrower than 100 pixels, the bar shows a new percentage before its
    // fill grows: the new text is painted, and only once.
    ::SetWindowPos(bar, nullptr, 0, 0, 40, 20, SWP_NOMOVE | SWP_NOZORDER);
    bar.SetRange(0, 100);
    bar.SetPos(0);
    Settle();
    const std::vector<COLORREF> zero = Pixels(bar, {0, 0, 40, 20});
    bar.m_nPaints = 0;
    bar.SetPos(1);  // 0.4 pixels of fill
    bar.SetPos(1);
    EXPECT_EQ(bar.m_nPaints, 1);
    EXPECT_EQ(CountPixels(bar, {0, 0, 40, 1}, highlight), 0);
    EXPECT_NE(Pixels(bar, {0, 0, 40, 20}), zero);

    // An empty range draws nothing but still validates.
    for (auto range : {std::make_pair(5, 5), std::make_pair(9, 3)}) {
        bar.SetRange(range.first, range.second);
        bar.SetPos(5);
        ::InvalidateRect(bar, nullptr, TRUE);
        Settle();
        // Else the system would send WM_PAINT again and again.
        EXPECT_FALSE(::GetUpdateRect(bar, nullptr, FALSE)) << range.first;
    }
}

TEST(ProgressWithoutWindow, PositionCallsReturnMinusOneAndKeepThePosition)
{
    CPercentProgressCtrl bar;
    bar.EnableText(FALSE);
    EXPECT_EQ(bar.SetPos(5), -1);
    EXPECT_EQ(bar.StepIt(), -1);
    EXPECT_EQ(bar.GetPos(), 0);
}
