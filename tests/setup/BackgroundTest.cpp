// The background: finding the pictures, fitting one into the canvas, and
// painting it (or the plain surface) over the frame. The test pictures are
// JPEGs of two solid halves, red and blue, drawn at build time:
//   standard.jpg 400 x 300 (4 : 3) and square.jpg 360 x 360 (1 : 1): left
//   half red, right half blue; wide.jpg 480 x 240 (2 : 1): top half red.
#include "Bitmaps.h"
#include "FileHelpers.h"
#include "ImportHook.h"
#include "SetupDlg.h"
#include "TempDir.h"
#include "winlib/Handles.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <cstdlib>
#include <set>
#include <tuple>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255),
                   kGrey = RGB(192, 192, 192), kTeal = RGB(0, 128, 128);

std::string TestPicture(const char* name) { return testfs::ProgramFolder() + "pictures\\" + name; }

// JPEG keeps solid colours close, not exact.
::testing::AssertionResult Near(COLORREF actual, COLORREF expected)
{
    const int d = std::abs(GetRValue(actual) - GetRValue(expected)) + std::abs(GetGValue(actual) - GetGValue(expected))
                  + std::abs(GetBValue(actual) - GetBValue(expected));
    if (d <= 60)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hex << actual << " is not near " << expected;
}

// A bitmap selected into a memory DC: a canvas to read, or a frame to paint.
struct Surface {
    explicit Surface(HBITMAP b) : bitmap(b), dc(::CreateCompatibleDC(nullptr)), select(dc.get(), b) {}
    Surface(int cx, int cy) : Surface(::CreateCompatibleBitmap(winlib::ScopedGetDC(nullptr).get(), cx, cy)) {}
    COLORREF at(int x, int y) const { return ::GetPixel(dc.get(), x, y); }
    RECT rect() const
    {
        BITMAP info = {};
        ::GetObjectA(bitmap.get(), sizeof(info), &info);
        return {0, 0, info.bmWidth, info.bmHeight};
    }
    winlib::ScopedBitmap bitmap;
    winlib::ScopedMemDC dc;
    winlib::ScopedSelectObject select;
};

class BackgroundTest : public ::testing::Test {
protected:
    winlib::ScopedComInit com;
    CSetupDlg frame;
    TempDir temp;
};

}  // namespace

TEST_F(BackgroundTest, FindPicturesListsTheMatchingFilesAndLeavesTheCurrentFolder)
{
    const std::string folder = temp / "安装界面\\";
    for (const char* name : {"b.jpg", "A.JPG", "c.png"})
        testfs::WriteFile(folder + name, "x");
    testfs::MakeDirs(folder + "d.jpg");
    const std::string before = testfs::CurrentFolder();

    std::vector<std::string> list = {"left over"};
    frame.FindPictures(folder, "*.jpg", list);
    // Wine sorts, NTFS too; the code does not rely on it.
    EXPECT_EQ(testfs::Sorted(list), (std::vector<std::string>{folder + "A.JPG", folder + "b.jpg"}));
    EXPECT_EQ(testfs::CurrentFolder(), before);

    frame.FindPictures(temp / "没有\\", "*.jpg", list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(testfs::CurrentFolder(), before);
}

TEST_F(BackgroundTest, EachPictureIsFittedIntoTheCanvasByItsProportions)
{
    // 4 : 3 fills the canvas, corners included: no band, no border.
    // 2 : 1: h = 512, top = 128. The top 512 rows of the stretched copy
    // (red in its rows 0-383) land in rows 128-639 between white bands
    // inside a grey border. 1 : 1: w = 768, left = 128. The left 768 columns
    // of the stretched copy (red in its columns 0-511) land in columns
    // 128-895. The canvas colours are exact; JPEG keeps the picture's close.
    const struct { const char* picture; std::vector<std::tuple<int, int, COLORREF>> samples; } cases[] = {
        {"standard.jpg", {{0, 0, kRed}, {0, 767, kRed}, {500, 384, kRed}, {1023, 0, kBlue}, {1023, 767, kBlue},
                          {524, 384, kBlue}}},
        {"wide.jpg", {{500, 0, kGrey}, {0, 60, kGrey}, {500, 127, kWhite}, {0, 130, kRed}, {500, 500, kRed},
                      {1023, 524, kBlue}, {500, 640, kWhite}, {500, 767, kGrey}}},
        {"square.jpg", {{0, 300, kGrey}, {127, 300, kWhite}, {130, 0, kRed}, {630, 767, kRed}, {652, 300, kBlue},
                        {896, 300, kWhite}, {1023, 300, kGrey}}},
    };
    for (const auto& c : cases) {
        const Surface canvas(frame.LoadPicture(TestPicture(c.picture)));
        ASSERT_TRUE(canvas.bitmap) << c.picture;
        EXPECT_EQ(canvas.rect().right, 1024);
        EXPECT_EQ(canvas.rect().bottom, 768);
        for (const auto& [x, y, colour] : c.samples) {
            SCOPED_TRACE(std::string(c.picture) + " at " + std::to_string(x) + "," + std::to_string(y));
            if (colour == kRed || colour == kBlue) {
                EXPECT_TRUE(Near(canvas.at(x, y), colour));
            } else {
                EXPECT_EQ(canvas.at(x, y), colour);
            }
        }
    }
}

namespace {

// The pixels of a bitmap as 32-bit top-down rows.
std::vector<DWORD> Pixels(HBITMAP bitmap, int cx, int cy)
{
    BITMAPINFO info = testgdi::TopDown32Info(cx, cy);
    std::vector<DWORD> pixels(static_cast<std::size_t>(cx) * static_cast<std::size_t>(cy));
    const winlib::ScopedGetDC screen(nullptr);
    if (::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(cy), pixels.data(), &info, DIB_RGB_COLORS) != cy)
        pixels.clear();
    return pixels;
}

// Two 1024 x 768 bitmaps show the same colour at every pixel.
void ExpectSameCanvas(HBITMAP expected, HBITMAP actual)
{
    const std::vector<DWORD> want = Pixels(expected, 1024, 768);
    const std::vector<DWORD> got = Pixels(actual, 1024, 768);
    ASSERT_EQ(want.size(), 1024u * 768u);
    ASSERT_EQ(got.size(), want.size());
    std::size_t differing = 0, first = 0;
    for (std::size_t i = 0; i < want.size(); ++i) {
        if ((want[i] & 0xFFFFFF) != (got[i] & 0xFFFFFF) && differing++ == 0)
            first = i;
    }
    EXPECT_EQ(differing, 0u) << "first at " << first % 1024 << "," << first / 1024;
}

}  // namespace

TEST_F(BackgroundTest, TheStretchedCopyHasThePixelsCopyImageGives)
{
    // Pixels of noise, so that every row and column taken, doubled or
    // dropped shows: enlarged, shrunk, both at once, and kept.
    const SIZE sizes[] = {{400, 300}, {1024, 512}, {768, 768}, {1600, 1200}, {2000, 500}, {1024, 768}, {1, 1}};
    unsigned seed = 12345;
    for (const SIZE& size : sizes) {
        SCOPED_TRACE(std::to_string(size.cx) + " x " + std::to_string(size.cy));
        std::vector<DWORD> noise(static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy));
        for (DWORD& pixel : noise) {
            seed = seed * 1103515245u + 12345u;
            pixel = seed >> 8;
        }
        const winlib::ScopedGetDC screen(nullptr);
        const winlib::ScopedBitmap source(::CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
        BITMAPINFO info = testgdi::TopDown32Info(size.cx, size.cy);
        ASSERT_EQ(::SetDIBits(screen.get(), source.get(), 0, static_cast<UINT>(size.cy), noise.data(), &info,
                              DIB_RGB_COLORS),
                  size.cy);

        const winlib::ScopedBitmap expected(
            static_cast<HBITMAP>(::CopyImage(source.get(), IMAGE_BITMAP, 1024, 768, 0)));
        const winlib::ScopedBitmap copy(CSetupDlg::StretchedCopy(source.get(), 1024, 768));
        ASSERT_TRUE(expected);
        ASSERT_TRUE(copy);
        ExpectSameCanvas(expected.get(), copy.get());
    }
}

TEST_F(BackgroundTest, TheCanvasIsTheStretchedPictureMovedIntoPlaceOnWhiteInsideAGreyBorder)
{
    // Every pixel against a canvas composed step by step apart: the whole
    // picture stretched to 1024 x 768, its top-left part at the fitted
    // place on a white canvas with a grey border.
    const struct { const char* picture; RECT fit; } cases[] = {
        {"standard.jpg", {0, 0, 1024, 768}}, {"wide.jpg", {0, 128, 1024, 640}}, {"square.jpg", {128, 0, 896, 768}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picture);
        wchar_t path[MAX_PATH] = {};
        ASSERT_GT(::MultiByteToWideChar(CP_ACP, 0, TestPicture(c.picture).c_str(), -1, path, MAX_PATH), 0);
        winlib::ScopedComPtr<IPicture> picture;
        ASSERT_TRUE(SUCCEEDED(::OleLoadPicturePath(path, nullptr, 0, 0, IID_IPicture, picture.receive_void())));
        OLE_HANDLE handle = 0;
        ASSERT_TRUE(SUCCEEDED(picture->get_Handle(&handle)));
        const Surface stretched(static_cast<HBITMAP>(::CopyImage(
            reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(static_cast<LONG>(handle))), IMAGE_BITMAP, 1024, 768, 0)));
        ASSERT_TRUE(stretched.bitmap);
        const Surface expected(1024, 768);
        const RECT whole = {0, 0, 1024, 768};
        const winlib::ScopedBrush white(::CreateSolidBrush(kWhite)), grey(::CreateSolidBrush(kGrey));
        ::FillRect(expected.dc.get(), &whole, white.get());
        ::FrameRect(expected.dc.get(), &whole, grey.get());
        ::BitBlt(expected.dc.get(), c.fit.left, c.fit.top, c.fit.right - c.fit.left, c.fit.bottom - c.fit.top,
                 stretched.dc.get(), 0, 0, SRCCOPY);

        const Surface canvas(frame.LoadPicture(TestPicture(c.picture)));
        ASSERT_TRUE(canvas.bitmap);
        ExpectSameCanvas(expected.bitmap.get(), canvas.bitmap.get());
    }
}

TEST_F(BackgroundTest, PaintingStretchesTheCanvasWrapsAndShowsThePlainSurfaceWithoutAPicture)
{
    Surface screen(512, 384);  // half the canvas each way
    frame.PaintBackground(screen.dc.get(), screen.rect());
    EXPECT_EQ(screen.at(0, 0), kTeal);
    EXPECT_EQ(screen.at(511, 383), kTeal);

    const std::string bad = temp / "bad.jpg";
    testfs::WriteFile(bad, "this is not a picture");
    EXPECT_EQ(frame.LoadPicture(bad), nullptr);
    EXPECT_EQ(frame.LoadPicture(temp / "missing.jpg"), nullptr);
    frame.m_arrPictures = {TestPicture("wide.jpg"), TestPicture("standard.jpg"), bad};
    frame.m_nPicture = 3;  // one past the last: the first again
    frame.PaintBackground(screen.dc.get(), screen.rect());
    EXPECT_EQ(frame.m_nPicture, 0);
    EXPECT_EQ(screen.at(250, 30), kWhite);
    EXPECT_TRUE(Near(screen.at(250, 100), kRed));
    EXPECT_TRUE(Near(screen.at(250, 290), kBlue));
    EXPECT_EQ(screen.at(250, 340), kWhite);

    frame.m_nPicture = 1;
    frame.PaintBackground(screen.dc.get(), screen.rect());
    EXPECT_TRUE(Near(screen.at(0, 0), kRed));
    EXPECT_TRUE(Near(screen.at(511, 383), kBlue));
    // Undecodable: not what was there before but the plain surface, and the
    // same file is tried again at the next repaint.
    frame.m_nPicture = 2;
    frame.PaintBackground(screen.dc.get(), screen.rect());
    EXPECT_EQ(screen.at(0, 0), kTeal);
    EXPECT_EQ(frame.m_nPicture, 2);
}

namespace {

// Every drawing object and picture object the code makes, followed through
// the program's imports (Wine does not implement GetGuiResources). Each
// Tracked<name> calls the original g_<name> and then notes what it made
// or deleted.
std::set<HGDIOBJ> g_live;
std::vector<IPicture*> g_pictures;

#define ZEMLO_TRACK(fn, params, args, note) \
    decltype(&::fn) g_##fn;                 \
    auto WINAPI Tracked##fn params          \
    {                                       \
        auto result = g_##fn args;          \
        note;                               \
        return result;                      \
    }
ZEMLO_TRACK(CreateCompatibleBitmap, (HDC dc, int cx, int cy), (dc, cx, cy), g_live.insert(result))
ZEMLO_TRACK(CreateCompatibleDC, (HDC dc), (dc), g_live.insert(result))
ZEMLO_TRACK(CreateSolidBrush, (COLORREF color), (color), g_live.insert(result))
ZEMLO_TRACK(CopyImage, (HANDLE h, UINT type, int cx, int cy, UINT flags), (h, type, cx, cy, flags),
            g_live.insert(result))
ZEMLO_TRACK(DeleteObject, (HGDIOBJ object), (object), g_live.erase(object))
ZEMLO_TRACK(DeleteDC, (HDC dc), (dc), g_live.erase(dc))
// Keeps a reference of its own, to see later whether the code gave back its.
ZEMLO_TRACK(OleLoadPicturePath, (LPOLESTR path, LPUNKNOWN u, DWORD r, OLE_COLOR c, REFIID iid, LPVOID* out),
            (path, u, r, c, iid, out), if (SUCCEEDED(result) && *out != nullptr) {
                static_cast<IPicture*>(*out)->AddRef();
                g_pictures.push_back(static_cast<IPicture*>(*out));
            })

struct Hook { const char *dll, *name; void* tracked; void** original; };
#define ZEMLO_HOOK(dll, fn) Hook{dll, #fn, reinterpret_cast<void*>(&Tracked##fn), reinterpret_cast<void**>(&g_##fn)}
const Hook kHooks[] = {ZEMLO_HOOK("gdi32.dll", CreateCompatibleBitmap), ZEMLO_HOOK("gdi32.dll", CreateCompatibleDC),
                       ZEMLO_HOOK("gdi32.dll", CreateSolidBrush),       ZEMLO_HOOK("user32.dll", CopyImage),
                       ZEMLO_HOOK("gdi32.dll", DeleteObject),           ZEMLO_HOOK("gdi32.dll", DeleteDC),
                       ZEMLO_HOOK("oleaut32.dll", OleLoadPicturePath)};

// Puts the trackers in place, and the originals back however the test ends.
struct Hooked {
    Hooked()
    {
        for (const Hook& hook : kHooks)
            *hook.original = PatchImport(hook.dll, hook.name, hook.tracked);
    }
    ~Hooked()
    {
        for (const Hook& hook : kHooks)
            if (*hook.original != nullptr)
                PatchImport(hook.dll, hook.name, *hook.original);
    }
};

}  // namespace

TEST_F(BackgroundTest, RepaintsKeepNoDrawingObjectsAndNoPictures)
{
    frame.m_arrPictures = {TestPicture("wide.jpg"), TestPicture("square.jpg"), temp / "missing.jpg"};
    Surface screen(128, 96);
    {
        const Hooked hooked;
        for (const Hook& hook : kHooks)
            ASSERT_NE(*hook.original, nullptr) << hook.name;
        for (int i = 0; i < 30; ++i) {
            frame.m_nPicture = i % 3;
            frame.PaintBackground(screen.dc.get(), screen.rect());
        }
    }
    EXPECT_TRUE(g_live.empty()) << g_live.size() << " drawing objects left";
    EXPECT_EQ(g_pictures.size(), 20u);  // the missing third never decodes
    for (IPicture* picture : g_pictures)
        EXPECT_EQ(picture->Release(), 0u);
}
