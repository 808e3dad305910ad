#include "imagelib/PixImageIterator.h"

#include "imagelib/PixImage.h"

void CPixImageIterator::Attach(CPixImage* image)
{
    m_pImage = image;
    m_x = 0;
    m_y = 0;
    m_stepX = 0;
    m_stepY = 0;
    m_pRow = image ? image->GetRowPointer(0) : nullptr;
}

void CPixImageIterator::GoTop()
{
    m_x = 0;
    if (!m_pImage || m_pImage->GetHeight() <= 0) {
        m_y = 0;
        m_pRow = nullptr;
        return;
    }
    m_y = m_pImage->GetHeight() - 1;
    m_pRow = m_pImage->GetRowPointer(static_cast<DWORD>(m_y));
}

BYTE* CPixImageIterator::SetRow(LONG y)
{
    if (!m_pImage || y < 0 || y >= m_pImage->GetHeight())
        return m_pRow;
    m_y = y;
    m_pRow = m_pImage->GetRowPointer(static_cast<DWORD>(y));
    return m_pRow;
}
