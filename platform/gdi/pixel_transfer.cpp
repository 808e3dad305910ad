#include "platform/gdi/pixel_transfer.h"

namespace zv::gdi {
namespace {

constexpr COLORREF kColourBits = 0x00FFFFFF;

struct RasterOpEntry {
    DWORD code;
    RasterOp op;
};

constexpr RasterOpEntry kRasterOps[] = {
    {SRCCOPY, [](COLORREF s, COLORREF) { return s & kColourBits; }},
    {SRCAND, [](COLORREF s, COLORREF d) { return s & d & kColourBits; }},
    {SRCINVERT, [](COLORREF s, COLORREF d) { return (s ^ d) & kColourBits; }},
    {SRCPAINT, [](COLORREF s, COLORREF d) { return (s | d) & kColourBits; }},
    {SRCERASE, [](COLORREF s, COLORREF d) { return s & ~d & kColourBits; }},
    {NOTSRCCOPY, [](COLORREF s, COLORREF) { return ~s & kColourBits; }},
    {NOTSRCERASE, [](COLORREF s, COLORREF d) { return ~(s | d) & kColourBits; }},
    {MERGEPAINT, [](COLORREF s, COLORREF d) { return (~s | d) & kColourBits; }},
};

} // namespace

RasterOp FindRasterOp(DWORD code)
{
    for (const RasterOpEntry& entry : kRasterOps)
        if (entry.code == code)
            return entry.op;
    return nullptr;
}

COLORREF ColourConversion::operator()(COLORREF colour) const
{
    if (sourceMonochrome && !destinationMonochrome)
        return colour == RGB(0, 0, 0) ? destinationText : destinationBackground;
    if (!sourceMonochrome && destinationMonochrome)
        return (colour & kColourBits) == (sourceBackground & kColourBits) ? RGB(255, 255, 255) : RGB(0, 0, 0);
    return colour;
}

} // namespace zv::gdi
