#include "platform/afx/event_sink_map.h"

namespace zv::afx {

bool ReadInteger(const VARIANT& argument, long long& value)
{
    const VARIANT* v = Referenced(argument);
    if (!v)
        return false;
    switch (v->vt) {
    case VT_I1: value = v->cVal; return true;
    case VT_UI1: value = v->bVal; return true;
    case VT_I2: value = v->iVal; return true;
    case VT_BOOL: value = v->boolVal; return true;
    case VT_UI2: value = v->uiVal; return true;
    case VT_I4: value = v->lVal; return true;
    case VT_INT: value = v->intVal; return true;
    case VT_UI4: value = v->ulVal; return true;
    case VT_UINT: value = v->uintVal; return true;
    case VT_I8: value = v->llVal; return true;
    case VT_UI8:
        if (!std::in_range<long long>(v->ullVal))
            return false;
        value = static_cast<long long>(v->ullVal);
        return true;
    default: return false;
    }
}

} // namespace zv::afx

const AFX_EVENTSINKMAP* CCmdTarget::GetThisEventSinkMap()
{
    static const AFX_EVENTSINKMAP_ENTRY entries[] = {{0, 0, nullptr}};
    static const AFX_EVENTSINKMAP map = {nullptr, entries};
    return &map;
}

const AFX_EVENTSINKMAP* CCmdTarget::GetEventSinkMap() const
{
    return GetThisEventSinkMap();
}

HRESULT CCmdTarget::OnEvent(UINT ctrlId, DISPID dispid, DISPPARAMS* params, UINT* argErr)
{
    UINT ignoredArgErr = 0;
    bool ran = false;
    for (const AFX_EVENTSINKMAP* map = GetEventSinkMap(); map; map = map->baseMap ? map->baseMap() : nullptr) {
        for (const AFX_EVENTSINKMAP_ENTRY* entry = map->entries; entry->invoke; ++entry) {
            if (entry->ctrlId != ctrlId || entry->dispid != dispid)
                continue;
            bool passOn = false;
            const HRESULT hr = entry->invoke(this, params, argErr ? argErr : &ignoredArgErr, &passOn);
            if (FAILED(hr) || !passOn)
                return hr;
            ran = true;
            break; // declined: the base classes' entries may take it
        }
    }
    return ran ? S_OK : DISP_E_MEMBERNOTFOUND;
}
