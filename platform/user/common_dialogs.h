// The common dialogs: choosing files to open or save, a colour and a font. The display shows them
// (Display().AskCommonDialog); what the user answers is checked here the way the dialogs check
// it before they close, and written back into the caller's structure.
//
// While a dialog is up its owner's top-level window is disabled and the calling thread keeps
// serving the messages other threads send to it. An answer the dialog would not accept (a file
// that must exist and does not, a font that is not installed) is refused with a message box and
// the user is asked again; a display that keeps giving refused answers has the dialog cancelled
// after a few tries, so a script can never hang the program.
#pragma once

#include "platform/gdi/gdi_types.h"
#include "platform/user/user_types.h"

// Flags of OPENFILENAMEA.
constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_ENABLEHOOK = 0x00000020;
constexpr DWORD OFN_NOVALIDATE = 0x00000100;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_EXTENSIONDIFFERENT = 0x00000400;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD OFN_ENABLESIZING = 0x00800000;

// CommDlgExtendedError codes.
constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
constexpr DWORD CDERR_INITIALIZATION = 0x0002;
constexpr DWORD CDERR_DIALOGFAILURE = 0xFFFF;
constexpr DWORD CFERR_MAXLESSTHANMIN = 0x2002;
constexpr DWORD FNERR_INVALIDFILENAME = 0x3002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

using LPOFNHOOKPROC = UINT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;      // "Name\0pattern;pattern\0...\0\0"
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;      // in and out, 1 for the first pair
    LPSTR lpstrFile;         // in: the initial name; out: the result
    DWORD nMaxFile;          // characters
    LPSTR lpstrFileTitle;    // out: the chosen name without its folder
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;        // out: where the (first) name starts in lpstrFile
    WORD nFileExtension;     // out: where its extension starts (after the dot)
    LPCSTR lpstrDefExt;      // without the dot
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};
using LPOPENFILENAMEA = OPENFILENAMEA*;

// The result of a multiple selection: "folder\0name\0name\0\0" (without OFN_EXPLORER the old
// form "folder name name\0"); one file alone is its full path. When lpstrFile is too small the
// call fails with FNERR_BUFFERTOOSMALL and its first two bytes hold the size needed in characters.
BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn);
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn);

// Flags of CHOOSECOLORA.
constexpr DWORD CC_RGBINIT = 0x00000001;
constexpr DWORD CC_FULLOPEN = 0x00000002;
constexpr DWORD CC_PREVENTFULLOPEN = 0x00000004;
constexpr DWORD CC_ENABLEHOOK = 0x00000010;
constexpr DWORD CC_SOLIDCOLOR = 0x00000080;
constexpr DWORD CC_ANYCOLOR = 0x00000100;

using LPCCHOOKPROC = UINT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

struct CHOOSECOLORA {
    DWORD lStructSize;
    HWND hwndOwner;
    HWND hInstance;
    COLORREF rgbResult;      // in with CC_RGBINIT, out
    COLORREF* lpCustColors;  // 16 colours, in and out
    DWORD Flags;
    LPARAM lCustData;
    LPCCHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
};
using LPCHOOSECOLORA = CHOOSECOLORA*;

BOOL ChooseColorA(LPCHOOSECOLORA cc);

// Flags of CHOOSEFONTA.
constexpr DWORD CF_SCREENFONTS = 0x00000001;
constexpr DWORD CF_PRINTERFONTS = 0x00000002;
constexpr DWORD CF_BOTH = CF_SCREENFONTS | CF_PRINTERFONTS;
constexpr DWORD CF_ENABLEHOOK = 0x00000008;
constexpr DWORD CF_INITTOLOGFONTSTRUCT = 0x00000040;
constexpr DWORD CF_USESTYLE = 0x00000080;
constexpr DWORD CF_EFFECTS = 0x00000100;
constexpr DWORD CF_LIMITSIZE = 0x00002000;
constexpr DWORD CF_FIXEDPITCHONLY = 0x00004000;
constexpr DWORD CF_FORCEFONTEXIST = 0x00010000;
constexpr DWORD CF_SCALABLEONLY = 0x00020000;
constexpr DWORD CF_TTONLY = 0x00040000;
constexpr DWORD CF_NOSCRIPTSEL = 0x00800000;

// nFontType.
constexpr WORD BOLD_FONTTYPE = 0x0100;
constexpr WORD ITALIC_FONTTYPE = 0x0200;
constexpr WORD REGULAR_FONTTYPE = 0x0400;
constexpr WORD SCREEN_FONTTYPE = 0x2000;

using LPCFHOOKPROC = UINT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

struct CHOOSEFONTA {
    DWORD lStructSize;
    HWND hwndOwner;
    HDC hDC;
    LOGFONTA* lpLogFont;     // in with CF_INITTOLOGFONTSTRUCT, out
    INT iPointSize;          // out: tenths of a point
    DWORD Flags;
    COLORREF rgbColors;      // in and out with CF_EFFECTS
    LPARAM lCustData;
    LPCFHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    HINSTANCE hInstance;
    LPSTR lpszStyle;
    WORD nFontType;          // out
    WORD ___MISSING_ALIGNMENT__;
    INT nSizeMin;            // points, with CF_LIMITSIZE
    INT nSizeMax;
};
using LPCHOOSEFONTA = CHOOSEFONTA*;

// With CF_EFFECTS the user chooses underline, strike-out and colour too; with CF_NOSCRIPTSEL the
// font comes back with DEFAULT_CHARSET.
BOOL ChooseFontA(LPCHOOSEFONTA cf);

// Why the calling thread's last common dialog failed; 0 when it was cancelled or succeeded.
DWORD CommDlgExtendedError();
