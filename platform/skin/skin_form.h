// A form of a skin shown in a window: the live element tree (visibility, texts, positions, check
// values) over the skin's descriptions, the window's face and its mouse handling. The form takes
// the window's messages over (painting, mouse, its own timers) and passes everything else on.
//
// UI thread only: the form lives on the thread of its window.
#pragma once

#include "platform/skin/skin_document.h"
#include "platform/skin/skin_events.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zv::skin {

struct SkinNode {
    const ElementSpec* spec = nullptr;
    int parent = -1;
    std::vector<int> children;
    RECT rect{}; // relative to the parent
    bool visible = true;
    bool enabled = true;
    std::string text;
    std::string tooltip;
    std::array<SkinCaptionStyle, 3> styles{};
    LONG minimum = 0, maximum = 100, position = 0;
    bool reversed = false;
    SHORT value = 0;
    HWND window = nullptr; // frames: their own child window
};

class SkinForm : public std::enable_shared_from_this<SkinForm> {
public:
    // Shows the form in the window (replacing a form it showed before) and sizes the window's
    // client area to the form. Null when the window is not one of this thread's.
    static std::shared_ptr<SkinForm> Apply(HWND window, std::shared_ptr<const SkinDocument> skin,
                                           const ElementSpec& form, std::shared_ptr<SkinEventTarget> events);
    // The form the window shows; null for none.
    static std::shared_ptr<SkinForm> Of(HWND window);

    ~SkinForm();
    SkinForm(const SkinForm&) = delete;
    SkinForm& operator=(const SkinForm&) = delete;

    // Null once the window is gone or shows another form.
    HWND Window() const { return m_window; }
    const SkinDocument& Skin() const { return *m_skin; }
    int Count() const { return static_cast<int>(m_nodes.size()); }
    SkinNode& Node(int index) { return m_nodes[static_cast<std::size_t>(index)]; }
    const SkinNode& Node(int index) const { return m_nodes[static_cast<std::size_t>(index)]; }
    // Case-insensitive, first in document order; -1 when absent. Node 0 is the form.
    int Find(const std::string& name) const;
    // In the window's client coordinates.
    RECT AbsoluteRect(int index) const;
    // Visible with every element above it.
    bool Shown(int index) const;

    void SetVisible(int index, bool visible);
    // Shows the text at once; a growing text element fits the form to it.
    void SetText(int index, std::string text);
    // An empty tooltip shows nothing, and hides one showing.
    void SetTooltip(int index, std::string text);
    // Redraws the element's place at once.
    void Refresh(int index);
    // Clamped to the element's range; no event.
    void SetPosition(int index, LONG position);

    // Paints the area (client coordinates of the form window) into the form's picture and copies it
    // to dc at the area less `origin` (the painted window's offset in the form window).
    void Paint(HDC dc, const RECT& area, POINT origin);
    // The part of the form's picture the area shows, painted afresh (tests and benchmarks).
    void Compose(const RECT& area);
    HDC PictureDC() const { return m_pictureDC; }

    // Message handling of the window; true when the form answered it.
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

private:
    SkinForm() = default;
    void Build(const ElementSpec& spec, int parent);
    void CreatePicture();
    void ReleasePicture();
    // The window's client area takes the form's size.
    void FitWindowToForm();
    // Grows (or shrinks back) a growing text element to the height its text needs.
    void FitToText(int index);
    int TextHeight(int index);
    void MoveFrameWindows();
    void CreateFrameWindows();
    void ShowFrameWindows();
    void Detach();

    int HitTest(POINT point, bool interactiveOnly) const;
    int HitFrom(int index, POINT point, POINT origin, bool interactiveOnly) const;
    void SetHot(int index);
    void OnMouseMove(POINT point);
    void OnButtonDown(POINT point);
    void OnButtonUp(POINT point);
    void OnWheel(POINT screenPoint, int delta);
    void OnTimer(UINT_PTR id);
    void DragSlider(int index, POINT point);
    void FireClick(int index);
    void FireScroll(int index);
    void HideTooltip();

    void DrawNode(int index, POINT origin, const RECT& clip);
    void DrawPictures(const StatePictures& pictures, int state, const RECT& rect, const RECT& clip, int slice);
    void DrawCaption(const std::string& text, const SkinCaptionStyle& style, const RECT& rect);
    RECT ThumbRect(int index, const RECT& absolute) const;
    int StateOf(int index) const;
    HFONT FontFor(const SkinCaptionStyle& style);

    HWND m_window = nullptr;
    WNDPROC m_previousProc = nullptr;
    std::shared_ptr<const SkinDocument> m_skin;
    std::shared_ptr<SkinEventTarget> m_events;
    std::vector<SkinNode> m_nodes;

    int m_hot = -1;      // the interactive element under the pointer
    int m_pressed = -1;  // the element the left button went down on (capture held)
    int m_tipNode = -1;  // the element under the pointer whose tooltip may show
    int m_dragGrab = 0;  // where in a slider's thumb the drag took hold
    bool m_dragging = false;
    HWND m_tooltip = nullptr;

    HDC m_pictureDC = nullptr;
    HBITMAP m_picture = nullptr;
    HGDIOBJ m_previousBitmap = nullptr;
    void* m_bits = nullptr;
    int m_stride = 0;
    std::map<std::string, HFONT> m_fonts;

    friend LRESULT CALLBACK SkinFormProc(HWND, UINT, WPARAM, LPARAM);
};

// Answers WM_PAINT of a child window with the part of its parent's form under it.
void PaintFormUnder(HWND child);

// The form's window procedure (exposed for the frame and control windows that show parts of it).
LRESULT CALLBACK SkinFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace zv::skin
