// Base types of COM: result codes, GUIDs and the IUnknown interface.
#pragma once

#include "platform/win32/guid.h"
#include "platform/win32/types.h"

#include <cstddef>

using HRESULT = LONG;
using SCODE = LONG;
using SIZE_T = std::size_t;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Failure codes are written as their unsigned hex values, as they are published.
constexpr HRESULT MakeHresultConstant(DWORD value) { return static_cast<HRESULT>(value); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHresultConstant(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeHresultConstant(0x80004002);
constexpr HRESULT E_POINTER = MakeHresultConstant(0x80004003);
constexpr HRESULT E_ABORT = MakeHresultConstant(0x80004004);
constexpr HRESULT E_FAIL = MakeHresultConstant(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeHresultConstant(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = MakeHresultConstant(0x80070005);
constexpr HRESULT E_HANDLE = MakeHresultConstant(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = MakeHresultConstant(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeHresultConstant(0x80070057);
constexpr HRESULT RPC_E_CHANGED_MODE = MakeHresultConstant(0x80010106);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHresultConstant(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHresultConstant(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHresultConstant(0x80040154);
constexpr HRESULT CO_E_NOTINITIALIZED = MakeHresultConstant(0x800401F0);

// A Windows error code as a failure result (facility 7); 0 stays S_OK.
constexpr HRESULT HRESULT_FROM_WIN32(DWORD error)
{
    return error == 0 ? S_OK : static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}


inline constexpr IID IID_NULL{};
inline constexpr IID IID_IUnknown = zv::win32::GuidFromText("{00000000-0000-0000-C000-000000000046}");

// Every COM object's base interface. Objects delete themselves on their last Release, so the
// destructor is not public.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
