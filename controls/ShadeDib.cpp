#include "controls/ShadeDib.h"

#include <cstdlib>
#include <cstring>
#include <new>

CShadeDib::CShadeDib() : m_pBlock(nullptr), m_header(), m_nStride(0), m_nColors(0)
{
    m_header.biSize = sizeof(BITMAPINFOHEADER);
}

CShadeDib::~CShadeDib()
{
    Empty();
}

void CShadeDib::Empty()
{
    delete[] m_pBlock;
    m_pBlock = nullptr;
    m_header = BITMAPINFOHEADER();
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    m_nStride = 0;
    m_nColors = 0;
}

BYTE* CShadeDib::Allocate(long width, long height, WORD bitsPerPixel)
{
    Empty();

    WORD bits;
    if (bitsPerPixel <= 1)
        bits = 1;
    else if (bitsPerPixel <= 4)
        bits = 4;
    else if (bitsPerPixel <= 8)
        bits = 8;
    else
        bits = 24;
    m_nColors = bits == 24 ? 0 : static_cast<WORD>(1u << bits);

    m_header = BITMAPINFOHEADER();
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    // A negative size or one whose pixels do not fit a 32-bit image size
    // leaves the bitmap empty instead of wrapping the size computation.
    const unsigned long long stride = ((static_cast<unsigned long long>(bits) *
                                        static_cast<unsigned long long>(width < 0 ? 0 : width) + 31) / 32) * 4;
    if (width < 0 || height < 0 || stride * static_cast<unsigned long long>(height) > 0x7FFF0000ull) {
        Empty();
        return nullptr;
    }
    m_header.biWidth = width;
    m_header.biHeight = height;
    m_header.biPlanes = 1;
    m_header.biBitCount = bits;
    m_header.biCompression = BI_RGB;
    m_nStride = static_cast<DWORD>(stride);
    m_header.biSizeImage = m_nStride * static_cast<DWORD>(height);

    m_pBlock = new (std::nothrow) BYTE[BlockSize()];
    if (m_pBlock == nullptr) {
        // Out of memory: no header may describe a picture that is not there.
        Empty();
        return nullptr;
    }
    std::memcpy(m_pBlock, &m_header, sizeof(m_header));
    return m_pBlock;
}

size_t CShadeDib::BlockSize() const
{
    return m_header.biSize + m_header.biSizeImage + ColorTableBytes();
}

BYTE* CShadeDib::PixelRows() const
{
    if (m_pBlock == nullptr)
        return nullptr;
    const DWORD headerSize = reinterpret_cast<const BITMAPINFOHEADER*>(m_pBlock)->biSize;
    return m_pBlock + headerSize + ColorTableBytes();
}

const RGBQUAD* CShadeDib::ColorTable() const
{
    if (m_pBlock == nullptr || m_nColors == 0)
        return nullptr;
    return reinterpret_cast<const RGBQUAD*>(m_pBlock + m_header.biSize);
}

BOOL CShadeDib::Blit(HDC hdc, int x, int y) const
{
    if (m_pBlock == nullptr || hdc == nullptr)
        return FALSE;
    ::SetStretchBltMode(hdc, COLORONCOLOR);
    ::SetDIBitsToDevice(hdc, x, y, static_cast<DWORD>(m_header.biWidth), static_cast<DWORD>(m_header.biHeight),
                        0, 0, 0, static_cast<UINT>(m_header.biHeight), PixelRows(),
                        reinterpret_cast<const BITMAPINFO*>(m_pBlock), DIB_RGB_COLORS);
    return TRUE;
}

void CShadeDib::SetColorEntry(BYTE index, BYTE red, BYTE green, BYTE blue)
{
    if (m_pBlock == nullptr || m_nColors == 0 || index >= m_nColors)
        return;
    RGBQUAD* table = reinterpret_cast<RGBQUAD*>(m_pBlock + m_header.biSize);
    table[index].rgbBlue = blue;
    table[index].rgbGreen = green;
    table[index].rgbRed = red;
    table[index].rgbReserved = 0;
}

void CShadeDib::PutPixel(long x, long y, BYTE value)
{
    if (m_pBlock == nullptr || m_nColors == 0)
        return;
    if (x < 0 || x >= m_header.biWidth || y < 0 || y >= m_header.biHeight)
        return;
    PixelRows()[static_cast<size_t>(m_header.biHeight - y - 1) * m_nStride + static_cast<size_t>(x)] = value;
}

void CShadeDib::TintColors(COLORREF colour, long percent)
{
    if (m_pBlock == nullptr || m_nColors == 0)
        return;
    if (percent > 100)
        percent = 100;
    // A negative share would push the channels out of 0..255.
    if (percent < 0)
        percent = 0;
    const long red = GetRValue(colour);
    const long green = GetGValue(colour);
    const long blue = GetBValue(colour);
    RGBQUAD* table = reinterpret_cast<RGBQUAD*>(m_pBlock + m_header.biSize);
    for (WORD i = 0; i < m_nColors; ++i) {
        table[i].rgbRed = static_cast<BYTE>((red * percent + table[i].rgbRed * (100 - percent)) / 100);
        table[i].rgbGreen = static_cast<BYTE>((green * percent + table[i].rgbGreen * (100 - percent)) / 100);
        table[i].rgbBlue = static_cast<BYTE>((blue * percent + table[i].rgbBlue * (100 - percent)) / 100);
    }
}

BOOL CShadeDib::CopyFrom(const CShadeDib& source)
{
    if (&source == this || source.m_pBlock == nullptr)
        return FALSE;
    if (Allocate(source.m_header.biWidth, source.m_header.biHeight, source.m_header.biBitCount) == nullptr)
        return FALSE;
    std::memcpy(m_pBlock, source.m_pBlock, BlockSize());
    return TRUE;
}

void CShadeDib::FillPixels(BYTE value)
{
    if (m_pBlock == nullptr)
        return;
    std::memset(PixelRows(), value, m_header.biSizeImage);
}
