// Reading what was drawn: the header of the 32-bit top-down bitmaps that
// the tests read pixels through (a DIB section or GetDIBits), so that row 0
// is the top row and each pixel is one DWORD.
#pragma once

#include <windows.h>

namespace testgdi {

inline BITMAPINFO TopDown32Info(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace testgdi
