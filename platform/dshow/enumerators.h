// The enumerators handed out by filters and pins: a snapshot taken when the enumerator is made.
#pragma once

#include "platform/dshow/com_object.h"
#include "platform/dshow/filter_graph.h"

#include <vector>

namespace zv::dshow {

class PinEnumerator final : public ComObject<IEnumPins> {
public:
    // Holds a reference on the filter, which keeps the pins alive.
    PinEnumerator(IBaseFilter* owner, std::vector<IPin*> pins);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    HRESULT Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
    HRESULT Skip(ULONG cPins) override;
    HRESULT Reset() override;

private:
    ~PinEnumerator();

    IBaseFilter* m_owner;
    std::vector<IPin*> m_pins;
    std::size_t m_next = 0;
};

class MediaTypeEnumerator final : public ComObject<IEnumMediaTypes> {
public:
    // Takes over the types (each a CoTaskMemAlloc block with its format).
    explicit MediaTypeEnumerator(std::vector<AM_MEDIA_TYPE*> types);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    HRESULT Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) override;
    HRESULT Skip(ULONG cMediaTypes) override;
    HRESULT Reset() override;

private:
    ~MediaTypeEnumerator();

    std::vector<AM_MEDIA_TYPE*> m_types;
    std::size_t m_next = 0;
};

} // namespace zv::dshow
