// Event sink maps: arguments taken from DISPPARAMS in reverse order into typed handlers, by-reference
// arguments written back, bad argument lists refused before any handler runs, and the base
// class's entries when the derived handler declines.
#include "platform/afx/event_sink_map.h"
#include "platform/win32/tests/counted_object.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using zv::win32::testing::CountedObject;

constexpr UINT kSkin = 1002;
constexpr UINT kBrowser = 1015;

std::string Narrow(BSTR text)
{
    return text ? std::string(text, text + SysStringLen(text)) : "(null)";
}

class BaseHost : public CCmdTarget {
public:
    std::vector<std::string> log;

protected:
    void OnBaseClick(IUnknown*) { log.push_back("base click"); }
    void OnRefresh() { log.push_back("refresh"); }
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(BaseHost, CCmdTarget)
    ON_EVENT(BaseHost, kSkin, 20, OnBaseClick, VTS_UNKNOWN)
    ON_EVENT(BaseHost, kSkin, 40, OnRefresh, VTS_NONE)
END_EVENTSINK_MAP()

// The events the program's dialogs take: the skin's click and scroll, the browser's two.
class Host : public BaseHost {
public:
    IUnknown* lastElement = nullptr;
    IDispatch* lastBrowser = nullptr;

protected:
    BOOL OnClick(IUnknown* element)
    {
        lastElement = element;
        log.push_back("click");
        return element != nullptr; // a click on nothing is left to the base class
    }
    void OnScroll(IUnknown* element, LONG position)
    {
        lastElement = element;
        log.push_back("scroll " + std::to_string(position));
    }
    void OnBeforeNavigate2(IDispatch* browser, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                           VARIANT_BOOL* cancel)
    {
        lastBrowser = browser;
        log.push_back("before " + Narrow(url->vt == VT_BSTR ? url->bstrVal : nullptr));
        *cancel = VARIANT_TRUE;
    }
    void OnDocumentComplete(IDispatch* browser, VARIANT* url)
    {
        lastBrowser = browser;
        log.push_back("complete " + Narrow(url->vt == VT_BSTR ? url->bstrVal : nullptr));
    }
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(Host, BaseHost)
    ON_EVENT(Host, kSkin, 20, OnClick, VTS_UNKNOWN)
    ON_EVENT(Host, kSkin, 31, OnScroll, VTS_UNKNOWN VTS_I4)
    ON_EVENT(Host, kBrowser, 250, OnBeforeNavigate2,
             VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL)
    ON_EVENT(Host, kBrowser, 259, OnDocumentComplete, VTS_DISPATCH VTS_PVARIANT)
END_EVENTSINK_MAP()

VARIANT Value(VARTYPE vt)
{
    VARIANT v{};
    v.vt = vt;
    return v;
}
VARIANT Unknown(IUnknown* p) { VARIANT v = Value(VT_UNKNOWN); v.punkVal = p; return v; }
VARIANT Dispatch(IDispatch* p) { VARIANT v = Value(VT_DISPATCH); v.pdispVal = p; return v; }
VARIANT I4(LONG n) { VARIANT v = Value(VT_I4); v.lVal = n; return v; }
VARIANT I2(SHORT n) { VARIANT v = Value(VT_I2); v.iVal = n; return v; }
VARIANT UI4(ULONG n) { VARIANT v = Value(VT_UI4); v.ulVal = n; return v; }
VARIANT Bool(bool b) { VARIANT v = Value(VT_BOOL); v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; return v; }
VARIANT Text(BSTR s) { VARIANT v = Value(VT_BSTR); v.bstrVal = s; return v; }
VARIANT RefTo(VARIANT* target) { VARIANT v = Value(VT_BYREF | VT_VARIANT); v.pvarVal = target; return v; }
VARIANT RefBool(VARIANT_BOOL* target) { VARIANT v = Value(VT_BYREF | VT_BOOL); v.pboolVal = target; return v; }

// Fires an event with the arguments in the handler's order, as a control lays them out.
HRESULT Fire(Host& host, UINT ctrlId, DISPID dispid, std::vector<VARIANT> arguments, UINT* argErr,
             UINT namedArgs = 0)
{
    std::reverse(arguments.begin(), arguments.end());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{arguments.data(), namedArgs ? &named : nullptr, static_cast<UINT>(arguments.size()), namedArgs};
    return host.OnEvent(ctrlId, dispid, &params, argErr);
}

TEST(EventSinkMapTest, ArgumentsReachTypedHandlers)
{
    CountedObject* element = new CountedObject;
    BSTR url = SysAllocString(u"http://host/page.asp");
    VARIANT urlValue = Text(url);
    VARIANT empty = Value(VT_EMPTY);
    VARIANT position = I4(9);
    VARIANT_BOOL cancel = VARIANT_FALSE;

    struct Case {
        const char* name;
        UINT ctrlId;
        DISPID dispid;
        std::vector<VARIANT> arguments; // in the handler's order
        HRESULT result;
        std::vector<std::string> log;
        UINT argErr = 99;
        UINT namedArgs = 0;
    };
    const Case cases[] = {
        {"click", kSkin, 20, {Unknown(element)}, S_OK, {"click"}},
        {"click with a dispatch element", kSkin, 20, {Dispatch(element)}, S_OK, {"click"}},
        {"click on nothing falls to the base", kSkin, 20, {Unknown(nullptr)}, S_OK, {"click", "base click"}},
        {"scroll in order", kSkin, 31, {Unknown(element), I4(25)}, S_OK, {"scroll 25"}},
        {"scroll position of a narrower type", kSkin, 31, {Unknown(element), I2(-3)}, S_OK, {"scroll -3"}},
        {"scroll position through a reference", kSkin, 31, {Unknown(element), RefTo(&position)}, S_OK,
         {"scroll 9"}},
        {"scroll position of text", kSkin, 31, {Unknown(element), RefTo(&urlValue)}, DISP_E_TYPEMISMATCH, {}, 0},
        {"scroll position too big", kSkin, 31, {Unknown(element), UI4(0x80000000u)}, DISP_E_TYPEMISMATCH, {}, 0},
        {"scroll element not an object", kSkin, 31, {I4(1), I4(2)}, DISP_E_TYPEMISMATCH, {}, 1},
        {"scroll missing its position", kSkin, 31, {Unknown(element)}, DISP_E_BADPARAMCOUNT, {}},
        {"named arguments", kSkin, 31, {Unknown(element), I4(1)}, DISP_E_NONAMEDARGS, {}, 99, 1},
        {"base class entry", kSkin, 40, {}, S_OK, {"refresh"}},
        {"unknown event", kSkin, 99, {}, DISP_E_MEMBERNOTFOUND, {}},
        {"another control's event", kBrowser, 20, {Unknown(element)}, DISP_E_MEMBERNOTFOUND, {}},
        {"document complete", kBrowser, 259, {Dispatch(element), RefTo(&urlValue)}, S_OK,
         {"complete http://host/page.asp"}},
        {"document complete with the url by value", kBrowser, 259, {Dispatch(element), Text(url)}, S_OK,
         {"complete http://host/page.asp"}},
        {"before navigate", kBrowser, 250,
         {Dispatch(element), RefTo(&urlValue), RefTo(&empty), RefTo(&empty), RefTo(&empty), RefTo(&empty),
          RefBool(&cancel)},
         S_OK, {"before http://host/page.asp"}},
        {"before navigate with cancel by value", kBrowser, 250,
         {Dispatch(element), RefTo(&urlValue), RefTo(&empty), RefTo(&empty), RefTo(&empty), RefTo(&empty),
          Bool(false)},
         DISP_E_TYPEMISMATCH, {}, 0},
    };
    for (const Case& c : cases) {
        Host host;
        UINT argErr = 99;
        EXPECT_EQ(Fire(host, c.ctrlId, c.dispid, c.arguments, &argErr, c.namedArgs), c.result) << c.name;
        EXPECT_EQ(host.log, c.log) << c.name;
        EXPECT_EQ(argErr, c.argErr) << c.name;
        if (c.result == S_OK && c.ctrlId == kBrowser) {
            EXPECT_EQ(host.lastBrowser, static_cast<IDispatch*>(element)) << c.name;
        }
        if (c.result == S_OK && (c.dispid == 20 || c.dispid == 31)) {
            EXPECT_EQ(host.lastElement, c.arguments[0].punkVal) << c.name;
        }
    }
    EXPECT_EQ(cancel, VARIANT_TRUE); // the handler's answer went back through the reference
    EXPECT_EQ(element->RefCount(), 1u); // borrowed for the calls, never kept
    element->Release();
    SysFreeString(url);
}

} // namespace
