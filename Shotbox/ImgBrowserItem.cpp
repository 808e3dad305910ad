// One entry of the image browser: the file's thumbnail at the cell's size, never the full picture.
#include "Shotbox/ImgBrowser.h"

#include "imagelib/PixImageType.h"
#include "platform/win32/files.h"

#include <cstdio>

namespace {

// Thumbnail area: the cell less 7 pixels left, top and right and 19 at the bottom.
constexpr int kInset = 7;
constexpr int kBottomInset = 19;

// UI thread only, as the browser itself.
int g_cellWidth = 0;
int g_cellHeight = 0;

PixColor PixColorOf(COLORREF colour)
{
    return MakePixColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

// Fills the rectangle, then steps one pixel inwards.
void FillRing(HDC dc, CRect& rect, COLORREF colour)
{
    CDC(dc).FillSolidRect(&rect, colour);
    rect.DeflateRect(1, 1);
}

} // namespace

void CImgBrowserItem::SetCellSize(int width, int height)
{
    g_cellWidth = width;
    g_cellHeight = height;
}

int CImgBrowserItem::CellWidth() { return g_cellWidth; }
int CImgBrowserItem::CellHeight() { return g_cellHeight; }

COLORREF CImgBrowserItem::BackgroundColour()
{
    static const COLORREF colour = GetSysColor(COLOR_WINDOW);
    return colour;
}

CImgBrowserItem::CImgBrowserItem(const char* path)
{
    Load(path, g_cellWidth, g_cellHeight);
}

BOOL CImgBrowserItem::Load(const char* path, int cellWidth, int cellHeight)
{
    // Copied first: reloading from the item's own path passes the string cleared below.
    const std::string file = path ? path : "";
    m_bSelected = 0;
    m_nWidth = 0;
    m_nHeight = 0;
    m_thumb.Destroy();
    m_strPath.clear();
    m_strTitle.clear();
    if (file.empty())
        return FALSE;
    const DWORD attributes = GetFileAttributesA(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FALSE;
    CPixImage picture;
    if (!picture.Load(file.c_str(), PIXIMAGE_UNKNOWN))
        return FALSE;
    m_nWidth = picture.GetWidth();
    m_nHeight = picture.GetHeight();
    // A control too small to show a thumbnail still lists the file.
    const int thumbWidth = cellWidth - 2 * kInset;
    const int thumbHeight = cellHeight - kInset - kBottomInset;
    if (thumbWidth > 0 && thumbHeight > 0 &&
        !picture.Thumbnail(thumbWidth, thumbHeight, PixColorOf(GetSysColor(COLOR_BTNFACE)), &m_thumb))
        return FALSE;
    m_strPath = file;
    return TRUE;
}

BOOL CImgBrowserItem::Reload(const char* path)
{
    return Load(path, g_cellWidth, g_cellHeight);
}

BOOL CImgBrowserItem::GetOriginalSize(int* width, int* height) const
{
    const bool loaded = !m_strPath.empty();
    if (width)
        *width = loaded ? m_nWidth : 0;
    if (height)
        *height = loaded ? m_nHeight : 0;
    return loaded ? TRUE : FALSE;
}

BOOL CImgBrowserItem::GetImageRect(const RECT& cell, RECT* out) const
{
    if (!out)
        return FALSE;
    *out = {cell.left + kInset, cell.top + kInset, cell.right - kInset, cell.bottom - kBottomInset};
    return TRUE;
}

void CImgBrowserItem::Draw(HDC dc, const RECT& cell, bool selected, bool focusRing)
{
    const COLORREF background = BackgroundColour();
    CRect work = cell;
    work.DeflateRect(1, 1);
    FillRing(dc, work, focusRing ? GetSysColor(COLOR_HIGHLIGHT) : background);
    FillRing(dc, work, selected ? GetSysColor(COLOR_BTNSHADOW) : background);
    FillRing(dc, work, GetSysColor(COLOR_BTNSHADOW));
    FillRing(dc, work, GetSysColor(COLOR_BTNFACE));

    const int cellWidth = cell.right - cell.left;
    const int cellHeight = cell.bottom - cell.top;
    if (m_thumb.IsValid())
        m_thumb.Draw(dc, cell.left + kInset, cell.top + kInset, cellWidth - 2 * kInset, cellHeight - kInset - kBottomInset);

    char caption[32];
    const int length = std::snprintf(caption, sizeof caption, "%dx%d", m_nWidth, m_nHeight);
    CFont font;
    font.CreatePointFont(70, "Arial");
    const HGDIOBJ previousFont = SelectObject(dc, font.GetSafeHandle());
    SIZE extent{};
    GetTextExtentPoint32A(dc, caption, length, &extent);
    const int centre = cell.left + cellWidth / 2;
    const RECT box{centre - extent.cx / 2 - 4, cell.bottom - 18, centre + (extent.cx + 1) / 2 + 4, cell.bottom - 6};
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    const UINT previousAlign = SetTextAlign(dc, TA_CENTER | TA_TOP);
    ExtTextOutA(dc, centre, cell.bottom - 12 - extent.cy / 2, ETO_OPAQUE | ETO_CLIPPED, &box, caption,
                static_cast<UINT>(length), nullptr);
    SetTextAlign(dc, previousAlign);
    SelectObject(dc, previousFont);
}
