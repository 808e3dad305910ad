// The COM runtime: per-thread initialisation, the in-process class table behind CoCreateInstance,
// and the task allocator that hands memory across interfaces.
#pragma once

#include "platform/win32/com_base.h"

#include <functional>
#include <optional>
#include <string_view>

using LPVOID = void*;
using LPUNKNOWN = IUnknown*;

// Thread models of CoInitializeEx.
constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                             CLSCTX_REMOTE_SERVER;

// Each successful call must be matched by one CoUninitialize on the same thread. The first call on
// a thread gives S_OK, later ones S_FALSE; asking for the other thread model gives RPC_E_CHANGED_MODE.
HRESULT CoInitialize(LPVOID pvReserved);
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();

// Creates an object of a class registered with zv::win32::RegisterComClass. All classes are
// in-process, so the context must allow an in-process server.
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);

LPVOID CoTaskMemAlloc(SIZE_T cb);
void CoTaskMemFree(LPVOID pv);

namespace zv::win32 {

// Makes a new object and returns the interface riid of it in *ppv (null on failure). Gets the
// outer unknown of an aggregate; a class that cannot be aggregated answers CLASS_E_NOAGGREGATION.
using ComClassFactory = std::function<HRESULT(IUnknown* outer, REFIID riid, void** ppv)>;

// Enters a class in the process's class table; registering a class again replaces its factory.
void RegisterComClass(REFCLSID clsid, ComClassFactory factory);

// Gives a registered class a program id ("Vendor.Thing") to be created by; ids compare without
// regard to case, and naming a class again replaces what the id named.
void RegisterComProgId(std::string_view progId, REFCLSID clsid);
// The class a program id names, or the class id itself written "{XXXXXXXX-...}".
std::optional<CLSID> FindComClass(std::string_view progIdOrClassId);

} // namespace zv::win32
