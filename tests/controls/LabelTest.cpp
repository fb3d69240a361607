#include "ControlHost.h"
#include "controls/Label.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
const COLORREF kGreen = RGB(0, 128, 0);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kShadow = RGB(208, 208, 208);

// The bounding box of the pixels of one colour in the label; right < 0
// when there are none.
RECT BoundsOf(HWND hwnd, COLORREF colour)
{
    RECT rc, box = {10000, 10000, -1, -1};
    ::GetClientRect(hwnd, &rc);
    const std::vector<COLORREF> pixels = Pixels(hwnd, rc);
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = 0; x < rc.right; ++x)
            if (pixels[static_cast<size_t>(y * rc.right + x)] == colour)
                box = {std::min(box.left, LONG(x)), std::min(box.top, LONG(y)), std::max(box.right, LONG(x)),
                       std::max(box.bottom, LONG(y))};
    return box;
}

// A label on a centred static (the label ignores the alignment styles).
struct LabelScene {
    void Show(const char* text, LONG cx = 200, LONG cy = 60)
    {
        ASSERT_TRUE(host.Create());
        ASSERT_TRUE(host.Bind(label, "STATIC", text, SS_CENTER, {10, 10, 10 + cx, 10 + cy}, 1002));
        ::InvalidateRect(host, nullptr, TRUE);
        Settle();
    }
    ControlHost host{kGreen};
    CLabel label;
};
}  // namespace

TEST(Label, BlackTextAtTheTopLeftOverTheParentsPixelsThatOnlyANewTextRefreshes)
{
    LabelScene scene;
    ASSERT_NO_FATAL_FAILURE(scene.Show("MMMMMMMM"));
    CLabel& label = scene.label;
    const RECT text = BoundsOf(label, kBlack);
    ASSERT_GE(text.right, 0);
    EXPECT_LT(text.left, 4);
    EXPECT_LT(text.top, 10);
    EXPECT_LT(BoundsOf(label, kShadow).right, 0);
    EXPECT_EQ(ScreenPixel(label, text.right + 2, text.top), kGreen);
    // The parent would now paint red, but only the label repaints.
    scene.host.m_crBack = RGB(255, 0, 0);
    ::InvalidateRect(label, nullptr, TRUE);
    ::UpdateWindow(label);
    EXPECT_EQ(ScreenPixel(label, 199, 59), kGreen);
    EXPECT_EQ(BoundsOf(label, kBlack).right, text.right);
    // A new text has the parent repaint behind the label first.
    label.SetWindowText(".");
    Settle();
    EXPECT_LT(BoundsOf(label, kBlack).right, text.right - 20);
    EXPECT_EQ(ScreenPixel(label, text.right - 1, text.top + 2), RGB(255, 0, 0));
}

TEST(Label, ShadowIsTheTextMovedThreePixelsDownAndRightWrappedAlike)
{
    const struct { const char* text; LONG cx, cy, minHeight; } rows[] = {
        {"Heading", 200, 60, 5}, {"one two three four five six seven eight nine ten", 80, 120, 30}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        LabelScene scene;
        ASSERT_NO_FATAL_FAILURE(scene.Show(row.text, row.cx, row.cy));
        CLabel& label = scene.label;
        const RECT text = BoundsOf(label, kBlack);
        EXPECT_GT(text.bottom - text.top, row.minHeight);
        EXPECT_LT(text.right, row.cx);
        EXPECT_FALSE(label.EnableShadow(TRUE));
        EXPECT_TRUE(label.EnableShadow(TRUE));
        ::InvalidateRect(label, nullptr, TRUE);
        Settle();
        const RECT shadow = BoundsOf(label, kShadow);
        EXPECT_EQ(shadow.right, std::min(text.right + 3, row.cx - 1));
        EXPECT_EQ(shadow.bottom, text.bottom + 3);
        const RECT over = BoundsOf(label, kBlack);
        EXPECT_TRUE(::EqualRect(&over, &text));  // the text lies on top, unchanged
    }
}
