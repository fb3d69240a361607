#include "ControlHost.h"
#include "controls/MemDC.h"

#include <gtest/gtest.h>

TEST(MemDC, DrawsInTargetCoordinatesAndCopiesOnlyTheClipBoxAtTheEnd)
{
    // A green target clipped to (10, 20)-(50, 60).
    Canvas target(100, 80, RGB(0, 255, 0));
    HRGN clip = ::CreateRectRgn(10, 20, 50, 60);
    ::SelectClipRgn(target.dc, clip);
    ::DeleteObject(clip);
    {
        CMemDC mem(&target.dc);
        mem.FillSolidRect(0, 0, 100, 80, RGB(255, 0, 0));
        mem.FillSolidRect(10, 20, 1, 1, RGB(0, 0, 255));
        EXPECT_EQ(::GetPixel(target.dc, 30, 30), RGB(0, 255, 0));
    }
    ::SelectClipRgn(target.dc, nullptr);
    EXPECT_EQ(::GetPixel(target.dc, 10, 20), RGB(0, 0, 255));
    EXPECT_EQ(::GetPixel(target.dc, 49, 59), RGB(255, 0, 0));
    for (POINT outside : {POINT{9, 20}, POINT{50, 59}, POINT{49, 60}})
        EXPECT_EQ(::GetPixel(target.dc, outside.x, outside.y), RGB(0, 255, 0)) << outside.x << "," << outside.y;
}
