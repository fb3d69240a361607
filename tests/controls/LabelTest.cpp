#include "ControlHost.h"
#include "controls/Label.h"

#include <gtest/gtest.h>

namespace {
const int kId = 1002;
const COLORREF kGreen = RGB(0, 128, 0);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kShadow = RGB(208, 208, 208);

struct Box {
    int left = 10000, top = 10000, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
};

// The bounding box of the pixels of one colour in the label.
Box BoundsOf(HWND hwnd, COLORREF colour)
{
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    Box box;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = 0; x < rc.right; ++x)
            if (ScreenPixel(hwnd, x, y) == colour) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

class LabelTest : public ::testing::Test {
protected:
    void Bind(const char* text, int cx = 200, int cy = 60)
    {
        ASSERT_TRUE(host.Create());
        // A centred static: the label ignores the alignment styles.
        ASSERT_NE(host.AddChild("STATIC", text, SS_CENTER, 10, 10, cx, cy, kId), nullptr);
        CDataExchange dx(&host);
        DDX_Control(&dx, kId, label);
        ::InvalidateRect(host, nullptr, TRUE);
        Settle();
    }
    ControlHost host{kGreen};
    CLabel label;
};
}  // namespace

TEST_F(LabelTest, WithoutShadowOnlyBlackTextOverTheParentsPixels)
{
    Bind("Heading");
    EXPECT_FALSE(label.EnableShadow(FALSE));
    const Box text = BoundsOf(label, kBlack);
    ASSERT_FALSE(text.empty());
    EXPECT_LT(text.left, 4);  // left-aligned despite SS_CENTER
    EXPECT_LT(text.top, 10);  // top-aligned in a 60-pixel label
    EXPECT_TRUE(BoundsOf(label, kShadow).empty());
    EXPECT_EQ(ScreenPixel(label, 199, 59), kGreen);
    EXPECT_EQ(ScreenPixel(label, text.right + 2, text.top), kGreen);
}

TEST_F(LabelTest, ShadowIsTheTextMovedThreePixelsDownAndRight)
{
    Bind("Heading");
    const Box text = BoundsOf(label, kBlack);
    EXPECT_FALSE(label.EnableShadow(TRUE));
    EXPECT_TRUE(label.EnableShadow(TRUE));
    ::InvalidateRect(label, nullptr, TRUE);
    Settle();
    const Box shadow = BoundsOf(label, kShadow);
    ASSERT_FALSE(shadow.empty());
    EXPECT_EQ(shadow.right, text.right + 3);
    EXPECT_EQ(shadow.bottom, text.bottom + 3);
    // The text lies on top of its shadow, unchanged.
    const Box over = BoundsOf(label, kBlack);
    EXPECT_EQ(over.left, text.left);
    EXPECT_EQ(over.bottom, text.bottom);
}

TEST_F(LabelTest, RepaintNeverErasesTheBackground)
{
    Bind("Heading");
    // The parent would now paint red, but only the label repaints: what is
    // behind the text stays what the parent drew before.
    host.m_crBack = RGB(255, 0, 0);
    ::InvalidateRect(label, nullptr, TRUE);
    ::UpdateWindow(label);
    EXPECT_EQ(ScreenPixel(label, 199, 59), kGreen);
    EXPECT_GT(CountPixels(label, RECT{0, 0, 200, 60}, kBlack), 0);
}

TEST_F(LabelTest, LongTextWrapsAtWordsAndTheShadowWrapsAlike)
{
    Bind("one two three four five six seven eight nine ten", 80, 120);
    label.EnableShadow(TRUE);
    ::InvalidateRect(label, nullptr, TRUE);
    Settle();
    const Box text = BoundsOf(label, kBlack);
    const Box shadow = BoundsOf(label, kShadow);
    ASSERT_FALSE(text.empty());
    EXPECT_GT(text.bottom - text.top, 30);  // several lines
    EXPECT_LT(text.right, 80);
    EXPECT_EQ(shadow.bottom, text.bottom + 3);
}

TEST_F(LabelTest, NewTextGetsAFreshBackground)
{
    Bind("MMMMMMMM");
    const Box old = BoundsOf(label, kBlack);
    ASSERT_FALSE(old.empty());
    label.SetWindowText(".");
    Settle();
    // Where the wide glyphs were, the parent's colour is back.
    EXPECT_LT(BoundsOf(label, kBlack).right, old.right - 20);
    EXPECT_EQ(ScreenPixel(label, old.right - 1, old.top + 2), kGreen);
}

TEST_F(LabelTest, ManyPaintsLeaveNoDrawingObjectBehind)
{
    Bind("Heading");
    label.EnableShadow(TRUE);
    EXPECT_TRUE(PaintsLeaveNoObjectBehind(label));
}
