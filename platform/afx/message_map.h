// Message maps: static tables that route window messages, commands and notifications to member
// functions of a class, searched from the class down its base classes.
//
//   class CMyWnd : public CWnd { ... DECLARE_MESSAGE_MAP() };
//   BEGIN_MESSAGE_MAP(CMyWnd, CWnd)
//       ON_WM_TIMER()
//       ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
//   END_MESSAGE_MAP()
//
// Every entry calls its handler through a member pointer of the exact signature the entry kind
// requires, so a handler of another signature does not compile.
#pragma once

#include "platform/user/button.h"
#include "platform/user/common_controls.h"
#include "platform/user/edit_control.h"
#include "platform/user/messages.h"

class CCmdTarget;

// A control's own notifications come back to it as these messages first (reflection), so the
// control class can handle them before its parent.
constexpr UINT WM_REFLECT_BASE = 0xBC00;

// Control notification codes the framework's entries name.
// Menus and accelerators send WM_COMMAND with this code.
constexpr UINT CN_COMMAND = 0;

// One message being routed. For commands `id` and `code` come from wParam; for notifications
// from the NMHDR.
struct AfxMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    UINT id = 0;
    UINT code = 0;
    LRESULT result = 0;
};

struct AFX_MSGMAP_ENTRY {
    UINT message;            // what the entry answers (a reflected one: WM_REFLECT_BASE + message)
    UINT code;               // the notification code of WM_COMMAND / WM_NOTIFY entries
    UINT firstId;            // the command or control identifiers of WM_COMMAND / WM_NOTIFY entries
    UINT lastId;
    const UINT* registered;  // ON_REGISTERED_MESSAGE: the variable holding the message value
    // Calls the handler and stores its result; null ends the table.
    void (*invoke)(CCmdTarget* target, AfxMessage& message);
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*baseMap)();  // null for the root
    const AFX_MSGMAP_ENTRY* entries;
};

// The entry of `map` or its bases that answers the message, or null.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, const AfxMessage& message);

#define DECLARE_MESSAGE_MAP()                                   \
protected:                                                      \
    static const AFX_MSGMAP* GetThisMessageMap();               \
    const AFX_MSGMAP* GetMessageMap() const override;           \
                                                                \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }  \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                    \
    {                                                                                  \
        using ThisClass [[maybe_unused]] = theClass;                                   \
        using TheBaseClass = baseClass;                                                \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                      \
            {0, 0, 0, 0, nullptr, nullptr}};                                   \
        static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries}; \
        return &map;                                                           \
    }

// The handler `fn` of ThisClass as a member pointer of exactly the signature `sig`.
#define AFX_HANDLER(sig, fn) (static_cast<ThisClass*>(afxTarget)->*static_cast<sig>(&ThisClass::fn))
#define AFX_ENTRY(msg, code, first, last, registered, ...) \
    {msg, static_cast<UINT>(code), static_cast<UINT>(first), static_cast<UINT>(last), registered, \
     [](CCmdTarget* afxTarget, AfxMessage& m) { (void)m; __VA_ARGS__; }},

// Any message: LRESULT Handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, fn) \
    AFX_ENTRY(message, 0, 0, 0, nullptr, m.result = AFX_HANDLER(LRESULT (ThisClass::*)(WPARAM, LPARAM), fn)(m.wParam, m.lParam))
// A message from RegisterWindowMessageA, held in the UINT variable `var`.
#define ON_REGISTERED_MESSAGE(var, fn) \
    AFX_ENTRY(0, 0, 0, 0, &(var), m.result = AFX_HANDLER(LRESULT (ThisClass::*)(WPARAM, LPARAM), fn)(m.wParam, m.lParam))

// Commands (menus, accelerators, buttons): void Handler(); ranges: void Handler(UINT id).
#define ON_COMMAND(id, fn) AFX_ENTRY(WM_COMMAND, CN_COMMAND, id, id, nullptr, AFX_HANDLER(void (ThisClass::*)(), fn)())
#define ON_COMMAND_RANGE(first, last, fn) \
    AFX_ENTRY(WM_COMMAND, CN_COMMAND, first, last, nullptr, AFX_HANDLER(void (ThisClass::*)(UINT), fn)(m.id))
#define ON_CONTROL(code, id, fn) AFX_ENTRY(WM_COMMAND, code, id, id, nullptr, AFX_HANDLER(void (ThisClass::*)(), fn)())
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_BN_DOUBLECLICKED(id, fn) ON_CONTROL(BN_DOUBLECLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_EN_UPDATE(id, fn) ON_CONTROL(EN_UPDATE, id, fn)
#define ON_EN_SETFOCUS(id, fn) ON_CONTROL(EN_SETFOCUS, id, fn)
#define ON_EN_KILLFOCUS(id, fn) ON_CONTROL(EN_KILLFOCUS, id, fn)
// WM_NOTIFY from control `id`: void Handler(NMHDR*, LRESULT*).
#define ON_NOTIFY(code, id, fn)                          \
    AFX_ENTRY(WM_NOTIFY, code, id, id, nullptr,          \
              AFX_HANDLER(void (ThisClass::*)(NMHDR*, LRESULT*), fn)(reinterpret_cast<NMHDR*>(m.lParam), &m.result))

// In a control's own class: its notifications to the parent, handled before the parent sees them.
#define ON_NOTIFY_REFLECT(code, fn)                                                  \
    AFX_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, code, 0, 0xFFFFFFFF, nullptr,             \
              AFX_HANDLER(void (ThisClass::*)(NMHDR*, LRESULT*), fn)(reinterpret_cast<NMHDR*>(m.lParam), &m.result))
#define ON_CONTROL_REFLECT(code, fn) \
    AFX_ENTRY(WM_REFLECT_BASE + WM_COMMAND, code, 0, 0xFFFFFFFF, nullptr, AFX_HANDLER(void (ThisClass::*)(), fn)())
