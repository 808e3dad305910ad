#include "platform/dshow/enumerators.h"

#include "platform/dshow/media_types.h"
#include "platform/win32/com.h"

#include <cstring>

namespace zv::dshow {

namespace {

// Common stepping of both enumerators: S_FALSE when fewer than asked were left.
template <class Item, class Copy>
HRESULT TakeNext(const std::vector<Item>& items, std::size_t& next, ULONG count, Item* out, ULONG* fetched, Copy copy)
{
    if (out == nullptr) return E_POINTER;
    if (fetched == nullptr && count != 1) return E_POINTER;
    ULONG taken = 0;
    for (; taken < count && next < items.size(); ++taken, ++next) {
        out[taken] = copy(items[next]);
        if (out[taken] == nullptr) break;
    }
    if (fetched) *fetched = taken;
    return taken == count ? S_OK : S_FALSE;
}

HRESULT SkipItems(std::size_t size, std::size_t& next, ULONG count)
{
    const std::size_t left = size - next;
    next += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
}

} // namespace

PinEnumerator::PinEnumerator(IBaseFilter* owner, std::vector<IPin*> pins) : m_owner(owner), m_pins(std::move(pins))
{
    m_owner->AddRef();
}

PinEnumerator::~PinEnumerator()
{
    m_owner->Release();
}

HRESULT PinEnumerator::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaceFrom({{IID_IUnknown, this}, {IID_IEnumPins, this}}, riid, ppv);
}

HRESULT PinEnumerator::Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched)
{
    return TakeNext(m_pins, m_next, cPins, ppPins, pcFetched, [](IPin* pin) {
        pin->AddRef();
        return pin;
    });
}

HRESULT PinEnumerator::Skip(ULONG cPins)
{
    return SkipItems(m_pins.size(), m_next, cPins);
}

HRESULT PinEnumerator::Reset()
{
    m_next = 0;
    return S_OK;
}

MediaTypeEnumerator::MediaTypeEnumerator(std::vector<AM_MEDIA_TYPE*> types) : m_types(std::move(types))
{
}

MediaTypeEnumerator::~MediaTypeEnumerator()
{
    for (AM_MEDIA_TYPE* type : m_types) DeleteMediaType(type);
}

HRESULT MediaTypeEnumerator::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaceFrom({{IID_IUnknown, this}, {IID_IEnumMediaTypes, this}}, riid, ppv);
}

HRESULT MediaTypeEnumerator::Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched)
{
    // Each caller gets a copy of its own, format block included.
    return TakeNext(m_types, m_next, cMediaTypes, ppMediaTypes, pcFetched, [](AM_MEDIA_TYPE* type) {
        auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (copy == nullptr) return copy;
        *copy = *type;
        copy->pUnk = nullptr;
        if (type->cbFormat != 0) {
            copy->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type->cbFormat));
            if (copy->pbFormat == nullptr) {
                CoTaskMemFree(copy);
                return static_cast<AM_MEDIA_TYPE*>(nullptr);
            }
            std::memcpy(copy->pbFormat, type->pbFormat, type->cbFormat);
        }
        return copy;
    });
}

HRESULT MediaTypeEnumerator::Skip(ULONG cMediaTypes)
{
    return SkipItems(m_types.size(), m_next, cMediaTypes);
}

HRESULT MediaTypeEnumerator::Reset()
{
    m_next = 0;
    return S_OK;
}

} // namespace zv::dshow
