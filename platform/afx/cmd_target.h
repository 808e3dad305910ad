// CCmdTarget: the root of every class with a message map.
#pragma once

#include "platform/afx/afx_runtime_class.h"
#include "platform/afx/message_map.h"

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

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    // Calls the handler of this object's map for the message; false when there is none.
    bool DispatchToMap(AfxMessage& message);
};
