// The framework's classes of the controls this system draws: CEdit, CButton, CStatic,
// CSpinButtonCtrl (up-down) and CIPAddressCtrl. Each wraps the control's messages; attach one to
// a dialog's control with DDX_Control or SubclassDlgItem, or make a new control with Create
// (WS_CHILD is added to the styles).
#pragma once

#include "platform/afx/afx_wnd.h"
#include "platform/user/button.h"
#include "platform/user/edit_control.h"
#include "platform/user/ip_address.h"
#include "platform/user/static_control.h"
#include "platform/user/up_down.h"

class CEdit : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // Selects from `start` to before `end` (-1: to the end; start -1: no selection) and scrolls
    // the caret into view unless `noScroll`.
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    // The selection packed as EM_GETSEL answers it (start low, end high).
    void SetSel(DWORD selection, BOOL noScroll = FALSE);
    void GetSel(int& start, int& end) const;
    DWORD GetSel() const;
    // The most characters the user can type; 0: the control's own limit.
    void LimitText(int maxChars = 0) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(maxChars)); }
    void SetLimitText(UINT maxChars) { SendMessage(EM_SETLIMITTEXT, maxChars); }
    UINT GetLimitText() const { return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT)); }
    // Replaces the selection (at the caret: inserts) with the text.
    void ReplaceSel(LPCSTR text, BOOL canUndo = FALSE);
    BOOL SetReadOnly(BOOL readOnly = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, readOnly)); }
};

class CButton : public CWnd {
public:
    BOOL Create(LPCSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);

    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
    UINT GetButtonStyle() const;
    // The BS_ kind (BS_DEFPUSHBUTTON and BS_PUSHBUTTON for the default look).
    void SetButtonStyle(UINT style, BOOL redraw = TRUE) { SendMessage(BM_SETSTYLE, style, redraw); }
};

class CStatic : public CWnd {
public:
    BOOL Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
};

class CSpinButtonCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    void SetRange32(int lower, int upper) { SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
    void GetRange32(int& lower, int& upper) const;
    // The previous position.
    int SetPos(int pos) { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, pos)); }
    // The position, taken from a buddy that shows it when the user edited it; *error says
    // whether the buddy's text was no number in the range.
    int GetPos(BOOL* error = nullptr) const;
    // The previous buddy (a temporary object) or null.
    CWnd* SetBuddy(CWnd* buddy);
    CWnd* GetBuddy() const { return FromHandle(reinterpret_cast<HWND>(SendMessage(UDM_GETBUDDY))); }
};

class CIPAddressCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // Host order: 1.2.3.4 is 0x01020304.
    void SetAddress(DWORD address) { SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(address)); }
    void SetAddress(BYTE field0, BYTE field1, BYTE field2, BYTE field3);
    // The number of fields not blank (blank ones read as 0).
    int GetAddress(DWORD& address) const;
    int GetAddress(BYTE& field0, BYTE& field1, BYTE& field2, BYTE& field3) const;
    void ClearAddress() { SendMessage(IPM_CLEARADDRESS); }
    BOOL IsBlank() const { return static_cast<BOOL>(SendMessage(IPM_ISBLANK)); }
};
