#include "platform/afx/cmd_target.h"

namespace {

bool IdentifiedByCommand(UINT message)
{
    return message == WM_COMMAND || message == WM_NOTIFY || message == WM_REFLECT_BASE + WM_COMMAND ||
           message == WM_REFLECT_BASE + WM_NOTIFY;
}

bool Answers(const AFX_MSGMAP_ENTRY& entry, const AfxMessage& message)
{
    if (entry.registered)
        return *entry.registered != 0 && *entry.registered == message.message;
    if (entry.message != message.message)
        return false;
    if (!IdentifiedByCommand(message.message))
        return true;
    return entry.code == message.code && message.id >= entry.firstId && message.id <= entry.lastId;
}

} // namespace

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, const AfxMessage& message)
{
    for (; map; map = map->baseMap ? map->baseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->entries; entry->invoke; ++entry) {
            if (Answers(*entry, message))
                return entry;
        }
    }
    return nullptr;
}

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, entries};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

bool CCmdTarget::DispatchToMap(AfxMessage& message)
{
    const AFX_MSGMAP_ENTRY* entry = AfxFindMessageEntry(GetMessageMap(), message);
    if (!entry)
        return false;
    entry->invoke(this, message);
    return true;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, int code, NMHDR* notify, LRESULT* result)
{
    AfxMessage message{notify ? WM_NOTIFY : WM_COMMAND, 0, reinterpret_cast<LPARAM>(notify)};
    message.id = id;
    message.code = static_cast<UINT>(code);
    if (!DispatchToMap(message))
        return FALSE;
    if (result)
        *result = message.result;
    return TRUE;
}
