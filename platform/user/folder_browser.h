// The shell's folder browser and the item id lists it hands out.
//
// Our id lists hold one item: the folder's path. The caller frees a list it was given with
// ILFree (or CoTaskMemFree).
#pragma once

#include "platform/user/messages.h"
#include "platform/user/user_types.h"

#include <cstdint>

struct SHITEMID {
    std::uint16_t cb; // bytes of this item, cb included
    BYTE abID[1];
};
struct ITEMIDLIST {
    SHITEMID mkid;
};
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;

// ulFlags.
constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_STATUSTEXT = 0x0004;
constexpr UINT BIF_EDITBOX = 0x0010;
constexpr UINT BIF_VALIDATE = 0x0020;
constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;
constexpr UINT BIF_USENEWUI = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
constexpr UINT BIF_NONEWFOLDERBUTTON = 0x0200;

// What the browser tells the callback.
constexpr UINT BFFM_INITIALIZED = 1;
constexpr UINT BFFM_SELCHANGED = 2;       // lParam: the new selection's id list
constexpr UINT BFFM_VALIDATEFAILEDA = 3;  // lParam: the text typed; return 0 to close, else stay
// What the callback sends to the browser.
constexpr UINT BFFM_SETSTATUSTEXTA = WM_USER + 100;
constexpr UINT BFFM_ENABLEOK = WM_USER + 101;
constexpr UINT BFFM_SETSELECTIONA = WM_USER + 102; // wParam TRUE: lParam is a path, else an id list
constexpr UINT BFFM_SETOKTEXT = WM_USER + 105;
constexpr UINT BFFM_SETEXPANDED = WM_USER + 106;

using BFFCALLBACK = int(CALLBACK*)(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

struct BROWSEINFOA {
    HWND hwndOwner;
    PCIDLIST_ABSOLUTE pidlRoot;
    LPSTR pszDisplayName; // out: the chosen folder's name, MAX_PATH characters
    LPCSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;        // given to the callback
    int iImage;
};
using LPBROWSEINFOA = BROWSEINFOA*;

// Modal like the common dialogs. The callback runs on the calling thread: BFFM_INITIALIZED
// first (the callback may then select a folder), BFFM_SELCHANGED for each new selection, and
// with BIF_VALIDATE BFFM_VALIDATEFAILEDA when the name typed is not a folder (the callback
// decides whether the browser stays up; without BIF_VALIDATE it stays up). Null for Cancel.
PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA lpbi);

// The path of one of our id lists into a MAX_PATH buffer; FALSE (and an empty string) for
// anything else and for paths that do not fit.
BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE pidl, LPSTR pszPath);
// A new id list for a path (ILFree frees it); null for an empty path.
PIDLIST_ABSOLUTE ILCreateFromPathA(LPCSTR pszPath);
void ILFree(PIDLIST_ABSOLUTE pidl);
