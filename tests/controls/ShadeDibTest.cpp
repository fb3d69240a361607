#include "ControlHost.h"
#include "controls/ShadeDib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

// Asked depths round up to 1, 4 or 8 bits with a colour table; anything
// deeper than 8 bits becomes 24 bits without one.
TEST(ShadeDib, AllocateRoundsTheDepthAndPacksHeaderTableAndRows)
{
    const struct { long width, height; WORD asked, bits, colours; DWORD stride; } rows[] = {
        {3, 5, 8, 8, 256, 4},  {10, 2, 8, 8, 256, 12},  {10, 2, 0, 1, 2, 4},    {10, 2, 1, 1, 2, 4},
        {10, 2, 2, 4, 16, 8},  {10, 2, 4, 4, 16, 8},    {10, 2, 5, 8, 256, 12}, {10, 2, 6, 8, 256, 12},
        {10, 2, 9, 24, 0, 32}, {10, 2, 12, 24, 0, 32}, {10, 2, 16, 24, 0, 32}, {10, 2, 32, 24, 0, 32}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height << ", " << row.asked << " bits");
        CShadeDib dib;
        const BYTE* block = dib.Allocate(row.width, row.height, row.asked);
        ASSERT_NE(block, nullptr);
        const DWORD image = row.stride * static_cast<DWORD>(row.height);
        const BITMAPINFOHEADER expected = {40, row.width, row.height, 1, row.bits, BI_RGB, image, 0, 0, 0, 0};
        EXPECT_EQ(std::memcmp(block, &expected, sizeof(expected)), 0);
        EXPECT_EQ(dib.PixelRows(), block + 40 + row.colours * 4);
        EXPECT_EQ(dib.BlockSize(), 40u + row.colours * 4u + image);
    }
}

TEST(ShadeDib, ImpossibleSizesLeaveAnEmptyBitmapThatIgnoresEveryOperation)
{
    const struct { long width, height; WORD bits; } rows[] = {{-1, 4, 8}, {4, -4, 8}, {0x40000000, 0x40000000, 24}};
    CCompatibleDC dc(nullptr);
    ASSERT_NE(dc.GetSafeHdc(), nullptr);
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height);
        CShadeDib dib, copy;
        ASSERT_NE(dib.Allocate(4, 4, 8), nullptr);
        EXPECT_EQ(dib.Allocate(row.width, row.height, row.bits), nullptr);
        dib.SetColorEntry(0, 1, 2, 3);
        dib.PutPixel(0, 0, 9);
        dib.TintColors(RGB(1, 2, 3), 50);
        dib.FillPixels(7);
        EXPECT_EQ(dib.PixelRows(), nullptr);
        EXPECT_EQ(dib.BlockSize(), 40u);
        EXPECT_FALSE(dib.Blit(dc, 0, 0));
        EXPECT_FALSE(copy.CopyFrom(dib));
        EXPECT_FALSE(copy.HasImage());
    }
}

TEST(ShadeDib, WritesStayInsideTheTableAndTheImage)
{
    CShadeDib dib;
    ASSERT_NE(dib.Allocate(2, 2, 4), nullptr);
    std::memset(const_cast<RGBQUAD*>(dib.ColorTable()), 0xAA, dib.ColorTableBytes());
    dib.SetColorEntry(255, 1, 2, 3);
    dib.SetColorEntry(16, 1, 2, 3);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(dib.ColorTable()[i].rgbRed, 0xAA) << i;
    dib.SetColorEntry(15, 10, 20, 30);
    EXPECT_EQ(Entry(dib, 15), RGB(10, 20, 30));
    EXPECT_EQ(dib.ColorTable()[15].rgbReserved, 0);

    // Rows are stored bottom row first; PutPixel counts y from the top.
    ASSERT_NE(dib.Allocate(3, 4, 8), nullptr);
    dib.FillPixels(0);
    dib.PutPixel(1, 0, 11);
    dib.PutPixel(2, 3, 22);
    for (POINT outside : {POINT{-1, 0}, POINT{0, -1}, POINT{3, 0}, POINT{0, 4}})
        dib.PutPixel(outside.x, outside.y, 99);
    const BYTE* rows = dib.PixelRows();
    EXPECT_EQ(rows[3 * 4 + 1], 11);
    EXPECT_EQ(rows[0 * 4 + 2], 22);
    EXPECT_EQ(std::count_if(rows, rows + dib.Stride() * 4, [](BYTE b) { return b != 0; }), 2);
}

TEST(ShadeDib, TintShareIsClampedToNoneAndAll)
{
    // Shares in between are checked with the button's hover palette.
    CShadeDib dib;
    ASSERT_NE(dib.Allocate(1, 1, 8), nullptr);
    dib.SetColorEntry(7, 7, 100, 255);
    dib.TintColors(RGB(200, 0, 50), -40);
    EXPECT_EQ(Entry(dib, 7), RGB(7, 100, 255));
    dib.TintColors(RGB(200, 0, 50), 101);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(Entry(dib, i), RGB(200, 0, 50)) << i;
    ASSERT_NE(dib.Allocate(1, 1, 8), nullptr);
    dib.SetColorEntry(7, 7, 100, 255);
    dib.TintColors(RGB(200, 0, 50), 250);
    EXPECT_EQ(Entry(dib, 7), RGB(200, 0, 50));
}

TEST(ShadeDib, CopyTakesSizeTableAndPixelsAndBlitDrawsTopRowAtTop)
{
    CShadeDib source, copy;
    ASSERT_NE(source.Allocate(2, 2, 8), nullptr);
    source.SetColorEntry(1, 255, 0, 0);
    source.SetColorEntry(2, 0, 0, 255);
    source.FillPixels(2);
    source.PutPixel(0, 0, 1);
    ASSERT_NE(copy.Allocate(9, 9, 24), nullptr);
    ASSERT_TRUE(copy.CopyFrom(source));
    ASSERT_EQ(copy.BlockSize(), source.BlockSize());
    EXPECT_EQ(std::memcmp(copy.PixelRows() - 1064, source.PixelRows() - 1064, source.BlockSize()), 0);
    EXPECT_FALSE(copy.CopyFrom(copy));  // copying onto itself keeps the image
    EXPECT_TRUE(copy.HasImage());

    Canvas canvas(8, 8, RGB(0, 255, 0));
    CDC& dc = canvas.dc;
    ASSERT_TRUE(copy.Blit(dc, 3, 4));
    EXPECT_EQ(::GetPixel(dc, 3, 4), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(dc, 4, 4), RGB(0, 0, 255));
    EXPECT_EQ(::GetPixel(dc, 3, 5), RGB(0, 0, 255));
    EXPECT_EQ(::GetPixel(dc, 5, 4), RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(dc, 2, 4), RGB(0, 255, 0));
    EXPECT_EQ(::GetStretchBltMode(dc), COLORONCOLOR);
}
