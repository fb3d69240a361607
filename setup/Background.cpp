// The frame's background: the pictures of the medium's picture folder, one
// at a time, fitted into a fixed canvas and stretched over the frame.
#include "SetupDlg.h"

#include "winlib/FileFind.h"
#include "winlib/Handles.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"

#include <ocidl.h>
#include <olectl.h>

namespace {

// Pictures taller than 4 : 3 fill the canvas's height, the others its width.
constexpr double kCanvasRatio = 0.75;

std::wstring ToWide(const std::string& text)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<std::size_t>(length) - 1);
    return wide;
}

// Where a picture of height : width ratio goes on the canvas: the whole
// width for 4 : 3 and wider, the whole height for taller ones, centred.
RECT FitRectangle(double ratio)
{
    RECT fit;
    if (ratio > kCanvasRatio) {
        const int width = static_cast<int>(CSetupDlg::kCanvasHeight / ratio);
        fit.left = (CSetupDlg::kCanvasWidth - width) / 2;
        fit.top = 0;
        fit.right = fit.left + width;
        fit.bottom = CSetupDlg::kCanvasHeight;
    } else {
        const int height = static_cast<int>(ratio * CSetupDlg::kCanvasWidth);
        fit.left = 0;
        fit.top = (CSetupDlg::kCanvasHeight - height) / 2;
        fit.right = CSetupDlg::kCanvasWidth;
        fit.bottom = fit.top + height;
    }
    return fit;
}

void FillSolid(HDC hdc, const RECT& rect, COLORREF color)
{
    const winlib::ScopedBrush brush(::CreateSolidBrush(color));
    ::FillRect(hdc, &rect, brush.get());
}

}  // namespace

void CSetupDlg::FindPictures(const std::string& folder, const char* pattern, std::vector<std::string>& list)
{
    list.clear();
    std::string prefix = folder;
    winlib::AppendBackslash(prefix);

    const winlib::CurrentFolderKeeper keeper;
    if (!::SetCurrentDirectoryA(prefix.c_str()))
        return;  // no such folder: no pictures, and the current folder is untouched
    // The pattern is searched with the folder in front, so the result never
    // depends on which folder is current.
    CFileFind finder;
    BOOL more = finder.FindFile((prefix + pattern).c_str());
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots() || finder.IsDirectory())
            continue;
        list.push_back(prefix + finder.GetFileName());
    }
    finder.Close();
}

HBITMAP CSetupDlg::StretchedCopy(HBITMAP source, int cx, int cy)
{
    BITMAP info = {};
    if (::GetObjectA(source, sizeof(info), &info) == 0)
        return nullptr;
    // One StretchBlt from the source straight into the new bitmap, with
    // the halftone stretch that CopyImage uses: its pixels, without the
    // temporary copy of all the source's pixels that CopyImage makes first
    // (a repaint held the picture three times over for a moment).
    const winlib::ScopedGetDC screen(nullptr);
    winlib::ScopedBitmap copy(::CreateCompatibleBitmap(screen.get(), cx, cy));
    const winlib::ScopedMemDC from(::CreateCompatibleDC(screen.get()));
    const winlib::ScopedMemDC to(::CreateCompatibleDC(screen.get()));
    if (!copy || !from || !to)
        return nullptr;
    {
        const winlib::ScopedSelectObject selectSource(from.get(), source);
        const winlib::ScopedSelectObject selectCopy(to.get(), copy.get());
        ::SetStretchBltMode(to.get(), HALFTONE);
        ::SetBrushOrgEx(to.get(), 0, 0, nullptr);  // required after choosing halftone
        if (!::StretchBlt(to.get(), 0, 0, cx, cy, from.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY))
            return nullptr;
    }
    return copy.release();
}

HBITMAP CSetupDlg::LoadPicture(const std::string& path)
{
    const std::wstring widePath = ToWide(path);
    if (widePath.empty())
        return nullptr;

    // The canvas starts as a stretched copy of the whole picture. The
    // decoded picture goes as soon as that copy is made, and the canvas is
    // composed inside the copy itself: a repaint holds at most two
    // canvas-sized bitmaps at once, not three.
    winlib::ScopedBitmap canvas;
    double ratio = 0;
    {
        winlib::ScopedComPtr<IPicture> picture;
        if (FAILED(::OleLoadPicturePath(const_cast<LPOLESTR>(widePath.c_str()), nullptr, 0, 0, IID_IPicture,
                                        picture.receive_void()))
            || !picture)
            return nullptr;

        SHORT type = PICTYPE_UNINITIALIZED;
        OLE_HANDLE handle = 0;
        if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle)))
            return nullptr;
        // OLE handles are the low 32 bits of the handle, sign-extended back.
        const HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
        // The proportions are taken from the bitmap's pixels: the picture's
        // own size in HIMETRIC units is rounded, which makes an exact 4 : 3
        // picture come out a hair taller and lose its last column to the
        // border.
        BITMAP info = {};
        if (::GetObjectA(bitmap, sizeof(info), &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0)
            return nullptr;
        ratio = static_cast<double>(info.bmHeight) / static_cast<double>(info.bmWidth);

        // The picture object keeps (and at its release deletes) its own
        // bitmap; the copy is made beside it.
        canvas.reset(StretchedCopy(bitmap, kCanvasWidth, kCanvasHeight));
        if (!canvas)
            return nullptr;
    }

    const RECT fit = FitRectangle(ratio);
    const winlib::ScopedGetDC screen(m_hWnd);
    const winlib::ScopedMemDC canvasDC(::CreateCompatibleDC(screen.get()));
    if (!canvasDC)
        return nullptr;
    {
        const winlib::ScopedSelectObject selectCanvas(canvasDC.get(), canvas.get());
        // A plain move of the top-left part of the stretched picture to its
        // place, no second scaling (source and destination overlap; the
        // system copies in the direction that keeps the source intact).
        ::BitBlt(canvasDC.get(), fit.left, fit.top, fit.right - fit.left, fit.bottom - fit.top, canvasDC.get(), 0,
                 0, SRCCOPY);
        // Around it, white inside a grey border.
        ::ExcludeClipRect(canvasDC.get(), fit.left, fit.top, fit.right, fit.bottom);
        const winlib::ScopedBrush white(::CreateSolidBrush(kCanvasColor));
        const winlib::ScopedBrush grey(::CreateSolidBrush(kCanvasBorderColor));
        const RECT whole = {0, 0, kCanvasWidth, kCanvasHeight};
        ::FillRect(canvasDC.get(), &whole, white.get());
        ::FrameRect(canvasDC.get(), &whole, grey.get());
    }
    return canvas.release();
}

void CSetupDlg::PaintBackground(HDC hdc, const RECT& rect)
{
    if (m_arrPictures.empty()) {
        FillSolid(hdc, rect, kNoPictureColor);
        return;
    }
    if (m_nPicture < 0 || static_cast<std::size_t>(m_nPicture) >= m_arrPictures.size())
        m_nPicture = 0;
    const winlib::ScopedBitmap canvas(LoadPicture(m_arrPictures[static_cast<std::size_t>(m_nPicture)]));
    if (!canvas) {
        // Undecodable: the frame shows the plain surface rather than
        // whatever was drawn there before; the same file is tried again at
        // the next repaint.
        FillSolid(hdc, rect, kNoPictureColor);
        return;
    }
    const winlib::ScopedMemDC memDC(::CreateCompatibleDC(hdc));
    if (!memDC) {
        FillSolid(hdc, rect, kNoPictureColor);
        return;
    }
    const winlib::ScopedSelectObject select(memDC.get(), canvas.get());
    BITMAP info = {};
    ::GetObjectA(canvas.get(), sizeof(info), &info);
    ::StretchBlt(hdc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memDC.get(), 0, 0,
                 info.bmWidth, info.bmHeight, SRCCOPY);
}
