#include "controls/MemDC.h"

CMemDC::CMemDC(CDC* pDC) : CCompatibleDC(pDC->GetSafeHdc()), m_pTargetDC(pDC), m_rcArea()
{
    pDC->GetClipBox(&m_rcArea);
    m_bmpOffscreen.CreateCompatibleBitmap(pDC->GetSafeHdc(), m_rcArea.right - m_rcArea.left,
                                          m_rcArea.bottom - m_rcArea.top);
    m_selectBitmap.emplace(m_hDC, m_bmpOffscreen);
    SetWindowOrg(m_rcArea.left, m_rcArea.top);
}

CMemDC::~CMemDC()
{
    m_pTargetDC->BitBlt(m_rcArea.left, m_rcArea.top, m_rcArea.right - m_rcArea.left,
                        m_rcArea.bottom - m_rcArea.top, this, m_rcArea.left, m_rcArea.top, SRCCOPY);
    // Then the first bitmap is selected back, the off-screen bitmap is
    // deleted, and last the memory context.
}
