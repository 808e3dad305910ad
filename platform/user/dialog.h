// The dialog manager: dialogs made from templates (modeless and modal), their default window
// procedure, keyboard navigation (IsDialogMessageA) and the calls that address their controls.
//
// A dialog is a window of the dialog class ("#32770") whose procedure, DefDlgProcA, hands every
// message to the caller's dialog procedure first. The template's rectangle is the client area in
// dialog units of its font ("MS Shell Dlg" 8 pt unless DS_SETFONT names another); every control
// gets that font with WM_SETFONT. Items whose class is an ActiveX class id are made by the
// hosted-control maker the framework installs (hosted_control.h).
#pragma once

#include "platform/user/common_controls.h"
#include "platform/user/dialog_codes.h"
#include "platform/user/edit_control.h" // EM_SETSEL, which Tab sends to controls answering DLGC_HASSETSEL
#include "platform/user/message_box.h" // IDOK, IDCANCEL
#include "platform/user/messages.h"
#include "platform/user/window.h"

// Dialog styles (published values).
constexpr DWORD DS_ABSALIGN = 0x0001;
constexpr DWORD DS_SYSMODAL = 0x0002;
constexpr DWORD DS_LOCALEDIT = 0x0020;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_NOIDLEMSG = 0x0100;
constexpr DWORD DS_SETFOREGROUND = 0x0200;
constexpr DWORD DS_3DLOOK = 0x0004;
constexpr DWORD DS_FIXEDSYS = 0x0008;
constexpr DWORD DS_NOFAILCREATE = 0x0010;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;
constexpr DWORD DS_CENTERMOUSE = 0x1000;
constexpr DWORD DS_CONTEXTHELP = 0x2000;
constexpr DWORD DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;


// Dialog messages.
constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr WORD DC_HASDEFID = 0x534B;

// Control colour messages a control sends its parent before painting; a brush in the answer
// paints its background.
constexpr UINT WM_CTLCOLORMSGBOX = 0x0132;
constexpr UINT WM_CTLCOLOREDIT = 0x0133;
constexpr UINT WM_CTLCOLORLISTBOX = 0x0134;
constexpr UINT WM_CTLCOLORBTN = 0x0135;
constexpr UINT WM_CTLCOLORDLG = 0x0136;
constexpr UINT WM_CTLCOLORSCROLLBAR = 0x0137;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
constexpr UINT WM_NEXTDLGCTL = 0x0028;


// The dialog class's extra window data: the answer of the last message, the dialog procedure and
// one value for the program.
constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = DWLP_MSGRESULT + static_cast<int>(sizeof(LRESULT));
constexpr int DWLP_USER = DWLP_DLGPROC + static_cast<int>(sizeof(void*));
constexpr int DLGWINDOWEXTRA = 30;
static_assert(DWLP_USER + static_cast<int>(sizeof(LONG_PTR)) <= DLGWINDOWEXTRA);

// The common notification codes controls send (WM_NOTIFY's header is in common_controls.h).
constexpr UINT NM_FIRST = 0;
constexpr UINT NM_CLICK = NM_FIRST - 2;
constexpr UINT NM_DBLCLK = NM_FIRST - 3;
constexpr UINT NM_RETURN = NM_FIRST - 4;
constexpr UINT NM_RCLICK = NM_FIRST - 5;
constexpr UINT NM_SETFOCUS = NM_FIRST - 7;
constexpr UINT NM_KILLFOCUS = NM_FIRST - 8;

// A dialog procedure answers TRUE for a message it handled (its result then in DWLP_MSGRESULT,
// except for WM_INITDIALOG and the WM_CTLCOLOR* messages, which answer with the value itself).
using DLGPROC = INT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

// The fixed head of a plain dialog template in memory (the layout of a dialog resource).
#pragma pack(push, 2)
struct DLGTEMPLATE {
    DWORD style;
    DWORD dwExtendedStyle;
    WORD cdit;
    short x;
    short y;
    short cx;
    short cy;
};
#pragma pack(pop)
using LPCDLGTEMPLATEA = const DLGTEMPLATE*;

constexpr DWORD ERROR_CANCELLED = 1223;

// A modeless dialog: created, sent WM_INITDIALOG (lParam: dwInitParam; focus to the first
// WS_TABSTOP control unless the dialog procedure answers FALSE) and shown when the template is
// WS_VISIBLE. A dialog that ends itself during WM_INITDIALOG (EndDialog) is destroyed and the
// call fails with ERROR_CANCELLED, so no hidden dialog lingers that nothing can close. The
// template in memory is read only up to its own end; it must be whole and well formed.
HWND CreateDialogIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA lpTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam);
// The same from a dialog resource of the module (null: the program).
HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam);
// A modal dialog: its owner (the top-level window of hWndParent, which may belong to another
// thread) is disabled while the dialog's loop runs on the calling thread, messages sent to this
// thread are served meanwhile, and the owner is enabled and activated again when it ends. Returns
// what EndDialog was given; -1 when the dialog cannot be made, 0 when it was destroyed without
// EndDialog. WM_QUIT ends the loop and is posted again for the caller's own loop.
INT_PTR DialogBoxIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA hDialogTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam);
INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam);
// Ends a dialog: a modal one's loop returns nResult; a modeless one is hidden (the caller
// destroys it). FALSE for a window that is not a dialog.
BOOL EndDialog(HWND hDlg, INT_PTR nResult);

// The dialog class's procedure: the dialog procedure first, then the defaults (WM_CLOSE as
// IDCANCEL, DM_GETDEFID / DM_SETDEFID, focus kept across activation, the face colour behind).
LRESULT DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);

// Handles the message if it is for the dialog or one of its controls: Tab and Shift+Tab move
// through WS_TABSTOP controls, arrows through the WS_GROUP group of the focus, Enter clicks the
// focused push button or else the default one (IDOK when none), Escape IDCANCEL. A control keeps
// the keys its WM_GETDLGCODE asks for. Everything else is translated and dispatched. FALSE when
// the message is not the dialog's.
BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg);

// Controls by identifier.
UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax);
BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString);
// The text as a decimal number; *lpTranslated says whether it was one (within range).
UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned);
BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned);
BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck);
UINT IsDlgButtonChecked(HWND hDlg, int nIDButton);
// Checks nIDCheckButton and clears the other buttons from nIDFirstButton to nIDLastButton.
BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam);
// The next (or previous) visible, enabled WS_TABSTOP control after hCtl (null: from the start),
// wrapping around; null when there is none.
HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious);
// The same within hCtl's group (from a WS_GROUP control to before the next), passing over
// statics and group boxes (WM_GETDLGCODE answers DLGC_STATIC); hCtl itself when alone.
HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious);
// The rectangle from dialog units to the dialog's pixels.
BOOL MapDialogRect(HWND hDlg, RECT* lpRect);

namespace zv::user {

// The dialog class; system_classes.cpp registers it.
bool RegisterDialogClass();

} // namespace zv::user
