// Event sink maps: static tables that route the events of hosted controls (control_hosting.h) to
// member functions of the window that contains them, by control id and dispatch id, searched from
// the class down its base classes.
//
//   class CMyDlg : public CWnd { ... DECLARE_EVENTSINK_MAP() };
//   BEGIN_EVENTSINK_MAP(CMyDlg, CWnd)
//       ON_EVENT(CMyDlg, 1002, 20, OnElementClick, VTS_UNKNOWN)
//       ON_EVENT(CMyDlg, 1002, 31, OnScroll, VTS_UNKNOWN VTS_I4)
//   END_EVENTSINK_MAP()
//
// The parameter list (VTS_ codes, written one after another) is checked against the handler's
// parameters when the map is compiled. The event's arguments are read from DISPPARAMS (last
// argument first there) into the handler's parameters in their written order:
//   VTS_UNKNOWN  IUnknown*   (a VT_UNKNOWN or VT_DISPATCH value; borrowed for the call)
//   VTS_DISPATCH IDispatch*  (a VT_DISPATCH value; borrowed)
//   VTS_I2, VTS_I4, VTS_BOOL an integer type of at least that width (any integer value that fits;
//                VARIANT_BOOL or BOOL for VTS_BOOL)
//   VTS_PVARIANT VARIANT*    (a VT_BYREF | VT_VARIANT value, or the argument itself)
//   VTS_PBOOL    VARIANT_BOOL* (VT_BYREF | VT_BOOL)
// A value given VT_BYREF | VT_VARIANT is read through the reference. An argument that does not
// fit fails the event with DISP_E_TYPEMISMATCH and its rgvarg index in *argErr; a wrong count with
// DISP_E_BADPARAMCOUNT; named arguments with DISP_E_NONAMEDARGS; the handler is not called.
//
// Handlers return void, or bool / BOOL: false lets the entries of the base classes' maps for the
// same event run as well.
#pragma once

#include "platform/afx/cmd_target.h"
#include "platform/win32/dispatch.h"

#include <concepts>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

struct AFX_EVENTSINKMAP_ENTRY {
    UINT ctrlId;   // 0 with a null invoke ends the table
    DISPID dispid;
    // Calls the handler with the event's arguments; *passOn set when it answered false.
    HRESULT (*invoke)(CCmdTarget* target, DISPPARAMS* params, UINT* argErr, bool* passOn);
};

struct AFX_EVENTSINKMAP {
    const AFX_EVENTSINKMAP* (*baseMap)(); // null for the root
    const AFX_EVENTSINKMAP_ENTRY* entries;
};

// Parameter codes: the VARIANT type, 0x40 marking a by-reference parameter.
#define VTS_NONE ""
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_DISPATCH "\x09"
#define VTS_BOOL "\x0B"
#define VTS_UNKNOWN "\x0D"
#define VTS_PBOOL "\x4B"
#define VTS_PVARIANT "\x4C"

namespace zv::afx {

constexpr char kByReference = 0x40;

constexpr char Code(VARTYPE vt, bool byReference = false)
{
    return static_cast<char>(vt | (byReference ? kByReference : 0));
}

// The value an argument stands for: a VT_BYREF | VT_VARIANT argument's referenced VARIANT.
inline const VARIANT* Referenced(const VARIANT& argument)
{
    if (argument.vt == (VT_BYREF | VT_VARIANT))
        return argument.pvarVal;
    return &argument;
}

// How one handler parameter of type T is read from its VARIANT: Accepts(code) says which
// parameter codes it stands for, Read() takes the value, Get() hands it to the handler.
template <class T>
struct EventArgument; // a handler parameter of any other type does not compile

template <>
struct EventArgument<IUnknown*> {
    static constexpr bool Accepts(char code) { return code == Code(VT_UNKNOWN); }
    bool Read(VARIANT& argument)
    {
        const VARIANT* v = Referenced(argument);
        if (!v || (v->vt != VT_UNKNOWN && v->vt != VT_DISPATCH))
            return false;
        value = v->punkVal;
        return true;
    }
    IUnknown* Get() const { return value; }
    IUnknown* value = nullptr;
};

template <>
struct EventArgument<IDispatch*> {
    static constexpr bool Accepts(char code) { return code == Code(VT_DISPATCH); }
    bool Read(VARIANT& argument)
    {
        const VARIANT* v = Referenced(argument);
        if (!v || v->vt != VT_DISPATCH)
            return false;
        value = v->pdispVal;
        return true;
    }
    IDispatch* Get() const { return value; }
    IDispatch* value = nullptr;
};

// Reads any integer value of the VARIANT; false for other types.
bool ReadInteger(const VARIANT& argument, long long& value);

template <std::integral T>
struct EventArgument<T> {
    static constexpr bool Accepts(char code)
    {
        return (code == Code(VT_I2) && sizeof(T) >= 2) || (code == Code(VT_I4) && sizeof(T) >= 4) ||
               (code == Code(VT_BOOL) && sizeof(T) >= 2 && std::is_signed_v<T>);
    }
    bool Read(VARIANT& argument)
    {
        long long read = 0;
        if (!ReadInteger(argument, read) || !std::in_range<T>(read))
            return false;
        value = static_cast<T>(read);
        return true;
    }
    T Get() const { return value; }
    T value{};
};

template <>
struct EventArgument<VARIANT*> {
    static constexpr bool Accepts(char code) { return code == Code(VT_VARIANT, true); }
    bool Read(VARIANT& argument)
    {
        value = argument.vt == (VT_BYREF | VT_VARIANT) ? argument.pvarVal : &argument;
        return value != nullptr;
    }
    VARIANT* Get() const { return value; }
    VARIANT* value = nullptr;
};

// VARIANT_BOOL* (SHORT* is the same type).
template <>
struct EventArgument<SHORT*> {
    static constexpr bool Accepts(char code) { return code == Code(VT_BOOL, true); }
    bool Read(VARIANT& argument)
    {
        if (argument.vt != (VT_BYREF | VT_BOOL) || !argument.pboolVal)
            return false;
        value = argument.pboolVal;
        return true;
    }
    SHORT* Get() const { return value; }
    SHORT* value = nullptr;
};

template <class Handler>
struct EventHandlerTraits;
template <class Result, class Owner, class... Args>
struct EventHandlerTraits<Result (Owner::*)(Args...)> {
    using Arguments = std::tuple<EventArgument<std::remove_cv_t<Args>>...>;
    static constexpr std::size_t count = sizeof...(Args);
    static_assert(std::is_void_v<Result> || std::is_same_v<Result, bool> || std::is_same_v<Result, BOOL>,
                  "an event handler returns void, bool or BOOL");
};

// Whether the parameter codes of an ON_EVENT entry describe the handler's parameters.
template <class Handler>
consteval bool EventParametersMatch(std::string_view codes)
{
    using Traits = EventHandlerTraits<Handler>;
    if (codes.size() != Traits::count)
        return false;
    return [codes]<std::size_t... I>(std::index_sequence<I...>) {
        return (std::tuple_element_t<I, typename Traits::Arguments>::Accepts(codes[I]) && ...);
    }(std::make_index_sequence<Traits::count>{});
}

// Reads the event's arguments and calls the handler on the target.
template <class Target, class Result, class Owner, class... Args>
HRESULT CallEventHandler(Target* target, Result (Owner::*handler)(Args...), DISPPARAMS* params, UINT* argErr,
                         bool* passOn)
{
    constexpr UINT count = sizeof...(Args);
    if (params && params->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if ((params ? params->cArgs : 0) != count || (count != 0 && !params->rgvarg))
        return DISP_E_BADPARAMCOUNT;
    typename EventHandlerTraits<Result (Owner::*)(Args...)>::Arguments arguments;
    HRESULT read = S_OK;
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        // Argument I of the handler is the I-th from the end of rgvarg.
        (void)((std::get<I>(arguments).Read(params->rgvarg[count - 1 - I]) ||
                (read = DISP_E_TYPEMISMATCH, *argErr = count - 1 - I, false)) &&
               ...);
    }(std::index_sequence_for<Args...>{});
    if (FAILED(read))
        return read;
    auto call = [&]<std::size_t... I>(std::index_sequence<I...>) {
        return (target->*handler)(std::get<I>(arguments).Get()...);
    };
    if constexpr (std::is_void_v<Result>) {
        call(std::index_sequence_for<Args...>{});
    } else {
        *passOn = !call(std::index_sequence_for<Args...>{});
    }
    return S_OK;
}

} // namespace zv::afx

#define DECLARE_EVENTSINK_MAP()                                     \
protected:                                                          \
    static const AFX_EVENTSINKMAP* GetThisEventSinkMap();           \
    const AFX_EVENTSINKMAP* GetEventSinkMap() const override;       \
                                                                    \
private:

#define BEGIN_EVENTSINK_MAP(theClass, baseClass)                                                \
    const AFX_EVENTSINKMAP* theClass::GetEventSinkMap() const { return GetThisEventSinkMap(); } \
    const AFX_EVENTSINKMAP* theClass::GetThisEventSinkMap()                                     \
    {                                                                                           \
        using TheBaseClass = baseClass;                                                         \
        static const AFX_EVENTSINKMAP_ENTRY entries[] = {

// Event `dispid` of the control with id `id` to theClass::fn, whose parameters `params` lists.
#define ON_EVENT(theClass, id, dispid, fn, params)                                                       \
    {static_cast<UINT>(id), static_cast<DISPID>(dispid),                                                 \
     [](CCmdTarget* afxTarget, DISPPARAMS* afxParams, UINT* afxArgErr, bool* afxPassOn) -> HRESULT {     \
         static_assert(::zv::afx::EventParametersMatch<decltype(&theClass::fn)>(params),                 \
                       "ON_EVENT: the parameter list does not describe the handler's parameters");       \
         return ::zv::afx::CallEventHandler(static_cast<theClass*>(afxTarget), &theClass::fn, afxParams, \
                                            afxArgErr, afxPassOn);                                       \
     }},

#define END_EVENTSINK_MAP()                                                          \
            {0, 0, nullptr}};                                                        \
        static const AFX_EVENTSINKMAP map = {&TheBaseClass::GetThisEventSinkMap, entries}; \
        return &map;                                                                 \
    }
