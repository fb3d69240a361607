// The image button, observed as Windows shows it: the pixels of the
// button's window and its answers to messages. Checked: its kinds, its
// textures at every size, its looks under the mouse, and as a check box or
// radio button its clicks and its group walk.
#include "ControlHost.h"
#include "controls/ImageButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {
const COLORREF kShadow = ::GetSysColor(COLOR_BTNSHADOW);
const COLORREF kFace = ::GetSysColor(COLOR_BTNFACE);
const COLORREF kLight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
const COLORREF kText = ::GetSysColor(COLOR_BTNTEXT);
const COLORREF kRed = RGB(255, 0, 0);

COLORREF Ramp(int i)
{
    return ButtonRamp(i);
}

// colour moved percent of the way toward target, per channel.
COLORREF Toward(COLORREF target, int percent, COLORREF colour)
{
    auto mix = [percent](int to, int from) { return (to * percent + from * (100 - percent)) / 100; };
    return RGB(mix(GetRValue(target), GetRValue(colour)), mix(GetGValue(target), GetGValue(colour)),
               mix(GetBValue(target), GetBValue(colour)));
}

// The lowest and the highest palette colour that the pixels use; -1 for
// a pixel that is no palette colour.
std::pair<int, int> RampSpan(const std::vector<COLORREF>& pixels)
{
    std::vector<COLORREF> ramp;
    for (int i = 0; i < 256; ++i)
        ramp.push_back(Ramp(i));
    int lo = 256, hi = -1;
    for (COLORREF pixel : pixels) {
        const auto first = std::find(ramp.begin(), ramp.end(), pixel);
        if (first == ramp.end())
            return {-1, -1};
        // Neighbouring entries can share a colour: the lowest one counts
        // for the low end, the highest for the high end.
        const auto last = std::find(ramp.rbegin(), ramp.rend(), pixel);
        lo = std::min(lo, static_cast<int>(first - ramp.begin()));
        hi = std::max(hi, static_cast<int>(ramp.rend() - last - 1));
    }
    return {lo, hi};
}

class ImageButtonTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Create()); }
    // A button child with the style, bound to a new CImageButton.
    CImageButton& Add(DWORD style, RECT r = {10, 10, 100, 36}, const char* text = "")
    {
        buttons.push_back(std::make_unique<CImageButton>());
        EXPECT_TRUE(host.Bind(*buttons.back(), "BUTTON", text, style, r, 1000 + static_cast<int>(buttons.size())));
        return *buttons.back();
    }
    bool Checked(CImageButton& b) { return b.SendMessage(BM_GETCHECK) == 1; }
    void Click(CImageButton& b, int upX = 5)
    {
        b.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        b.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(upX, 5));
    }
    // The button's whole client area after it has drawn itself again.
    std::vector<COLORREF> Repainted(CImageButton& b, RECT area)
    {
        ::InvalidateRect(b, nullptr, TRUE);
        ::UpdateWindow(b);
        return Pixels(b, area);
    }
    ControlHost host;
    std::vector<std::unique_ptr<CImageButton>> buttons;
};

// Columns of the area that show the caption's colour.
std::pair<int, int> TextColumns(const std::vector<COLORREF>& pixels, int width)
{
    int left = width, right = -1;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] == kText) {
            left = std::min(left, static_cast<int>(i % width));
            right = std::max(right, static_cast<int>(i % width));
        }
    }
    return {left, right};
}
}  // namespace

TEST_F(ImageButtonTest, KindAndLookComeFromTheStyleAndOnlyAPushButtonCannotBeChecked)
{
    // Kind, by what Space does: a check box toggles, a radio button only
    // checks, a push button stays unchecked. Border: a push-like button has
    // a raised edge (its corner shows the dark shadow). Caption: centred
    // unless BS_LEFT or BS_RIGHT, always on one line in the middle.
    enum { PUSH, CHECKBOX, RADIO };
    const struct { DWORD style; int kind; bool border; int align; } rows[] = {
        {BS_PUSHBUTTON, PUSH, true, 0},
        {BS_AUTOCHECKBOX | BS_LEFT, CHECKBOX, false, -1},
        {BS_AUTORADIOBUTTON | BS_RIGHT | BS_PUSHLIKE, RADIO, true, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.style);
        CImageButton& button = Add(row.style, {10, 10, 200, 40}, "Next");
        button.ApplyShading(0, 0, 10, 0, 0);  // one plain colour
        EXPECT_EQ(button.GetStyle() & 0xF, static_cast<DWORD>(BS_OWNERDRAW));

        const std::vector<COLORREF> pixels = Repainted(button, {0, 0, 190, 30});
        EXPECT_EQ(pixels.back() == ::GetSysColor(COLOR_3DDKSHADOW), row.border);
        EXPECT_EQ(pixels.back() == Ramp(128), !row.border);
        const auto text = TextColumns(pixels, 190);
        ASSERT_LT(text.first, text.second);
        const int leftGap = text.first, rightGap = 189 - text.second;
        if (row.align < 0) {
            EXPECT_GE(leftGap, 6);
            EXPECT_LE(leftGap, 8);
        } else if (row.align > 0) {
            EXPECT_GE(rightGap, 6);
            EXPECT_LE(rightGap, 8);
        } else {
            EXPECT_LE(std::abs(leftGap - rightGap), 2);
        }
        int top = 30, bottom = -1;
        for (size_t i = 0; i < pixels.size(); ++i)
            if (pixels[i] == kText) {
                top = std::min(top, static_cast<int>(i / 190));
                bottom = std::max(bottom, static_cast<int>(i / 190));
            }
        EXPECT_LE(std::abs(top - (29 - bottom)), 3) << top << ".." << bottom;

        button.SendMessage(BM_SETCHECK, BST_CHECKED);
        EXPECT_EQ(Checked(button), row.kind != PUSH);
        button.SendMessage(BM_SETCHECK, BST_UNCHECKED);
        button.SendMessage(WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_EQ(Checked(button), row.kind != PUSH);
        button.SendMessage(WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_EQ(Checked(button), row.kind == RADIO);
        button.SendMessage(WM_KEYUP, VK_SPACE, 0);
    }
}

TEST_F(ImageButtonTest, StateImagesShareTheTextureWithTintedPalettesAndFocusLinesAreDotted)
{
    CImageButton& button = Add(BS_PUSHBUTTON);  // 90 x 26, no caption
    button.ApplyShading(CImageButton::SHS_HARDBUMP, 8, 10, 0, 0);
    const RECT inside = {2, 2, 88, 24};  // within the edges
    const int w = 86;
    const std::vector<COLORREF> normal = Repainted(button, inside);
    const auto span = RampSpan(normal);
    EXPECT_GE(span.first, 0) << "every pixel is a colour of the texture's palette";
    EXPECT_LT(span.first + 30, span.second) << "the bump runs from dark to light";

    // Hover: the same pixels, each colour 10 % toward the highlight.
    RECT wr;
    button.GetWindowRect(&wr);
    ::SetCursorPos(wr.left + 40, wr.top + 12);
    button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(40, 12));
    const std::vector<COLORREF> over = Repainted(button, inside);
    for (size_t i = 0; i < normal.size(); ++i)
        ASSERT_EQ(over[i], Toward(kLight, 10, normal[i])) << i % w << "," << i / w;
    button.SendMessage(WM_MOUSELEAVE);

    // Pressed: the hover image, one pixel down and to the right.
    button.SendMessage(BM_SETSTATE, TRUE);
    const std::vector<COLORREF> down = Repainted(button, inside);
    button.SendMessage(BM_SETSTATE, FALSE);
    for (int y = 1; y < 22; ++y)
        for (int x = 1; x < w; ++x)
            ASSERT_EQ(down[y * w + x], Toward(kLight, 10, normal[(y - 1) * w + x - 1])) << x << "," << y;

    // Disabled: the normal image.
    button.EnableWindow(FALSE);
    EXPECT_EQ(Repainted(button, inside), normal);
    button.EnableWindow(TRUE);

    // Focused: dotted lines of shadow and highlight 4 pixels inside the
    // edge, 81 pixels across from x = 5 and 18 down from y = 5.
    ::SetForegroundWindow(host);
    ::SetFocus(button);
    ASSERT_EQ(::GetFocus(), button.m_hWnd);
    const std::vector<COLORREF> top = Repainted(button, {0, 4, 90, 5});
    for (int x = 5; x < 5 + 81; ++x)
        ASSERT_EQ(top[x], (x - 5) % 2 ? kLight : kShadow) << x;
    EXPECT_NE(top[4], kShadow);
    EXPECT_EQ(top[86], normal[2 * w + 84]);  // past the line, the texture
    const std::vector<COLORREF> left = Pixels(button, {4, 0, 5, 26});
    // The vertical line's rows are stored bottom first: its last row on
    // screen is its first stored one.
    for (int y = 5; y < 5 + 18; ++y)
        ASSERT_EQ(left[y], (5 + 18 - 1 - y) % 2 ? kLight : kShadow) << y;
    ::SetFocus(host);
}

TEST_F(ImageButtonTest, NoiseGrainSpansMinusToPlusGranularity)
{
    CImageButton& button = Add(BS_PUSHBUTTON, {10, 10, 210, 110});
    // Type 0 and every type above 8 are noise around entry 128; with
    // granularity 0 the grain is 0 unless rand() returns its maximum.
    const struct { UINT type; BYTE granularity, lo, hiMin, hiMax; } rows[] = {
        {0, 8, 120, 134, 136}, {9, 8, 120, 134, 136}, {200, 8, 120, 134, 136}, {0, 0, 128, 128, 129}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.type << " at " << int(row.granularity));
        button.ApplyShading(row.type, row.granularity, 10, 0, 0);
        const std::vector<COLORREF> pixels = Repainted(button, {2, 2, 198, 98});
        const auto span = RampSpan(pixels);
        // Entries that share a colour with their neighbour count as either.
        EXPECT_EQ(Ramp(span.first), Ramp(row.lo));
        EXPECT_LE(span.first, row.lo);
        EXPECT_GE(span.second, row.hiMin);
        EXPECT_LE(Ramp(span.second), Ramp(row.hiMax));
        const COLORREF darkest = *std::min_element(pixels.begin(), pixels.end(), [](COLORREF a, COLORREF b) {
            return GetRValue(a) + GetGValue(a) + GetBValue(a) < GetRValue(b) + GetGValue(b) + GetBValue(b);
        });
        EXPECT_EQ(darkest, Ramp(row.lo));
    }
}

TEST_F(ImageButtonTest, EveryTextureBuildsForOddTinyAndEmptySizes)
{
    // Coloured fully red, a texture shows red wherever it is drawn; a
    // button without one draws the plain face colour. Check boxes have no
    // edge, so even a one-pixel row shows its texture.
    CImageButton& big = Add(BS_PUSHBUTTON, {10, 10, 131, 43});
    CImageButton& tiny = Add(BS_AUTOCHECKBOX, {10, 60, 15, 61});
    CImageButton& zero = Add(BS_AUTOCHECKBOX, {10, 80, 10, 80});
    for (UINT type = 0; type <= 9; ++type) {
        SCOPED_TRACE(type);
        big.ApplyShading(type, 8, 10, 100, kRed);
        EXPECT_EQ(Repainted(big, {2, 2, 119, 31}), std::vector<COLORREF>(117 * 29, kRed));
        tiny.ApplyShading(type, 8, 10, 100, kRed);
        ::SetFocus(tiny);  // its focus lines shrink to one pixel
        EXPECT_EQ(Repainted(tiny, {0, 0, 5, 1}), std::vector<COLORREF>(5, kRed));
        zero.ApplyShading(type, 8, 10, 100, kRed);
        ::InvalidateRect(zero, nullptr, TRUE);  // drawing a zero-sized button still works
        Settle();
    }
    // Grown later without new shading, the zero-sized button has no
    // texture to show.
    ::SetWindowPos(zero, nullptr, 0, 0, 20, 12, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Repainted(zero, {0, 0, 20, 12}), std::vector<COLORREF>(20 * 12, kFace));

    CImageButton detached;  // no window yet: nothing to shade
    detached.ApplyShading(CImageButton::SHS_HARDBUMP, 8, 10, 100, kRed);
    ASSERT_TRUE(host.Bind(detached, "BUTTON", "", BS_AUTOCHECKBOX, {10, 100, 30, 112}, 1100));
    EXPECT_EQ(Repainted(detached, {0, 0, 20, 12}), std::vector<COLORREF>(20 * 12, kFace));
    ::SetFocus(host);
}

TEST_F(ImageButtonTest, CheckBoxTogglesOnClickSpaceAndDoubleClickButNotOnReleaseOutside)
{
    CImageButton& check = Add(BS_AUTOCHECKBOX);
    Click(check);
    EXPECT_NE(::GetCapture(), check.m_hWnd);  // the release ended the press
    EXPECT_TRUE(Checked(check));
    Click(check, 300);  // released outside the button, over the host
    EXPECT_TRUE(Checked(check));
    check.SendMessage(WM_KEYDOWN, VK_SPACE, 0);
    check.SendMessage(WM_KEYUP, VK_SPACE, 0);
    EXPECT_FALSE(Checked(check));
    // A double click is a second press: the release toggles again.
    check.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(::GetCapture(), check.m_hWnd);
    check.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(Checked(check));
}

TEST_F(ImageButtonTest, CheckedRadioClearsTheOthersOfItsGroupOnly)
{
    CImageButton& a = Add(BS_AUTORADIOBUTTON | WS_GROUP, {10, 10, 100, 36});
    CImageButton& b = Add(BS_AUTORADIOBUTTON, {10, 40, 100, 66});
    CWnd plain;  // a standard radio button of the group: not ours, ignores the group message
    ASSERT_TRUE(host.Bind(plain, "BUTTON", "plain", BS_AUTORADIOBUTTON, {10, 70, 100, 96}, 1500));
    CImageButton& c = Add(BS_AUTORADIOBUTTON, {10, 100, 100, 126});
    // The group walk skips disabled buttons, so it never comes back to this
    // one; it must still end.
    CImageButton& disabled = Add(BS_AUTORADIOBUTTON | WS_DISABLED, {10, 130, 100, 156});
    CImageButton& other = Add(BS_AUTORADIOBUTTON | WS_GROUP, {150, 10, 240, 36});
    plain.SendMessage(BM_SETCHECK, BST_CHECKED);
    other.SendMessage(BM_SETCHECK, TRUE);
    a.SendMessage(BM_SETCHECK, TRUE);
    Settle();
    c.SendMessage(BM_SETCHECK, TRUE);
    EXPECT_TRUE(Checked(a));  // the group message is posted
    Settle();
    EXPECT_FALSE(Checked(a) || Checked(b));
    EXPECT_TRUE(Checked(c) && Checked(other));
    EXPECT_EQ(plain.SendMessage(BM_GETCHECK), BST_CHECKED);
    Click(b);
    Settle();
    EXPECT_TRUE(Checked(b));
    EXPECT_FALSE(Checked(c));
    disabled.SendMessage(BM_SETCHECK, TRUE);
    Settle();
    EXPECT_FALSE(Checked(b));
    EXPECT_TRUE(Checked(disabled));
}

TEST_F(ImageButtonTest, MouseShowsHoverAndPressedLooksAndDisabledShowsTheNormalImage)
{
    CImageButton& button = Add(BS_PUSHBUTTON, {10, 10, 100, 36}, "");
    button.ApplyShading(0, 0, 10, 0, 0);  // flat index 128 everywhere
    Settle();
    const COLORREF normal = Ramp(128);
    const COLORREF over = Toward(kLight, 10, normal);
    ASSERT_NE(normal, over);
    EXPECT_EQ(ScreenPixel(button, 3, 12), normal);  // inside the edge, outside the focus frame
    RECT wr;
    button.GetWindowRect(&wr);
    ::SetCursorPos(wr.left + 40, wr.top + 12);
    button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(40, 12));
    ::UpdateWindow(button);
    EXPECT_EQ(ScreenPixel(button, 3, 12), over);
    button.SendMessage(WM_MOUSELEAVE);
    ::UpdateWindow(button);
    EXPECT_EQ(ScreenPixel(button, 3, 12), normal);

    // Pressed, dragged off and back: the pressed look follows the pointer.
    const struct { LONG x; bool pushed; } moves[] = {{5, true}, {110, false}, {5, true}};
    for (const auto& move : moves) {
        ::SetCursorPos(wr.left + move.x, wr.top + 5);
        button.SendMessage(&move == moves ? WM_LBUTTONDOWN : WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(move.x, 5));
        ASSERT_EQ(::GetCapture(), button.m_hWnd);
        EXPECT_EQ((button.GetState() & BST_PUSHED) != 0, move.pushed) << move.x;
        ::UpdateWindow(button);
        EXPECT_EQ(ScreenPixel(button, 3, 12), move.pushed ? over : normal) << move.x;
    }
    button.SendMessage(WM_KILLFOCUS);  // drops the press
    EXPECT_NE(::GetCapture(), button.m_hWnd);
    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));

    // A press that losing the focus dropped does not toggle a check box
    // when the button is released over it; a kept one does.
    CImageButton& check = Add(BS_AUTOCHECKBOX, {10, 50, 100, 76}, "");
    RECT cr;
    check.GetWindowRect(&cr);
    ::SetCursorPos(cr.left + 5, cr.top + 5);
    check.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    check.SendMessage(WM_KILLFOCUS);
    check.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(Checked(check));
    check.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    check.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(Checked(check));

    button.EnableWindow(FALSE);
    Settle();
    EXPECT_EQ(ScreenPixel(button, 3, 12), normal);
}
