// The IP address control ("SysIPAddress32"): four number fields of 0-255 separated by dots. The
// fields are edit controls; '.', a third digit, and the arrow keys at a field's ends move between
// them, and leaving a changed field tells the parent with IPN_FIELDCHANGED (which may change the
// value). EN_CHANGE of any field reaches the parent as the control's own.
#pragma once

#include "platform/user/common_controls.h"

inline constexpr char kIpAddressClassName[] = "SysIPAddress32";

constexpr UINT IPM_CLEARADDRESS = WM_USER + 100;
constexpr UINT IPM_SETADDRESS = WM_USER + 101;
constexpr UINT IPM_GETADDRESS = WM_USER + 102; // lParam: DWORD*; returns the fields not blank
constexpr UINT IPM_SETRANGE = WM_USER + 103;   // wParam: field, lParam: MAKEIPRANGE
constexpr UINT IPM_SETFOCUS = WM_USER + 104;   // wParam: field
constexpr UINT IPM_ISBLANK = WM_USER + 105;

constexpr UINT IPN_FIRST = 0U - 860U;
constexpr UINT IPN_FIELDCHANGED = IPN_FIRST - 0;

struct NMIPADDRESS {
    NMHDR hdr;
    int iField;
    int iValue; // -1: the field is blank
};
using LPNMIPADDRESS = NMIPADDRESS*;

constexpr DWORD MAKEIPADDRESS(unsigned b1, unsigned b2, unsigned b3, unsigned b4)
{
    return ((b1 & 0xFF) << 24) | ((b2 & 0xFF) << 16) | ((b3 & 0xFF) << 8) | (b4 & 0xFF);
}
constexpr LPARAM MAKEIPRANGE(unsigned low, unsigned high) { return static_cast<LPARAM>(((high & 0xFF) << 8) | (low & 0xFF)); }
constexpr unsigned FIRST_IPADDRESS(DWORD x) { return (x >> 24) & 0xFF; }
constexpr unsigned SECOND_IPADDRESS(DWORD x) { return (x >> 16) & 0xFF; }
constexpr unsigned THIRD_IPADDRESS(DWORD x) { return (x >> 8) & 0xFF; }
constexpr unsigned FOURTH_IPADDRESS(DWORD x) { return x & 0xFF; }

namespace zv::user {

bool RegisterIpAddressClass();

} // namespace zv::user
