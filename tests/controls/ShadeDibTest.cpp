#include "controls/ShadeDib.h"
#include "winlib/Gdi.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
const BITMAPINFOHEADER* StoredHeader(const CShadeDib& dib)
{
    // The block starts with the header.
    return reinterpret_cast<const BITMAPINFOHEADER*>(dib.PixelRows() - dib.ColorTableBytes() - 40);
}
}  // namespace

TEST(ShadeDib, EmptyUntilAllocatedAndEveryOperationIsHarmless)
{
    CShadeDib dib;
    EXPECT_FALSE(dib.HasImage());
    EXPECT_EQ(dib.PixelRows(), nullptr);
    EXPECT_EQ(dib.BlockSize(), 40u);
    dib.SetColorEntry(0, 1, 2, 3);
    dib.PutPixel(0, 0, 9);
    dib.TintColors(RGB(1, 2, 3), 50);
    dib.FillPixels(7);
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    EXPECT_FALSE(dib.Blit(dc, 0, 0));
    CShadeDib copy;
    EXPECT_FALSE(copy.CopyFrom(dib));
    EXPECT_FALSE(copy.HasImage());
}

TEST(ShadeDib, EightBitsWidthThreeGivesStrideFourAndFullColourTable)
{
    CShadeDib dib;
    ASSERT_NE(dib.Allocate(3, 5, 8), nullptr);
    EXPECT_EQ(dib.Stride(), 4u);
    EXPECT_EQ(dib.ColorCount(), 256u);
    EXPECT_EQ(dib.BlockSize(), 40u + 1024u + 4u * 5u);
    const BITMAPINFOHEADER* h = StoredHeader(dib);
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biWidth, 3);
    EXPECT_EQ(h->biHeight, 5);
    EXPECT_EQ(h->biPlanes, 1);
    EXPECT_EQ(h->biBitCount, 8);
    EXPECT_EQ(h->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h->biSizeImage, 20u);
    EXPECT_EQ(h->biClrUsed, 0u);
}

TEST(ShadeDib, BitsPerPixelRoundUpToSupportedDepths)
{
    struct Case {
        WORD asked, bits, colours;
        DWORD stride;  // for width 10
    } cases[] = {{0, 1, 2, 4}, {1, 1, 2, 4}, {2, 4, 16, 8}, {4, 4, 16, 8}, {5, 8, 256, 12},
                 {6, 8, 256, 12}, {8, 8, 256, 12}, {9, 24, 0, 32}, {16, 24, 0, 32}, {32, 24, 0, 32}};
    for (const Case& c : cases) {
        CShadeDib dib;
        ASSERT_NE(dib.Allocate(10, 2, c.asked), nullptr) << c.asked;
        EXPECT_EQ(dib.BitsPerPixel(), c.bits) << c.asked;
        EXPECT_EQ(dib.ColorCount(), c.colours) << c.asked;
        EXPECT_EQ(dib.Stride(), c.stride) << c.asked;
        EXPECT_EQ(dib.BlockSize(), 40u + c.colours * 4u + c.stride * 2u) << c.asked;
    }
}

TEST(ShadeDib, ImpossibleSizesLeaveTheBitmapEmpty)
{
    CShadeDib dib;
    ASSERT_NE(dib.Allocate(4, 4, 8), nullptr);
    EXPECT_EQ(dib.Allocate(-1, 4, 8), nullptr);
    EXPECT_FALSE(dib.HasImage());
    EXPECT_EQ(dib.Allocate(4, -4, 8), nullptr);
    EXPECT_EQ(dib.Allocate(0x40000000, 0x40000000, 24), nullptr);
    EXPECT_FALSE(dib.HasImage());
}

TEST(ShadeDib, ColourEntriesOutsideTheTableAreIgnored)
{
    CShadeDib dib;
    ASSERT_NE(dib.Allocate(2, 2, 4), nullptr);
    std::memset(const_cast<RGBQUAD*>(dib.ColorTable()), 0xAA, dib.ColorTableBytes());
    const size_t after = dib.BlockSize();
    dib.SetColorEntry(255, 1, 2, 3);
    dib.SetColorEntry(16, 1, 2, 3);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(dib.ColorTable()[i].rgbRed, 0xAA) << i;
    EXPECT_EQ(dib.BlockSize(), after);

    dib.SetColorEntry(15, 10, 20, 30);
    EXPECT_EQ(dib.ColorTable()[15].rgbRed, 10);
    EXPECT_EQ(dib.ColorTable()[15].rgbGreen, 20);
    EXPECT_EQ(dib.ColorTable()[15].rgbBlue, 30);
    EXPECT_EQ(dib.ColorTable()[15].rgbReserved, 0);

    CShadeDib trueColour;
    ASSERT_NE(trueColour.Allocate(2, 2, 24), nullptr);
    trueColour.SetColorEntry(0, 1, 2, 3);  // no table: nothing to write
    EXPECT_EQ(trueColour.ColorTable(), nullptr);
}

TEST(ShadeDib, PutPixelCountsFromTheTopWhileRowsAreStoredBottomUp)
{
    CShadeDib dib;
    ASSERT_NE(dib.Allocate(3, 4, 8), nullptr);
    dib.FillPixels(0);
    dib.PutPixel(1, 0, 11);  // top row: last stored row
    dib.PutPixel(2, 3, 22);  // bottom row: first stored row
    const BYTE* rows = dib.PixelRows();
    EXPECT_EQ(rows[3 * 4 + 1], 11);
    EXPECT_EQ(rows[0 * 4 + 2], 22);

    dib.PutPixel(-1, 0, 99);
    dib.PutPixel(0, -1, 99);
    dib.PutPixel(3, 0, 99);
    dib.PutPixel(0, 4, 99);
    int written = 0;
    for (DWORD i = 0; i < dib.Stride() * 4; ++i)
        written += rows[i] != 0;
    EXPECT_EQ(written, 2);
}

TEST(ShadeDib, TintMovesEveryEntryTowardTheColour)
{
    CShadeDib dib;
    ASSERT_NE(dib.Allocate(1, 1, 8), nullptr);
    for (int i = 0; i < 256; ++i)
        dib.SetColorEntry(static_cast<BYTE>(i), static_cast<BYTE>(i), 100, 255);

    dib.TintColors(RGB(200, 0, 50), 0);
    EXPECT_EQ(dib.ColorTable()[7].rgbRed, 7);
    EXPECT_EQ(dib.ColorTable()[7].rgbGreen, 100);
    dib.TintColors(RGB(200, 0, 50), -40);
    EXPECT_EQ(dib.ColorTable()[7].rgbRed, 7);
    EXPECT_EQ(dib.ColorTable()[7].rgbBlue, 255);

    dib.TintColors(RGB(200, 0, 50), 10);
    // (200 * 10 + 7 * 90) / 100 = 26, (0 + 100 * 90) / 100 = 90,
    // (50 * 10 + 255 * 90) / 100 = 234 (integer division).
    EXPECT_EQ(dib.ColorTable()[7].rgbRed, 26);
    EXPECT_EQ(dib.ColorTable()[7].rgbGreen, 90);
    EXPECT_EQ(dib.ColorTable()[7].rgbBlue, 234);

    dib.TintColors(RGB(200, 0, 50), 250);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(dib.ColorTable()[i].rgbRed, 200);
        ASSERT_EQ(dib.ColorTable()[i].rgbGreen, 0);
        ASSERT_EQ(dib.ColorTable()[i].rgbBlue, 50);
    }
}

TEST(ShadeDib, CopyTakesSizeTableAndPixelsAndBlitDrawsTopRowAtTop)
{
    CShadeDib source;
    ASSERT_NE(source.Allocate(2, 2, 8), nullptr);
    source.SetColorEntry(1, 255, 0, 0);
    source.SetColorEntry(2, 0, 0, 255);
    source.FillPixels(2);
    source.PutPixel(0, 0, 1);

    CShadeDib copy;
    ASSERT_NE(copy.Allocate(9, 9, 24), nullptr);
    ASSERT_TRUE(copy.CopyFrom(source));
    ASSERT_EQ(copy.BlockSize(), source.BlockSize());
    EXPECT_EQ(std::memcmp(copy.PixelRows() - 1064, source.PixelRows() - 1064, source.BlockSize()), 0);
    EXPECT_FALSE(copy.CopyFrom(copy));  // copying onto itself keeps the image
    EXPECT_TRUE(copy.HasImage());

    CDC screen;
    screen.Attach(::GetDC(nullptr));
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(&screen));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(screen, 8, 8));
    ::ReleaseDC(nullptr, screen.Detach());
    const HGDIOBJ old = dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, 8, 8, RGB(0, 255, 0));
    ASSERT_TRUE(copy.Blit(dc, 3, 4));
    EXPECT_EQ(::GetPixel(dc, 3, 4), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(dc, 4, 4), RGB(0, 0, 255));
    EXPECT_EQ(::GetPixel(dc, 3, 5), RGB(0, 0, 255));
    EXPECT_EQ(::GetPixel(dc, 5, 4), RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(dc, 2, 4), RGB(0, 255, 0));
    EXPECT_EQ(::GetStretchBltMode(dc), COLORONCOLOR);
    dc.SelectObject(old);
}
