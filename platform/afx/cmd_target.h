// CCmdTarget: the root of every class with a message map.
#pragma once

#include "platform/afx/afx_runtime_class.h"
#include "platform/afx/message_map.h"
#include "platform/win32/dispatch.h"

struct AFX_EVENTSINKMAP;

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)

public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Routes command `id` with notification `code` (WM_COMMAND, or WM_NOTIFY when `notify` is
    // given) to this object's map; TRUE when an entry handled it.
    virtual BOOL OnCmdMsg(UINT id, int code, NMHDR* notify, LRESULT* result);
    // Routes an event of hosted control `ctrlId` to this object's event sink map (event_sink_map.h);
    // DISP_E_MEMBERNOTFOUND when no entry takes it.
    HRESULT OnEvent(UINT ctrlId, DISPID dispid, DISPPARAMS* params, UINT* argErr);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_EVENTSINKMAP* GetThisEventSinkMap();
    virtual const AFX_EVENTSINKMAP* GetEventSinkMap() const;
    // Calls the handler of this object's map for the message; false when there is none.
    bool DispatchToMap(AfxMessage& message);
};
