// The skin control's interfaces. Every interface is dual: callable from C++ through its methods and
// late-bound through IDispatch with the dispatch ids below (one id space for every interface of
// an element, so one element object answers them all).
//
// Results: S_OK, or a failure; a name that no element has gives kSkinNotFound and a null element.
// Texts come in as wide strings and go out as BSTRs the caller frees.
#pragma once

#include "platform/user/user_types.h"
#include "platform/win32/dispatch.h"

#include <cstddef>

inline constexpr CLSID CLSID_ZelvanteSkin = zv::win32::GuidFromText("{BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}");
inline constexpr IID IID_ISkinEngine = zv::win32::GuidFromText("{92AEA298-248E-45DB-97B6-A8C7CD5892E7}");
// The form's own element; its identifier is ours.
inline constexpr IID IID_ISkinRootElement = zv::win32::GuidFromText("{6F0D2A41-8C3B-4E57-9A12-5B7C0E9D4F21}");
inline constexpr IID IID_ISkinElement = zv::win32::GuidFromText("{7DF90993-429D-41C3-BA1D-DB8B619D332E}");
inline constexpr IID IID_ISkinElementName = zv::win32::GuidFromText("{5483984C-BFEC-4B7B-8F0A-849B8E743EE3}");
inline constexpr IID IID_ISkinElementWindow = zv::win32::GuidFromText("{4F92C52C-57B6-4F46-A911-CF43A87610B7}");
inline constexpr IID IID_ISkinText = zv::win32::GuidFromText("{D95D2592-6185-4620-B1D5-FA9CB5DCD4DF}");
inline constexpr IID IID_ISkinButton = zv::win32::GuidFromText("{0AD09E9E-052E-499C-8B0D-6BBEE2645992}");
inline constexpr IID IID_ISkinScrollBar = zv::win32::GuidFromText("{0B502553-0E1F-42C4-8077-644877E8039F}");
inline constexpr IID IID_ISkinMenu = zv::win32::GuidFromText("{4E4ACEBE-DBDD-46F4-B1D9-CB49BA8E80E7}");
inline constexpr IID IID_ISkinCheckBox = zv::win32::GuidFromText("{8D6D95E3-1B8B-4A19-AF1F-B1E2DB8CFEA5}");

// ERROR_NOT_FOUND as a result: no such element or form.
constexpr HRESULT kSkinNotFound = HRESULT_FROM_WIN32(1168);

// Events the control fires into its container's sink.
constexpr DISPID kSkinEventClick = 20;  // (element as IUnknown)
constexpr DISPID kSkinEventScroll = 31; // (element as IUnknown, new position as VT_I4)

// Dispatch ids of the methods. Window handles and menu handles travel as VT_I8; out values come
// back in the result VARIANT (elements as VT_UNKNOWN).
enum SkinDispid : DISPID {
    kDispLoadSkin = 1,       // (path)
    kDispApplyForm = 2,      // (window, form name)
    kDispGetRootElement = 3, // (window) -> element
    kDispFindElement = 10,   // (name) -> element
    kDispGetRectPart = 11,   // (0 left, 1 top, 2 right, 3 bottom) -> VT_I4
    kDispSetVisible = 12,    // (VARIANT_BOOL)
    kDispRefresh = 13,
    kDispGetTooltip = 14,
    kDispSetTooltip = 15, // (text)
    kDispGetVisible = 16,
    kDispGetChildCount = 17,
    kDispGetChild = 18, // (index) -> element
    kDispGetName = 19,
    kDispGetWindow = 21,
    kDispGetParent = 22,
    kDispSetText = 23,
    kDispGetText = 24,
    kDispSetCaption = 25,
    kDispGetOrientation = 26,
    kDispGetMinimum = 27,
    kDispGetMaximum = 28,
    kDispGetPosition = 29,
    kDispSetPosition = 30,
    kDispTrackPopupMenu = 32, // (menu, screen x, screen y)
    kDispGetValue = 33,
    kDispSetValue = 34,
};

// One of a button's three caption styles (0 normal, 1 hover, 2 pressed): 72 bytes, the DrawText
// alignment flags last (DT_LEFT/DT_CENTER/DT_RIGHT with DT_VCENTER or DT_BOTTOM).
struct SkinCaptionStyle {
    char faceName[32];
    LONG height;  // font em height in pixels
    LONG weight;  // 400 regular, 700 bold
    LONG italic;  // non-zero: italic
    COLORREF colour;
    COLORREF shadowColour; // CLR_INVALID: no shadow
    LONG shadowDx;
    LONG shadowDy;
    LONG marginX; // inner margins of the caption's box
    LONG marginY;
    UINT format;
};
static_assert(sizeof(SkinCaptionStyle) == 72);
static_assert(offsetof(SkinCaptionStyle, format) == 68);

struct ISkinElement;
struct ISkinRootElement;

struct ISkinEngine : IDispatch {
    // All or nothing: a skin that fails to load leaves the loaded one in place.
    virtual HRESULT LoadSkin(LPCOLESTR path) = 0;
    // Makes the window show the named form (its client area takes the form's size); a window keeps
    // one form at a time. Events of the form go to this engine's control.
    virtual HRESULT ApplyForm(HWND window, LPCOLESTR formName) = 0;
    virtual HRESULT GetRootElement(HWND window, ISkinRootElement** root) = 0;

protected:
    ~ISkinEngine() = default;
};

struct ISkinElement : IDispatch {
    // Relative to the parent element; elements directly under the form in the form window's
    // client coordinates.
    virtual HRESULT GetRect(RECT* rect) = 0;
    // Hidden elements, with everything under them, neither draw nor take input.
    virtual HRESULT SetVisible(VARIANT_BOOL visible) = 0;
    virtual HRESULT GetVisible(VARIANT_BOOL* visible) = 0;
    virtual HRESULT Refresh() = 0;
    virtual HRESULT GetTooltip(BSTR* text) = 0;
    // An empty tooltip shows nothing.
    virtual HRESULT SetTooltip(LPCOLESTR text) = 0;
    virtual HRESULT GetChildCount(LONG* count) = 0;
    virtual HRESULT GetChild(LONG index, ISkinElement** child) = 0;

protected:
    ~ISkinElement() = default;
};

struct ISkinRootElement : IDispatch {
    // Case-insensitive; the first match in document order.
    virtual HRESULT FindElement(LPCOLESTR name, ISkinElement** element) = 0;

protected:
    ~ISkinRootElement() = default;
};

struct ISkinElementName : IDispatch {
    virtual HRESULT GetName(BSTR* name) = 0;

protected:
    ~ISkinElementName() = default;
};

// Answered by elements and by the control itself (the control's own window).
struct ISkinElementWindow : IDispatch {
    // The element's own window (frames), else the window that shows the form.
    virtual HRESULT GetWindow(HWND* window) = 0;
    // Null with S_FALSE for the form itself.
    virtual HRESULT GetParentElement(ISkinElement** parent) = 0;

protected:
    ~ISkinElementWindow() = default;
};

struct ISkinText : IDispatch {
    virtual HRESULT SetText(LPCOLESTR text) = 0;
    virtual HRESULT GetText(BSTR* text) = 0;

protected:
    ~ISkinText() = default;
};

struct ISkinButton : IDispatch {
    virtual HRESULT SetCaption(LPCOLESTR text) = 0;
    // index 0..2; E_INVALIDARG otherwise.
    virtual HRESULT GetCaptionStyle(LONG index, SkinCaptionStyle* style) = 0;
    virtual HRESULT SetCaptionStyle(LONG index, const SkinCaptionStyle* style) = 0;

protected:
    ~ISkinButton() = default;
};

struct ISkinScrollBar : IDispatch {
    // 0: minimum at the left (top); 1: reversed, minimum at the right (bottom).
    virtual HRESULT GetOrientation(LONG* orientation) = 0;
    virtual HRESULT GetMinimum(LONG* minimum) = 0;
    virtual HRESULT GetMaximum(LONG* maximum) = 0;
    virtual HRESULT GetPosition(LONG* position) = 0;
    // Clamped into minimum..maximum; fires no event.
    virtual HRESULT SetPosition(LONG position) = 0;

protected:
    ~ISkinScrollBar() = default;
};

struct ISkinMenu : IDispatch {
    // Shows the pop-up menu, skinned, with its top-left at the screen point and tracks it until the
    // user chooses or cancels; a chosen command goes to the form's window as WM_COMMAND.
    virtual HRESULT TrackPopupMenu(HMENU menu, LONG screenX, LONG screenY) = 0;

protected:
    ~ISkinMenu() = default;
};

struct ISkinCheckBox : IDispatch {
    virtual HRESULT GetValue(SHORT* value) = 0; // 1 checked, 0 not
    virtual HRESULT SetValue(SHORT value) = 0;

protected:
    ~ISkinCheckBox() = default;
};
