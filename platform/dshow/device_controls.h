// Interfaces of capture devices: stream formats, picture settings, video control, crossbar and
// property pages.
#pragma once

#include "platform/dshow/filter_graph.h"

inline constexpr IID IID_IAMStreamConfig = zv::win32::GuidFromText("{C6E13340-30AC-11D0-A18C-00A0C9118956}");
inline constexpr IID IID_IAMVideoProcAmp = zv::win32::GuidFromText("{C6E13360-30AC-11D0-A18C-00A0C9118956}");
inline constexpr IID IID_IAMCrossbar = zv::win32::GuidFromText("{C6E13380-30AC-11D0-A18C-00A0C9118956}");
inline constexpr IID IID_IAMVideoControl = zv::win32::GuidFromText("{6A2E0670-28E4-11D0-A18C-00A0C9118956}");
inline constexpr IID IID_ISpecifyPropertyPages = zv::win32::GuidFromText("{B196B28B-BAB4-101A-B69C-00AA00341D07}");

struct IAMStreamConfig : IUnknown {
    // Only while the graph is stopped (VFW_E_NOT_STOPPED otherwise). The size must be one of the
    // capabilities; an AvgTimePerFrame of 0 takes the capability's default frame rate.
    virtual HRESULT SetFormat(AM_MEDIA_TYPE* pmt) = 0;
    // The current format; free it with the format block and CoTaskMemFree.
    virtual HRESULT GetFormat(AM_MEDIA_TYPE** ppmt) = 0;
    virtual HRESULT GetNumberOfCapabilities(int* piCount, int* piSize) = 0;
    // pSCC receives a VIDEO_STREAM_CONFIG_CAPS; S_FALSE for an index past the end.
    virtual HRESULT GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) = 0;

protected:
    ~IAMStreamConfig() = default;
};

// Over the device's colour-balance controls; E_PROP_ID_UNSUPPORTED for a property it lacks.
struct IAMVideoProcAmp : IUnknown {
    virtual HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta, LONG* pDefault,
                             LONG* pCapsFlags) = 0;
    virtual HRESULT Set(LONG Property, LONG lValue, LONG Flags) = 0;
    virtual HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) = 0;

protected:
    ~IAMVideoProcAmp() = default;
};

// Looked for on capture devices; no device of this platform offers them.
struct IAMVideoControl : IUnknown {
protected:
    ~IAMVideoControl() = default;
};
struct IAMCrossbar : IUnknown {
protected:
    ~IAMCrossbar() = default;
};

struct CAUUID {
    ULONG cElems;
    GUID* pElems; // CoTaskMemAlloc'd
};

struct ISpecifyPropertyPages : IUnknown {
    virtual HRESULT GetPages(CAUUID* pPages) = 0;

protected:
    ~ISpecifyPropertyPages() = default;
};

using LPUNKNOWN = IUnknown*;
using LCID = DWORD;
struct HWND__;

// Shows the property pages of objects in a modal frame. This platform has no property-page frames
// (no page of any object can be shown), so the call fails with E_NOTIMPL.
HRESULT OleCreatePropertyFrame(HWND__* hwndOwner, UINT x, UINT y, LPCOLESTR lpszCaption, ULONG cObjects,
                               LPUNKNOWN* ppUnk, ULONG cPages, const GUID* pPageClsID, LCID lcid,
                               DWORD dwReserved, LPVOID pvReserved);
