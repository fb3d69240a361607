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

COLORREF Entry(const CShadeDib& dib, int i)
{
    const RGBQUAD& q = dib.ColorTable()[i];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

class ImageButtonTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Create(400, 300)); }
    // Creates a button child with the style and binds a new CImageButton.
    CImageButton& Add(DWORD style, int x = 10, int y = 10, int cx = 90, int cy = 26, const char* text = "Next")
    {
        const int id = 1000 + static_cast<int>(buttons.size());
        EXPECT_NE(host.AddChild("BUTTON", text, style, x, y, cx, cy, id), nullptr);
        buttons.push_back(std::make_unique<CImageButton>());
        CDataExchange dx(&host);
        DDX_Control(&dx, id, *buttons.back());
        EXPECT_NE(buttons.back()->m_hWnd, nullptr);
        return *buttons.back();
    }
    ControlHost host;
    std::vector<std::unique_ptr<CImageButton>> buttons;
};

// Offset of every pixel of a shaded image from its grain-free value.
template <typename Base>
std::pair<int, int> GrainRange(const CShadeDib& dib, Base base)
{
    int lo = 1000, hi = -1000;
    for (long r = 0; r < dib.Height(); ++r)
        for (long j = 0; j < dib.Width(); ++j) {
            const int value = dib.PixelRows()[r * dib.Stride() + j];
            int d = static_cast<int>(static_cast<signed char>(static_cast<BYTE>(value - base(j, r))));
            lo = std::min(lo, d);
            hi = std::max(hi, d);
        }
    return {lo, hi};
}
}  // namespace

TEST_F(ImageButtonTest, KindAndLookComeFromTheStyle)
{
    CImageButton& push = Add(BS_PUSHBUTTON);
    EXPECT_EQ(push.GetKind(), CImageButton::KIND_PUSH);
    EXPECT_TRUE(push.IsPushLike());
    EXPECT_TRUE(push.HasBorder());
    EXPECT_EQ(push.GetTextFormat(), 0x25u);
    EXPECT_EQ(push.GetStyle() & 0xF, static_cast<DWORD>(BS_OWNERDRAW));

    CImageButton& check = Add(BS_AUTOCHECKBOX | BS_LEFT, 10, 40);
    EXPECT_EQ(check.GetKind(), CImageButton::KIND_CHECKBOX);
    EXPECT_FALSE(check.IsPushLike());
    EXPECT_FALSE(check.HasBorder());
    EXPECT_EQ(check.GetTextFormat(), 0x24u);

    CImageButton& radio = Add(BS_AUTORADIOBUTTON | BS_RIGHT | BS_PUSHLIKE | BS_FLAT, 10, 70);
    EXPECT_EQ(radio.GetKind(), CImageButton::KIND_RADIO);
    EXPECT_TRUE(radio.IsPushLike());
    EXPECT_TRUE(radio.HasBorder());
    EXPECT_TRUE(radio.IsFlat());
    EXPECT_EQ(radio.GetTextFormat(), 0x26u);
}

TEST_F(ImageButtonTest, PaletteRunsFromShadowToHighlightAndHoverIsTenPercentLighter)
{
    CImageButton& button = Add(BS_PUSHBUTTON);
    button.ApplyShading(CImageButton::SHS_HARDBUMP, 8, 10, 0, 0);
    const CShadeDib& normal = button.NormalImage();
    ASSERT_TRUE(normal.HasImage());
    EXPECT_EQ(normal.Width(), 90);
    EXPECT_EQ(normal.Height(), 26);
    EXPECT_EQ(Entry(normal, 0), kShadow);
    EXPECT_EQ(Entry(normal, 255), kLight);
    EXPECT_EQ(Entry(button.FocusLineH(), 0), kShadow);
    EXPECT_EQ(Entry(button.FocusLineV(), 255), kLight);
    for (int i = 0; i < 256; ++i) {
        const COLORREF e = Entry(normal, i);
        const COLORREF over = RGB((GetRValue(kLight) * 10 + GetRValue(e) * 90) / 100,
                                  (GetGValue(kLight) * 10 + GetGValue(e) * 90) / 100,
                                  (GetBValue(kLight) * 10 + GetBValue(e) * 90) / 100);
        ASSERT_EQ(Entry(button.OverImage(), i), over) << i;
        ASSERT_EQ(Entry(button.DownImage(), i), over) << i;
        ASSERT_EQ(Entry(button.DisabledImage(), i), e) << i;
    }
    ASSERT_EQ(button.DisabledImage().BlockSize(), normal.BlockSize());
    EXPECT_EQ(std::memcmp(button.DisabledImage().PixelRows(), normal.PixelRows(), 26 * normal.Stride()), 0);
    EXPECT_EQ(std::memcmp(button.DownImage().PixelRows(), normal.PixelRows(), 26 * normal.Stride()), 0);
}

TEST_F(ImageButtonTest, ColouringBlendsTheNormalPaletteOnly)
{
    CImageButton& button = Add(BS_PUSHBUTTON);
    button.ApplyShading(CImageButton::SHS_HSHADE, 8, 0, 50, RGB(255, 0, 0));
    EXPECT_EQ(Entry(button.NormalImage(), 0),
              RGB((255 * 50 + GetRValue(kShadow) * 50) / 100, (GetGValue(kShadow) * 50) / 100,
                  (GetBValue(kShadow) * 50) / 100));
    EXPECT_EQ(Entry(button.FocusLineH(), 0), kShadow);
}

TEST_F(ImageButtonTest, FocusLinesAreDottedShadowAndHighlight)
{
    CImageButton& button = Add(BS_PUSHBUTTON);
    button.ApplyShading(CImageButton::SHS_SOFTBUMP);
    const CShadeDib& h = button.FocusLineH();
    const CShadeDib& v = button.FocusLineV();
    EXPECT_EQ(h.Width(), 90 - 8 - 1);
    EXPECT_EQ(h.Height(), 1);
    EXPECT_EQ(v.Width(), 1);
    EXPECT_EQ(v.Height(), 26 - 8);
    for (long x = 0; x < h.Width(); ++x)
        ASSERT_EQ(h.PixelRows()[x], (x % 2) ? 255 : 0) << x;
    for (long y = 0; y < v.Height(); ++y)
        ASSERT_EQ(v.PixelRows()[y * v.Stride()], (y % 2) ? 255 : 0) << y;
}

TEST_F(ImageButtonTest, GrainSpansMinusToPlusGranularity)
{
    CImageButton& button = Add(BS_PUSHBUTTON, 10, 10, 200, 100);
    button.ApplyShading(CImageButton::SHS_HSHADE, 8, 10, 0, 0);
    // Horizontal shade: (239 * r) / cy + 8, dark at the bottom row.
    auto range = GrainRange(button.NormalImage(), [](long, long r) { return (239 * r) / 100 + 8; });
    EXPECT_EQ(range.first, -8);
    EXPECT_GE(range.second, 6);
    EXPECT_LE(range.second, 8);
    // Noise, for type 0 and for every type above 8, around entry 128.
    for (UINT type : {0u, 9u, 200u}) {
        button.ApplyShading(type, 8, 10, 0, 0);
        range = GrainRange(button.NormalImage(), [](long, long) { return 128; });
        EXPECT_EQ(range.first, -8) << type;
        EXPECT_LE(range.second, 8) << type;
    }
    // Granularity 0: the grain is 0 unless rand() returns its maximum.
    button.ApplyShading(0, 0, 10, 0, 0);
    range = GrainRange(button.NormalImage(), [](long, long) { return 128; });
    EXPECT_EQ(range.first, 0);
    EXPECT_LE(range.second, 1);
}

TEST_F(ImageButtonTest, EveryTextureBuildsForOddAndTinySizes)
{
    CImageButton& big = Add(BS_PUSHBUTTON, 10, 10, 121, 33);
    CImageButton& tiny = Add(BS_PUSHBUTTON, 10, 60, 5, 1);
    CImageButton& zero = Add(BS_PUSHBUTTON, 10, 80, 0, 0);
    for (UINT type = 0; type <= 9; ++type) {
        big.ApplyShading(type, 8, 10, 0, 0);
        EXPECT_TRUE(big.NormalImage().HasImage()) << type;
        tiny.ApplyShading(type, 8, 10, 0, 0);
        EXPECT_TRUE(tiny.NormalImage().HasImage()) << type;
        EXPECT_EQ(tiny.FocusLineH().Width(), 1) << type;
        EXPECT_EQ(tiny.FocusLineV().Height(), 1) << type;
        zero.ApplyShading(type, 8, 10, 0, 0);
        EXPECT_FALSE(zero.NormalImage().HasImage()) << type;
        EXPECT_FALSE(zero.OverImage().HasImage()) << type;
    }
    // Metal starts from a black image and shades it toward the top left.
    big.ApplyShading(CImageButton::SHS_METAL, 8, 10, 0, 0);
    const CShadeDib& metal = big.NormalImage();
    const BYTE* rows = metal.PixelRows();
    EXPECT_GT(rows[32 * metal.Stride() + 0], rows[0 * metal.Stride() + 120]);
    CImageButton detached;  // no window yet: nothing to shade
    detached.ApplyShading(CImageButton::SHS_HARDBUMP);
    EXPECT_FALSE(detached.NormalImage().HasImage());
    // Drawing a zero-sized button still works.
    ::InvalidateRect(zero, nullptr, TRUE);
    Settle();
}

TEST_F(ImageButtonTest, PushButtonIgnoresCheck)
{
    CImageButton& push = Add(BS_PUSHBUTTON);
    push.SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(push.SendMessage(BM_GETCHECK), 0);
    CImageButton& check = Add(BS_AUTOCHECKBOX, 10, 40);
    check.SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), 1);
}

TEST_F(ImageButtonTest, CheckedRadioClearsTheOthersOfItsGroupOnly)
{
    CImageButton& a = Add(BS_AUTORADIOBUTTON | WS_GROUP, 10, 10);
    CImageButton& b = Add(BS_AUTORADIOBUTTON, 10, 40);
    const HWND plain = host.AddChild("BUTTON", "plain", BS_AUTORADIOBUTTON, 10, 70, 90, 26, 1500);
    CImageButton& c = Add(BS_AUTORADIOBUTTON, 10, 100);
    CImageButton& other = Add(BS_AUTORADIOBUTTON | WS_GROUP, 150, 10);
    ::SendMessageA(plain, BM_SETCHECK, BST_CHECKED, 0);
    other.SendMessage(BM_SETCHECK, TRUE);
    a.SendMessage(BM_SETCHECK, TRUE);
    Settle();
    c.SendMessage(BM_SETCHECK, TRUE);
    // The group message is posted: a is still checked until it arrives.
    EXPECT_EQ(a.SendMessage(BM_GETCHECK), 1);
    Settle();
    EXPECT_EQ(a.SendMessage(BM_GETCHECK), 0);
    EXPECT_EQ(b.SendMessage(BM_GETCHECK), 0);
    EXPECT_EQ(c.SendMessage(BM_GETCHECK), 1);
    EXPECT_EQ(other.SendMessage(BM_GETCHECK), 1);
    EXPECT_EQ(::SendMessageA(plain, BM_GETCHECK, 0, 0), BST_CHECKED);  // not ours: ignores it

    // A click on b checks it and clears c.
    b.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    b.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Settle();
    EXPECT_EQ(b.SendMessage(BM_GETCHECK), 1);
    EXPECT_EQ(c.SendMessage(BM_GETCHECK), 0);
}

TEST_F(ImageButtonTest, CheckingADisabledRadioEndsTheGroupWalk)
{
    // The group walk skips disabled buttons, so it never comes back to this
    // one; it must still end.
    CImageButton& a = Add(BS_AUTORADIOBUTTON | WS_GROUP, 10, 10);
    CImageButton& b = Add(BS_AUTORADIOBUTTON | WS_DISABLED, 10, 40);
    a.SendMessage(BM_SETCHECK, TRUE);
    b.SendMessage(BM_SETCHECK, TRUE);
    Settle();
    EXPECT_EQ(a.SendMessage(BM_GETCHECK), 0);
    EXPECT_EQ(b.SendMessage(BM_GETCHECK), 1);
}

TEST_F(ImageButtonTest, CheckBoxTogglesOnClickAndSpaceButNotOnReleaseOutside)
{
    CImageButton& check = Add(BS_AUTOCHECKBOX);
    check.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(check.IsMouseDown());
    check.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(check.IsMouseDown());
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), 1);

    check.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    check.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(300, 5));  // outside the button
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), 1);

    check.SendMessage(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), 0);
    check.SendMessage(WM_KEYUP, VK_SPACE, 0);

    // The second click of a double click counts as a click.
    check.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(check.IsMouseDown());
    check.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(check.SendMessage(BM_GETCHECK), 1);
}

TEST_F(ImageButtonTest, StatesDrawTheirImages)
{
    CImageButton& button = Add(BS_PUSHBUTTON, 10, 10, 90, 26, "");
    button.ApplyShading(0, 0, 10, 0, 0);  // flat index 128 everywhere
    Settle();
    const COLORREF normal = Entry(button.NormalImage(), 128);
    const COLORREF over = Entry(button.OverImage(), 128);
    ASSERT_NE(normal, over);
    // Inside the raised edge, outside the focus frame.
    EXPECT_EQ(ScreenPixel(button, 3, 12), normal);

    // Hover: the pointer over the button and a mouse move.
    RECT wr;
    button.GetWindowRect(&wr);
    ::SetCursorPos(wr.left + 40, wr.top + 12);
    button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(40, 12));
    EXPECT_TRUE(button.IsHover());
    ::UpdateWindow(button);
    EXPECT_EQ(ScreenPixel(button, 3, 12), over);
    button.SendMessage(WM_MOUSELEAVE);
    EXPECT_FALSE(button.IsHover());
    ::UpdateWindow(button);
    EXPECT_EQ(ScreenPixel(button, 3, 12), normal);

    // Disabled: the normal texture.
    button.EnableWindow(FALSE);
    Settle();
    EXPECT_EQ(ScreenPixel(button, 3, 12), normal);
}

TEST_F(ImageButtonTest, DraggingOutAndBackTogglesThePressedLook)
{
    CImageButton& button = Add(BS_PUSHBUTTON);
    RECT wr;
    button.GetWindowRect(&wr);
    ::SetCursorPos(wr.left + 5, wr.top + 5);
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_EQ(::GetCapture(), button.m_hWnd);
    EXPECT_TRUE(button.GetState() & BST_PUSHED);
    ::SetCursorPos(wr.right + 20, wr.top + 5);
    button.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(110, 5));
    EXPECT_FALSE(button.GetState() & BST_PUSHED);
    ::SetCursorPos(wr.left + 5, wr.top + 5);
    button.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(button.GetState() & BST_PUSHED);
    // Losing the focus drops the press.
    button.SendMessage(WM_KILLFOCUS);
    EXPECT_NE(::GetCapture(), button.m_hWnd);
    EXPECT_FALSE(button.IsMouseDown());
}

TEST_F(ImageButtonTest, ManyPaintsLeaveNoDrawingObjectBehind)
{
    CImageButton& button = Add(BS_PUSHBUTTON);
    button.ApplyShading(CImageButton::SHS_HARDBUMP);
    Settle();
    EXPECT_TRUE(PaintsLeaveNoObjectBehind(button));
}
