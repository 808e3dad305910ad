// The text overlay: user text burned into every outgoing frame in one colour at one of six places.
// The text is rendered once into a black-and-white mask of the frame's size; each frame then gets
// the overlay colour wherever the mask is lit.
//
// Frames are 24-bit, bottom-up, with rows padded to 4 bytes (the DIB row rule); the mask has the
// same layout, so a mask byte and the frame byte at the same offset are the same pixel.
#pragma once

#include "capture/FrameSize.h"
#include "platform/gdi/gdi_types.h"
#include "platform/win32/critical_section.h"
#include "platform/win32/profile.h"
#include "platform/win32/types.h"

#include <cstddef>
#include <string>
#include <vector>

struct TextOverlaySettings {
    TextOverlaySettings();
    ~TextOverlaySettings();
    TextOverlaySettings(const TextOverlaySettings&) = delete;
    TextOverlaySettings& operator=(const TextOverlaySettings&) = delete;

    std::string text;          // empty: no overlay
    COLORREF colour = 0xFFFFFF;
    BYTE enabled = 1;          // the frame callback paints only while set
    std::vector<BYTE> mask;    // white where text is, black elsewhere
    LOGFONTA font{};
    LONG position = 4;         // 0 top left, 1 top centre, 2 top right, 3..5 the same at the bottom
    CRITICAL_SECTION lock;     // guards the whole record; writers and the renderer take it
    LONG maskWidth = 0;        // frame size the mask was rendered for
    LONG maskHeight = 0;
    LONG maskBytes = 0;        // stride x height
    BYTE dirty = 0;            // the mask must be rendered again before use
};

// The process's overlay.
extern TextOverlaySettings g_TextOverlay;

// Paints the overlay into a frame in place. `frameBytes` is the frame's length; a frame shorter
// than the mask (stride x height) is left untouched.
void ApplyTextOverlay(const FrameSize* size, BYTE* bits, LONG frameBytes);
void ApplyTextOverlay(TextOverlaySettings& overlay, const FrameSize* size, BYTE* bits, LONG frameBytes);

// Renders the mask for frames of that size; false when it cannot (the next frame tries again).
bool RenderTextMask(const FrameSize& size);
bool RenderTextMask(TextOverlaySettings& overlay, const FrameSize& size);

// Null sets an empty text (no overlay).
void SetOverlayText(const char* text);
void SetOverlayText(TextOverlaySettings& overlay, const char* text);

// The values "OverlayText", "OverlayColor", "OverlayPosition" and "OverlayFont" of the section
// "Params" of the application's profile. A stored font is taken only when it is a whole LOGFONTA.
void LoadOverlaySettings();
void LoadOverlaySettings(TextOverlaySettings& overlay, const zv::win32::Profile& profile);
void SaveOverlaySettings();
void SaveOverlaySettings(TextOverlaySettings& overlay, const zv::win32::Profile& profile);
