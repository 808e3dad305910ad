// Device contexts held for the length of one call: the screen's, and a memory context with a
// bitmap of its own selected.
#pragma once

#include "platform/gdi/gdi.h"

// The screen context for the length of one call.
class ScreenContext {
public:
    ScreenContext() : dc_(GetDC(nullptr)) {}
    ~ScreenContext()
    {
        if (dc_)
            ReleaseDC(nullptr, dc_);
    }
    ScreenContext(const ScreenContext&) = delete;
    ScreenContext& operator=(const ScreenContext&) = delete;
    HDC Dc() const { return dc_; }

private:
    HDC dc_;
};

// A memory context compatible with another one, with a bitmap of its own selected; both go when
// it does.
class MemoryCanvas {
public:
    MemoryCanvas(HDC compatible, HBITMAP bitmap) : dc_(CreateCompatibleDC(compatible)), bitmap_(bitmap)
    {
        if (dc_ && bitmap_)
            previous_ = SelectObject(dc_, bitmap_);
    }
    ~MemoryCanvas()
    {
        if (previous_)
            SelectObject(dc_, previous_);
        if (bitmap_)
            DeleteObject(bitmap_);
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    bool IsReady() const { return previous_ != nullptr; }
    HDC Dc() const { return dc_; }
    HBITMAP Bitmap() const { return bitmap_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_ = nullptr;
};
