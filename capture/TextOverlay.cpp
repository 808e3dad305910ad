#include "capture/TextOverlay.h"

#include "platform/gdi/gdi.h"

#include <cstdint>
#include <cstring>
#include <new>

TextOverlaySettings g_TextOverlay;

namespace {

constexpr const char* kSection = "Params";

class OverlayLock {
public:
    explicit OverlayLock(TextOverlaySettings& overlay) : m_lock(&overlay.lock) { EnterCriticalSection(m_lock); }
    ~OverlayLock() { LeaveCriticalSection(m_lock); }
    OverlayLock(const OverlayLock&) = delete;
    OverlayLock& operator=(const OverlayLock&) = delete;

private:
    CRITICAL_SECTION* m_lock;
};

// A memory context over a monochrome bitmap of the frame's size, with the overlay font selected
// and white transparent text; everything is released when it goes.
class MaskCanvas {
public:
    MaskCanvas(int width, int height, const LOGFONTA& font)
    {
        m_screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        if (!m_screen)
            return;
        m_dc = CreateCompatibleDC(m_screen);
        if (!m_dc)
            return;
        // Compatible with a fresh memory context: one bit per pixel, so no grey levels.
        m_bitmap = CreateCompatibleBitmap(m_dc, width, height);
        m_font = CreateFontIndirectA(&font);
        if (!m_bitmap || !m_font)
            return;
        m_oldBitmap = SelectObject(m_dc, m_bitmap);
        m_oldFont = SelectObject(m_dc, m_font);
        if (!m_oldBitmap || !m_oldFont)
            return;
        SetTextColor(m_dc, RGB(255, 255, 255));
        SetBkMode(m_dc, TRANSPARENT);
        m_ready = true;
    }
    ~MaskCanvas()
    {
        if (m_oldFont)
            SelectObject(m_dc, m_oldFont);
        if (m_oldBitmap)
            SelectObject(m_dc, m_oldBitmap);
        if (m_font)
            DeleteObject(m_font);
        if (m_bitmap)
            DeleteObject(m_bitmap);
        if (m_dc)
            DeleteDC(m_dc);
        if (m_screen)
            DeleteDC(m_screen);
    }
    MaskCanvas(const MaskCanvas&) = delete;
    MaskCanvas& operator=(const MaskCanvas&) = delete;

    bool Ready() const { return m_ready; }
    HDC Dc() const { return m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }

private:
    HDC m_screen = nullptr;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    HGDIOBJ m_oldFont = nullptr;
    bool m_ready = false;
};

UINT AlignmentOf(LONG position)
{
    switch (position) {
    case 0:
    case 3: return DT_LEFT;
    case 2:
    case 5: return DT_RIGHT;
    default: return DT_CENTER;
    }
}

// Where the measured block of tw x th goes in a frame of w x h.
RECT PlaceBlock(LONG position, const RECT& measured, LONG w, LONG h)
{
    const LONG tw = measured.right - measured.left;
    const LONG th = measured.bottom - measured.top;
    const LONG d = w - tw;
    switch (position) {
    case 0: return RECT{0, 0, tw, th};
    case 1: return RECT{d / 2, 0, d / 2 + tw, th};
    case 2: return RECT{d, 0, w, th};
    case 3: return RECT{0, h - th, tw, h};
    case 4: return RECT{d / 2, h - th, d / 2 + tw, h};
    case 5: return RECT{d, h - th, w, h};
    default: return measured;
    }
}

// Draws the text into the canvas and reads it back into `mask` (stride x h bytes).
bool DrawMask(const TextOverlaySettings& overlay, LONG w, LONG h, std::vector<BYTE>& mask)
{
    MaskCanvas canvas(w, h, overlay.font);
    if (!canvas.Ready())
        return false;
    if (!overlay.text.empty()) {
        const UINT flags = AlignmentOf(overlay.position) | DT_NOPREFIX | DT_NOCLIP | DT_WORDBREAK;
        RECT measured{0, 0, w, 0};
        if (DrawTextExA(canvas.Dc(), overlay.text.c_str(), -1, &measured, flags | DT_CALCRECT, nullptr) == 0)
            return false;
        RECT placed = PlaceBlock(overlay.position, measured, w, h);
        if (DrawTextExA(canvas.Dc(), overlay.text.c_str(), -1, &placed, flags, nullptr) == 0)
            return false;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h; // bottom-up, as frames are
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return GetDIBits(canvas.Dc(), canvas.Bitmap(), 0, static_cast<UINT>(h), mask.data(), &info, DIB_RGB_COLORS) == h;
}

} // namespace

TextOverlaySettings::TextOverlaySettings()
{
    font.lfHeight = 20;
    font.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(font.lfFaceName, "Arial");
    InitializeCriticalSection(&lock);
}

TextOverlaySettings::~TextOverlaySettings()
{
    DeleteCriticalSection(&lock);
}

bool RenderTextMask(TextOverlaySettings& overlay, const FrameSize& size)
{
    OverlayLock lock(overlay);
    // Until this render succeeds the mask fits no frame size, so a failure is retried next frame.
    overlay.mask.clear();
    overlay.mask.shrink_to_fit();
    overlay.maskBytes = 0;
    overlay.maskWidth = 0;
    overlay.maskHeight = 0;
    const LONG w = size.width;
    const LONG h = size.height;
    if (w <= 0 || h <= 0)
        return false;
    const std::uint64_t bytes = static_cast<std::uint64_t>(FrameStride(w)) * static_cast<std::uint64_t>(h);
    if (bytes > static_cast<std::uint64_t>(INT32_MAX))
        return false;
    try {
        overlay.mask.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    overlay.maskBytes = static_cast<LONG>(bytes);
    if (!DrawMask(overlay, w, h, overlay.mask))
        return false;
    overlay.maskWidth = w;
    overlay.maskHeight = h;
    overlay.dirty = 0;
    return true;
}

void ApplyTextOverlay(TextOverlaySettings& overlay, const FrameSize* size, BYTE* bits, LONG frameBytes)
{
    OverlayLock lock(overlay);
    if (!bits || !size || overlay.text.empty())
        return;
    if (overlay.dirty || size->width != overlay.maskWidth || size->height != overlay.maskHeight) {
        if (!RenderTextMask(overlay, *size))
            return;
    }
    if (frameBytes < overlay.maskBytes)
        return;
    const BYTE blue = GetBValue(overlay.colour);
    const BYTE green = GetGValue(overlay.colour);
    const BYTE red = GetRValue(overlay.colour);
    const std::size_t stride = FrameStride(overlay.maskWidth);
    const auto width = static_cast<std::size_t>(overlay.maskWidth);
    for (std::size_t row = 0; row < static_cast<std::size_t>(overlay.maskHeight); ++row) {
        const std::size_t start = row * stride;
        for (std::size_t offset = start; offset < start + width * 3; offset += 3) {
            if (overlay.mask[offset] | overlay.mask[offset + 1] | overlay.mask[offset + 2]) {
                bits[offset] = blue;
                bits[offset + 1] = green;
                bits[offset + 2] = red;
            }
        }
    }
}

void SetOverlayText(TextOverlaySettings& overlay, const char* text)
{
    OverlayLock lock(overlay);
    overlay.text = text ? text : "";
    overlay.dirty = 1;
}

void LoadOverlaySettings(TextOverlaySettings& overlay, const zv::win32::Profile& profile)
{
    std::string text = profile.GetProfileString(kSection, "OverlayText");
    const COLORREF colour = profile.GetProfileInt(kSection, "OverlayColor", 0xFFFFFF);
    const auto position = static_cast<LONG>(profile.GetProfileInt(kSection, "OverlayPosition", 4));
    std::vector<BYTE> font;
    const bool haveFont = profile.GetProfileBinary(kSection, "OverlayFont", font) && font.size() == sizeof(LOGFONTA);

    OverlayLock lock(overlay);
    overlay.text = std::move(text);
    overlay.colour = colour;
    overlay.position = position;
    if (haveFont)
        std::memcpy(&overlay.font, font.data(), sizeof(LOGFONTA));
    overlay.dirty = 1;
}

void SaveOverlaySettings(TextOverlaySettings& overlay, const zv::win32::Profile& profile)
{
    // The registry is written outside the lock so frames do not wait for the disk.
    std::string text;
    COLORREF colour;
    LONG position;
    LOGFONTA font;
    {
        OverlayLock lock(overlay);
        text = overlay.text;
        colour = overlay.colour;
        position = overlay.position;
        font = overlay.font;
    }
    profile.WriteProfileString(kSection, "OverlayText", text.c_str());
    profile.WriteProfileInt(kSection, "OverlayColor", static_cast<int>(colour));
    profile.WriteProfileInt(kSection, "OverlayPosition", position);
    profile.WriteProfileBinary(kSection, "OverlayFont", reinterpret_cast<const BYTE*>(&font), sizeof font);
}

void ApplyTextOverlay(const FrameSize* size, BYTE* bits, LONG frameBytes)
{
    ApplyTextOverlay(g_TextOverlay, size, bits, frameBytes);
}

bool RenderTextMask(const FrameSize& size)
{
    return RenderTextMask(g_TextOverlay, size);
}

void SetOverlayText(const char* text)
{
    SetOverlayText(g_TextOverlay, text);
}

void LoadOverlaySettings()
{
    LoadOverlaySettings(g_TextOverlay, zv::win32::ApplicationProfile());
}

void SaveOverlaySettings()
{
    SaveOverlaySettings(g_TextOverlay, zv::win32::ApplicationProfile());
}
