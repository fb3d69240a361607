// CMemDC: stands in for a paint context during one paint. Drawing goes
// into an off-screen bitmap that covers the target's clip box, in the
// target's own logical coordinates (the window origin is shifted to the
// clip box), and the image is copied to the target in one block transfer
// when the object is destroyed. On a printer context it draws directly.
#pragma once

#include "winlib/Gdi.h"

class CMemDC : public CDC {
public:
    explicit CMemDC(CDC* pDC);
    ~CMemDC() override;
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

private:
    CBitmap m_bmpOffscreen;
    HGDIOBJ m_hOldBitmap;  // selected before the off-screen bitmap
    CDC* m_pTargetDC;
    RECT m_rcArea;
    BOOL m_bOffscreen;
};
