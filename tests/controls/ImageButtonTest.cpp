// The image button: its kinds, its images, its looks under the mouse, and
// as a check box or radio button its clicks and its group. Of the textures
// the two programs do not use only that they build at every size is
// checked.
#include "ControlHost.h"
#include "controls/ImageButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {
const COLORREF kShadow = ::GetSysColor(COLOR_BTNSHADOW);
const COLORREF kLight = ::GetSysColor(COLOR_BTNHIGHLIGHT);

// colour moved percent of the way toward target, per channel.
COLORREF Toward(COLORREF target, int percent, COLORREF colour)
{
    auto mix = [percent](int to, int from) { return (to * percent + from * (100 - percent)) / 100; };
    return RGB(mix(GetRValue(target), GetRValue(colour)), mix(GetGValue(target), GetGValue(colour)),
               mix(GetBValue(target), GetBValue(colour)));
}

class ImageButtonTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Create()); }
    // A button child with the style, bound to a new CImageButton.
    CImageButton& Add(DWORD style, RECT r = {10, 10, 100, 36}, const char* text = "Next")
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
    ControlHost host;
    std::vector<std::unique_ptr<CImageButton>> buttons;
};
}  // namespace

TEST_F(ImageButtonTest, KindAndLookComeFromTheStyleAndOnlyAPushButtonCannotBeChecked)
{
    const struct { DWORD style; int kind; BOOL border; UINT format; } rows[] = {
        {BS_PUSHBUTTON, CImageButton::KIND_PUSH, TRUE, 0x25},
        {BS_AUTOCHECKBOX | BS_LEFT, CImageButton::KIND_CHECKBOX, FALSE, 0x24},
        {BS_AUTORADIOBUTTON | BS_RIGHT | BS_PUSHLIKE, CImageButton::KIND_RADIO, TRUE, 0x26}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.style);
        CImageButton& button = Add(row.style);
        EXPECT_EQ(button.GetKind(), row.kind);
        EXPECT_EQ(button.HasBorder(), row.border);
        EXPECT_EQ(button.GetTextFormat(), row.format);
        EXPECT_EQ(button.GetStyle() & 0xF, static_cast<DWORD>(BS_OWNERDRAW));
        button.SendMessage(BM_SETCHECK, BST_CHECKED);
        EXPECT_EQ(Checked(button), row.kind != CImageButton::KIND_PUSH);
    }
}

TEST_F(ImageButtonTest, StateImagesShareTheTextureWithTintedPalettesAndFocusLinesAreDotted)
{
    CImageButton& button = Add(BS_PUSHBUTTON);
    button.ApplyShading(CImageButton::SHS_HARDBUMP, 8, 10, 0, 0);
    const CShadeDib& normal = button.NormalImage();
    const CShadeDib& over = button.OverImage();
    ASSERT_EQ(std::make_pair(normal.Width(), normal.Height()), std::make_pair(90L, 26L));
    EXPECT_EQ(Entry(normal, 0), kShadow);
    EXPECT_EQ(Entry(normal, 255), kLight);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(Entry(over, i), Toward(kLight, 10, Entry(normal, i))) << i;
    EXPECT_EQ(std::memcmp(over.PixelRows(), normal.PixelRows(), 26 * normal.Stride()), 0);
    auto block = [](const CShadeDib& d) { return d.PixelRows() - d.ColorTableBytes() - 40; };
    EXPECT_EQ(std::memcmp(block(button.DownImage()), block(over), over.BlockSize()), 0);
    EXPECT_EQ(std::memcmp(block(button.DisabledImage()), block(normal), normal.BlockSize()), 0);
    const CShadeDib& h = button.FocusLineH();
    const CShadeDib& v = button.FocusLineV();
    ASSERT_EQ(std::make_pair(h.Width(), h.Height()), std::make_pair(90L - 8 - 1, 1L));
    ASSERT_EQ(std::make_pair(v.Width(), v.Height()), std::make_pair(1L, 26L - 8));
    for (long x = 0; x < h.Width(); ++x)
        ASSERT_EQ(h.PixelRows()[x], (x % 2) ? 255 : 0) << x;
    for (long y = 0; y < v.Height(); ++y)
        ASSERT_EQ(v.PixelRows()[y * v.Stride()], (y % 2) ? 255 : 0) << y;
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
        const BYTE* pixels = button.NormalImage().PixelRows();
        const auto range = std::minmax_element(pixels, pixels + 200 * 100);
        EXPECT_EQ(*range.first, row.lo);
        EXPECT_GE(*range.second, row.hiMin);
        EXPECT_LE(*range.second, row.hiMax);
    }
}

TEST_F(ImageButtonTest, EveryTextureBuildsForOddTinyAndEmptySizes)
{
    CImageButton& big = Add(BS_PUSHBUTTON, {10, 10, 131, 43});
    CImageButton& tiny = Add(BS_PUSHBUTTON, {10, 60, 15, 61});
    CImageButton& zero = Add(BS_PUSHBUTTON, {10, 80, 10, 80});
    for (UINT type = 0; type <= 9; ++type) {
        SCOPED_TRACE(type);
        big.ApplyShading(type, 8, 10, 0, 0);
        EXPECT_TRUE(big.NormalImage().HasImage());
        tiny.ApplyShading(type, 8, 10, 0, 0);
        EXPECT_TRUE(tiny.NormalImage().HasImage());
        EXPECT_EQ(tiny.FocusLineH().Width() * tiny.FocusLineV().Height(), 1);
        zero.ApplyShading(type, 8, 10, 0, 0);
        EXPECT_FALSE(zero.NormalImage().HasImage() || zero.OverImage().HasImage());
    }
    CImageButton detached;  // no window yet: nothing to shade
    detached.ApplyShading(CImageButton::SHS_HARDBUMP);
    EXPECT_FALSE(detached.NormalImage().HasImage());
    ::InvalidateRect(zero, nullptr, TRUE);  // drawing a zero-sized button still works
    Settle();
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
    const COLORREF normal = Entry(button.NormalImage(), 128);
    ASSERT_NE(normal, Entry(button.OverImage(), 128));
    EXPECT_EQ(ScreenPixel(button, 3, 12), normal);  // inside the edge, outside the focus frame
    RECT wr;
    button.GetWindowRect(&wr);
    ::SetCursorPos(wr.left + 40, wr.top + 12);
    button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(40, 12));
    ::UpdateWindow(button);
    EXPECT_EQ(ScreenPixel(button, 3, 12), Entry(button.OverImage(), 128));
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
    }
    button.SendMessage(WM_KILLFOCUS);  // drops the press
    EXPECT_NE(::GetCapture(), button.m_hWnd);
    EXPECT_FALSE(button.IsMouseDown());

    button.EnableWindow(FALSE);
    Settle();
    EXPECT_EQ(ScreenPixel(button, 3, 12), normal);
}
