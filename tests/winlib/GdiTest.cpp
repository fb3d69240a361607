// The drawing classes own what they make and borrow what they are given.
#include "winlib/Gdi.h"
#include "winlib/Handles.h"

#include <gtest/gtest.h>

#include <utility>

TEST(Gdi, OwnersDeleteWhatTheyMadeAndABorrowedContextStaysWithItsOwner)
{
    HDC memory = nullptr;
    HBITMAP made = nullptr;
    HGDIOBJ first = nullptr;
    {
        CCompatibleDC dc(nullptr);
        memory = dc.GetSafeHdc();
        ASSERT_NE(memory, nullptr);
        first = ::GetCurrentObject(memory, OBJ_BITMAP);
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(dc, 4, 4));
        made = bitmap;
        EXPECT_FALSE(bitmap.CreateCompatibleBitmap(dc, 8, 8));  // never replaces its object
        {
            const winlib::ScopedSelectObject select(dc, bitmap);
            EXPECT_EQ(::GetCurrentObject(memory, OBJ_BITMAP), made);
        }
        EXPECT_EQ(::GetCurrentObject(memory, OBJ_BITMAP), first);

        // Borrowed: the wrapper goes, the context stays usable.
        { CDC borrowed(memory); borrowed.FillSolidRect(0, 0, 1, 1, RGB(1, 2, 3)); }
        EXPECT_EQ(::GetObjectType(memory), static_cast<DWORD>(OBJ_MEMDC));

        CBitmap moved(std::move(bitmap));
        EXPECT_EQ(bitmap.GetSafeHandle(), nullptr);
        EXPECT_EQ(moved.GetSafeHandle(), made);
        EXPECT_EQ(::GetObjectType(made), static_cast<DWORD>(OBJ_BITMAP));
    }
    EXPECT_EQ(::GetObjectType(made), 0u);
    EXPECT_EQ(::GetObjectType(memory), 0u);

    CRgn region;
    ASSERT_TRUE(region.CreateRectRgn(0, 0, 2, 2));
    HRGN handle = region;
    EXPECT_TRUE(region.DeleteObject());
    EXPECT_FALSE(region.DeleteObject());
    EXPECT_EQ(::GetObjectType(handle), 0u);
}
