// CShadeDib: a small device-independent bitmap with a colour table, held in
// one packed block (header, colour table, pixel rows) that SetDIBitsToDevice
// draws directly. Rows are stored bottom row first; PutPixel counts y from
// the top. Every operation on an empty bitmap does nothing.
#pragma once

#include <windows.h>

#include <cstddef>

class CShadeDib {
public:
    CShadeDib();
    ~CShadeDib();
    CShadeDib(const CShadeDib&) = delete;
    CShadeDib& operator=(const CShadeDib&) = delete;

    // Replaces the image by an uninitialised one of the given size. The
    // bits per pixel are rounded up to 1, 4, 8 or 24. Returns the block, or
    // null (and the bitmap is empty) when memory runs out.
    BYTE* Allocate(long width, long height, WORD bitsPerPixel);
    BOOL HasImage() const { return m_pBlock != nullptr; }
    // Releases the image; the bitmap is empty afterwards.
    void Empty();
    size_t BlockSize() const;
    size_t ColorTableBytes() const { return static_cast<size_t>(m_nColors) * sizeof(RGBQUAD); }
    // The first stored pixel row (the bottom row on screen), or null.
    BYTE* PixelRows() const;
    // Draws the whole image with its top-left corner at (x, y).
    BOOL Blit(HDC hdc, int x, int y) const;

    void SetColorEntry(BYTE index, BYTE red, BYTE green, BYTE blue);
    void PutPixel(long x, long y, BYTE value);
    // Moves every colour-table entry percent of the way toward colour.
    void TintColors(COLORREF colour, long percent);
    BOOL CopyFrom(const CShadeDib& source);
    void FillPixels(BYTE value);

    long Width() const { return m_header.biWidth; }
    long Height() const { return m_header.biHeight; }
    WORD BitsPerPixel() const { return m_header.biBitCount; }
    DWORD Stride() const { return m_nStride; }
    WORD ColorCount() const { return m_nColors; }
    // Colour-table entry index as blue, green, red, reserved; null when
    // there is no such entry.
    const RGBQUAD* ColorTable() const;
    const BITMAPINFOHEADER& Header() const { return m_header; }

private:

    BYTE* m_pBlock;
    BITMAPINFOHEADER m_header;
    DWORD m_nStride;
    WORD m_nColors;
};
