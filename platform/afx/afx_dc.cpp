#include "platform/afx/afx_dc.h"

#include "platform/afx/afx_wnd.h"

#include <cstring>

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    const BOOL deleted = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return deleted;
}

BOOL CGdiObject::Keep(HGDIOBJ object)
{
    if (!object || m_hObject) {
        if (object)
            ::DeleteObject(object);
        return FALSE;
    }
    m_hObject = object;
    return TRUE;
}

BOOL CFont::CreatePointFont(int tenthsOfPoint, LPCSTR faceName, CDC*)
{
    LOGFONTA font{};
    font.lfHeight = zv::gdi::FontHeightFromPoints(tenthsOfPoint);
    font.lfWeight = 400;
    if (faceName)
        std::strncpy(font.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&font);
}

void CDC::FillSolidRect(const RECT* rect, COLORREF colour)
{
    CBrush brush(colour);
    FillRect(rect, &brush);
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->GetSafeHwnd())
{
    m_hDC = BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->GetSafeHwnd() : nullptr)
{
    m_hDC = GetDC(m_hWnd);
}

CClientDC::~CClientDC()
{
    if (m_hDC)
        ReleaseDC(m_hWnd, m_hDC);
}
