#include "controls/MemDC.h"

CMemDC::CMemDC(CDC* pDC)
    : m_hOldBitmap(nullptr), m_pTargetDC(pDC), m_rcArea(), m_bOffscreen(!pDC->IsPrinting())
{
    if (m_bOffscreen) {
        pDC->GetClipBox(&m_rcArea);
        CreateCompatibleDC(pDC);
        m_bmpOffscreen.CreateCompatibleBitmap(pDC->m_hDC, m_rcArea.right - m_rcArea.left,
                                              m_rcArea.bottom - m_rcArea.top);
        m_hOldBitmap = SelectObject(&m_bmpOffscreen);
        SetWindowOrg(m_rcArea.left, m_rcArea.top);
    } else {
        m_bPrinting = pDC->m_bPrinting;
        m_hDC = pDC->m_hDC;
        m_hAttribDC = pDC->m_hAttribDC;
    }
}

CMemDC::~CMemDC()
{
    if (m_bOffscreen) {
        m_pTargetDC->BitBlt(m_rcArea.left, m_rcArea.top, m_rcArea.right - m_rcArea.left,
                            m_rcArea.bottom - m_rcArea.top, this, m_rcArea.left, m_rcArea.top, SRCCOPY);
        if (m_hOldBitmap != nullptr)
            SelectObject(m_hOldBitmap);
    } else {
        // The contexts belong to the target.
        m_hDC = m_hAttribDC = nullptr;
    }
    // The bitmap member is deleted next, then the base deletes the memory
    // context.
}
