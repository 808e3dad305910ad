// The messages the window peer's windows answer (window_peer_main.cpp), shared with its tests.
#pragma once

#include "platform/user/messages.h"

namespace zv::user::test::peer {

// Returns wParam + lParam.
constexpr UINT kEcho = WM_APP + 1;
// Sends kEcho (lParam, 1) to the window in wParam and returns its answer plus kSendBackAdds.
constexpr UINT kSendBack = WM_APP + 2;
constexpr LRESULT kSendBackAdds = 100;
// Never returns: the window's thread hangs.
constexpr UINT kHang = WM_APP + 3;
// Returns how many nested message loops the window's thread runs.
constexpr UINT kModalDepth = WM_APP + 4;
// Posted: recorded, reported by the "posted" command.
constexpr UINT kRecord = WM_APP + 5;

} // namespace zv::user::test::peer
