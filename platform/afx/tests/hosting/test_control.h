// A hosted control for the tests: a window that fires a click (dispatch id 20, the control itself as
// the element) when clicked or asked, and a scroll (31: the element and a position) when asked.
// It counts its live instances so that tests see leaks, and can be made to misbehave.
#pragma once

#include "platform/user/hosted_control.h"
#include "platform/user/messages.h"
#include "platform/user/window.h"
#include "platform/win32/com.h"
#include "platform/win32/com_object.h"

#include <atomic>

namespace zv::afx::test {

using win32::GuidFromText;

constexpr CLSID kTestControl = GuidFromText("{6A1B2C3D-0001-4E5F-8A9B-0C1D2E3F4A01}");
constexpr CLSID kControlWithoutHosting = GuidFromText("{6A1B2C3D-0001-4E5F-8A9B-0C1D2E3F4A02}");
constexpr CLSID kControlWithoutWindow = GuidFromText("{6A1B2C3D-0001-4E5F-8A9B-0C1D2E3F4A03}");
constexpr CLSID kControlWindowElsewhere = GuidFromText("{6A1B2C3D-0001-4E5F-8A9B-0C1D2E3F4A04}");
constexpr CLSID kUnregisteredControl = GuidFromText("{6A1B2C3D-0001-4E5F-8A9B-0C1D2E3F4A05}");
constexpr const char* kTestControlName = "Zelvante.TestControl";

constexpr DISPID kClickEvent = 20;
constexpr DISPID kScrollEvent = 31;

inline constexpr IID IID_ITestControl = GuidFromText("{6A1B2C3D-0002-4E5F-8A9B-0C1D2E3F4A00}");

struct ITestControl : IUnknown {
    virtual HRESULT FireClick() = 0;
    virtual HRESULT FireScroll(LONG position) = 0;

protected:
    ~ITestControl() = default;
};

enum class Behaviour { Working, NoHostingInterface, NoWindow, WindowElsewhere };

class TestControl final : public win32::ComObject<IZvHostedControl, ITestControl> {
public:
    static inline std::atomic<int> s_live{0};
    static inline std::atomic<int> s_freedHoldingSink{0}; // the host never took its sink back
    // When set, the next sink the host takes back stays here: a control that keeps it too long.
    static inline bool s_keepSinkPastRelease = false;
    static inline win32::ComRef<IDispatch> s_keptSink;

    explicit TestControl(Behaviour behaviour) : m_behaviour(behaviour) { ++s_live; }

    static HRESULT Create(Behaviour behaviour, IUnknown* outer, REFIID riid, void** ppv)
    {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return win32::HandOutNewObject(new TestControl(behaviour), riid, ppv);
    }

    static void RegisterClasses()
    {
        const std::pair<CLSID, Behaviour> classes[] = {
            {kTestControl, Behaviour::Working},
            {kControlWithoutHosting, Behaviour::NoHostingInterface},
            {kControlWithoutWindow, Behaviour::NoWindow},
            {kControlWindowElsewhere, Behaviour::WindowElsewhere},
        };
        for (const auto& [clsid, behaviour] : classes) {
            win32::RegisterComClass(clsid, [behaviour](IUnknown* outer, REFIID riid, void** ppv) {
                return Create(behaviour, outer, riid, ppv);
            });
        }
        win32::RegisterComProgId(kTestControlName, kTestControl);
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (m_behaviour == Behaviour::NoHostingInterface && riid == IID_IZvHostedControl) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return win32::QueryInterfaceFrom({{IID_IUnknown, static_cast<IZvHostedControl*>(this)},
                                          {IID_IZvHostedControl, static_cast<IZvHostedControl*>(this)},
                                          {IID_ITestControl, static_cast<ITestControl*>(this)}},
                                         riid, ppv);
    }
    HRESULT CreateControlWindow(HWND parent, const RECT* rect, UINT id, DWORD style, LPCSTR text,
                                HWND* window) override
    {
        if (!window || !rect)
            return E_INVALIDARG;
        *window = nullptr;
        if (m_behaviour == Behaviour::NoWindow)
            return E_FAIL;
        RegisterWindowClass();
        const bool elsewhere = m_behaviour == Behaviour::WindowElsewhere;
        m_window = CreateWindowExA(0, kWindowClass, text, elsewhere ? WS_POPUP : (style | WS_CHILD), rect->left,
                                   rect->top, rect->right - rect->left, rect->bottom - rect->top,
                                   elsewhere ? nullptr : parent,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(elsewhere ? 0 : id)), nullptr, nullptr);
        if (!m_window)
            return E_FAIL;
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        *window = m_window;
        return S_OK;
    }
    HRESULT SetEventSink(IDispatch* sink) override
    {
        if (!sink && s_keepSinkPastRelease)
            s_keptSink = m_sink;
        m_sink = win32::ComRef<IDispatch>::Share(sink);
        return S_OK;
    }

    HRESULT FireClick() override
    {
        VARIANT element{};
        element.vt = VT_UNKNOWN;
        element.punkVal = static_cast<IZvHostedControl*>(this);
        return Fire(kClickEvent, &element, 1);
    }
    HRESULT FireScroll(LONG position) override
    {
        VARIANT arguments[2]{}; // the last argument first
        arguments[0].vt = VT_I4;
        arguments[0].lVal = position;
        arguments[1].vt = VT_UNKNOWN;
        arguments[1].punkVal = static_cast<IZvHostedControl*>(this);
        return Fire(kScrollEvent, arguments, 2);
    }

private:
    static constexpr const char* kWindowClass = "ZvTestHostedControl";

    ~TestControl() override
    {
        if (m_sink)
            ++s_freedHoldingSink;
        --s_live;
    }

    HRESULT Fire(DISPID dispid, VARIANT* arguments, UINT count)
    {
        if (!m_sink)
            return E_UNEXPECTED;
        // The handler may close the dialog, and the host lets go of this control and its sink.
        const win32::ComRef<IZvHostedControl> self = win32::ComRef<IZvHostedControl>::Share(this);
        const win32::ComRef<IDispatch> sink = m_sink;
        DISPPARAMS params{arguments, nullptr, count, 0};
        UINT argErr = 0;
        const HRESULT hr = sink->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &argErr);
        ++m_fired; // still here after a handler that closed the dialog
        return hr;
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_LBUTTONUP) {
            if (auto* control = reinterpret_cast<TestControl*>(GetWindowLongPtrA(window, GWLP_USERDATA)))
                control->FireClick();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    static void RegisterWindowClass()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &WindowProc;
        wc.lpszClassName = kWindowClass;
        RegisterClassA(&wc); // a second registration fails harmlessly
    }

    const Behaviour m_behaviour;
    win32::ComRef<IDispatch> m_sink;
    HWND m_window = nullptr;
    int m_fired = 0;
};

} // namespace zv::afx::test
