// Controls hosted in-process by class id: the contract between a control module (the skin control,
// the browser) and the host that places it in a dialog or window (the framework's control sites).
//
// A control module:
//   1. registers its class: zv::win32::RegisterComClass(CLSID_X, factory) (com.h), and, when it is to
//      be created by name, zv::win32::RegisterComProgId("Vendor.X", CLSID_X). The factory makes the
//      object with one reference; the host creates it through CoCreateInstance on its own thread, so
//      that thread must have called CoInitialize.
//   2. answers QueryInterface for IID_IZvHostedControl (besides its own interfaces).
//   3. in CreateControlWindow, creates its own window: a WS_CHILD of `parent` at `rect` (the parent's
//      client coordinates), with control id `id`, `style` added (WS_VISIBLE, WS_TABSTOP, ... as the
//      dialog template or the caller gives them) and `text` as its window text. It returns the
//      window's handle. The window belongs to the control; the host calls this once.
//   4. fires its events as sink->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
//      nullptr, &argErr) on the window's thread, on the sink the host gave to SetEventSink, the
//      arguments in params.rgvarg in REVERSE order (the last argument first), no named arguments.
//      Values the handler may change travel by reference (VT_BYREF | VT_VARIANT, VT_BYREF | VT_BOOL).
//      The skin's scroll event (31: element, position), for one: rgvarg[0] = VT_I4 position,
//      rgvarg[1] = VT_UNKNOWN element, cArgs 2.
//      The control holds one reference on the sink while it has it. A handler may destroy the
//      control's window (a click on "Exit"), and the host then lets go of the control and its sink
//      before Invoke returns: hold a reference on yourself and on the sink across the call, and
//      expect your window gone afterwards.
//
// The host:
//   - calls SetEventSink(sink) before CreateControlWindow, then keeps one reference on the control
//     as long as the control's window lives;
//   - when that window is destroyed (with its dialog, or on its own), calls SetEventSink(nullptr)
//     (the control releases the sink and fires nothing more) and releases the control, which
//     normally frees it. A window that could not be made releases the control the same way.
//   - routes each event to the window that was the control's parent at creation, by control id
//     and dispatch id (the framework's event sink maps);
//   - gives callers the control's IUnknown (CWnd::GetControlUnknown) without a reference of theirs.
#pragma once

#include "platform/user/user_types.h"
#include "platform/win32/dispatch.h"

#include <string>

inline constexpr IID IID_IZvHostedControl = zv::win32::GuidFromText("{5E0C2A71-8D4B-4F36-9C1A-3B7D2E6F0A94}");

struct IZvHostedControl : IUnknown {
    // E_INVALIDARG for a null `window`; any failure leaves no window behind.
    virtual HRESULT CreateControlWindow(HWND parent, const RECT* rect, UINT id, DWORD style, LPCSTR text,
                                        HWND* window) = 0;
    // Replaces the sink events go to (null: none); the control keeps a reference on the new one.
    virtual HRESULT SetEventSink(IDispatch* sink) = 0;

protected:
    ~IZvHostedControl() = default;
};

namespace zv::user {

// Makes the hosted control of class `clsid` as a dialog's control; null (and a last error) when it
// cannot be made.
using HostedControlMaker = HWND (*)(HWND dialog, const CLSID& clsid, LPCSTR text, DWORD style, const RECT& place,
                                    int id);

// The dialog manager hands template items whose class is a class id ("{...}") to this maker, which
// the framework installs when it enables control hosting. Without one such items cannot be made,
// and neither can the dialog (unless it is DS_NOFAILCREATE).
void SetHostedControlMaker(HostedControlMaker maker);
// What the dialog manager calls for such an item: ERROR_CANNOT_FIND_WND_CLASS when no maker is
// installed or the class text is not a class id, as for a window class nobody registered.
HWND MakeHostedDialogControl(HWND dialog, const std::string& classText, LPCSTR text, DWORD style, const RECT& place,
                             int id);

} // namespace zv::user
