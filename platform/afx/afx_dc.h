// Device contexts and drawing objects as the framework's classes: CDC wraps an HDC the caller
// owns; CPaintDC and CClientDC get one for a window and give it back when they go; CFont and
// CBrush own their GDI object.
#pragma once

#include "platform/afx/afx_geometry.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_text.h"
#include "platform/user/paint.h"

class CWnd;
class CDC;

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL DeleteObject();

protected:
    BOOL Keep(HGDIOBJ object);  // FALSE when the creation failed or one is already kept
    HGDIOBJ m_hObject = nullptr;
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONTA* font) { return Keep(CreateFontIndirectA(font)); }
    // A font of `tenthsOfPoint` / 10 points on the screen; the device context is not needed.
    BOOL CreatePointFont(int tenthsOfPoint, LPCSTR faceName, CDC* dc = nullptr);
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
    BOOL CreateSolidBrush(COLORREF colour) { return Keep(::CreateSolidBrush(colour)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CDC {
public:
    CDC() = default;
    explicit CDC(HDC hdc) : m_hDC(hdc) {}
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    HGDIOBJ SelectObject(CGdiObject* object) { return ::SelectObject(m_hDC, object->GetSafeHandle()); }
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    void FillRect(const RECT* rect, CBrush* brush) { ::FillRect(m_hDC, rect, *brush); }
    void FillSolidRect(const RECT* rect, COLORREF colour);
    BOOL TextOut(int x, int y, const char* text, int count) { return ::TextOutA(m_hDC, x, y, text, count); }
    COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }

    HDC m_hDC = nullptr;
};

// BeginPaint / EndPaint around a WM_PAINT handler.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

// The client area's DC, released when it goes.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};
