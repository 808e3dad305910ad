// The skin control: the COM class under CLSID_ZelvanteSkin. One object is the control and its
// engine: it answers ISkinEngine (one loaded skin per control), ISkinElementWindow (its own
// window) and IZvSkinControl, the small contract through which a container creates the control's
// window and hands it the sink for its events.
//
// The control's window shows what the form of its parent window has under it and passes the mouse
// on to that form, so it never hides part of the skin.
#pragma once

#include "platform/skin/skin_interfaces.h"

#include <string>

inline constexpr IID IID_IZvSkinControl = zv::win32::GuidFromText("{C1B7E3A0-5D2F-4E8B-9F61-2A4C8D0E7B13}");

struct IZvSkinControl : IUnknown {
    // Creates the control's child window at the rectangle of the parent's client area, with the
    // control id. Once only; E_UNEXPECTED afterwards.
    virtual HRESULT CreateControlWindow(HWND parent, const RECT* rect, int id, HWND* window) = 0;
    // The container's event sink (clicks, scrolls); null disconnects.
    virtual HRESULT SetEventSink(IDispatch* sink) = 0;

protected:
    ~IZvSkinControl() = default;
};

namespace zv::skin {

inline constexpr const char* kSkinControlClass = "ZvSkinControl";

// Makes a control; no aggregation.
HRESULT CreateSkinControl(IUnknown* outer, REFIID riid, void** ppv);
// Enters the control in the process's COM class table.
void RegisterSkinControlClass();
// Why the control's last LoadSkin failed (empty after a success); for diagnostics.
std::string LastSkinError(IUnknown* control);

} // namespace zv::skin
