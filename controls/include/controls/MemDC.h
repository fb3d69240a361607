// CMemDC: stands in for a paint context during one paint. Drawing goes
// into an off-screen bitmap that covers the target's clip box, in the
// target's own logical coordinates (the window origin is shifted to the
// clip box), and the image is copied to the target in one block transfer
// when the object is destroyed.
#pragma once

#include "winlib/Gdi.h"

#include <optional>

class CMemDC : public CCompatibleDC {
public:
    explicit CMemDC(CDC* pDC);
    ~CMemDC() override;
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

private:
    CDC* m_pTargetDC;
    RECT m_rcArea;  // clip box of the target, in its logical units
    CBitmap m_bmpOffscreen;
    // Restores the memory context's first bitmap before the off-screen
    // one is deleted.
    std::optional<winlib::ScopedSelectObject> m_selectBitmap;
};
