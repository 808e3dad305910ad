// The main program's own window messages. Worker threads, child windows and other processes reach the
// main dialog only through these. A payload passed by pointer with a sent message belongs to the
// sender and lives only until the handler returns; posted messages carry values or pointers to
// process-wide buffers. The frame road's three messages (video position 0x806D, snapshot 0x8074,
// frame ready 0x8079) are declared with the frame callback in capture/FrameCallback.h.
#pragma once

#include "platform/user/user_types.h"

constexpr UINT TrayNotifyMessage = 0x8064;       // wParam icon id, lParam mouse message
constexpr UINT UpdateProgressMessage = 0x8065;   // wParam step code, lParam text or path
constexpr UINT CloseRequestMessage = 0x8066;     // lParam close kind: 0, or 2/4 at raised priority
constexpr UINT SupportLinkMessage = 0x806B;      // wParam 1 opens the support mail link
constexpr UINT StillImageMessage = 0x806C;       // push the preview's picture to the virtual camera
constexpr UINT GraphEventMessage = 0x806E;       // drain the capture graph's events
constexpr UINT PeerConnectedMessage = 0x806F;
constexpr UINT PeerGoneMessage = 0x8070;
constexpr UINT PeerFrameMessage = 0x8071;        // wParam byte count, lParam JPEG bytes (sent)
constexpr UINT PeerChatMessage = 0x8072;         // wParam sender text, lParam text (sent)
constexpr UINT OwnChatMessage = 0x8073;          // wParam length, lParam text (sent)
constexpr UINT BrowserClosedMessage = 0x8075;
constexpr UINT HostStatusMessage = 0x8076;
constexpr UINT PlayMessage = 0x8078;
constexpr UINT ExternalControlMessage = 0x807C;  // to the external control window: wParam command 0..6
constexpr UINT UnusedProgramMessage = 0x807D;    // answered with 0
constexpr UINT PlayFileMessage = 0x807F;         // lParam file path
constexpr UINT LabelEditedMessage = 0x8080;      // wParam item id, lParam text or null
constexpr UINT ScreenFrameMessage = 0x8081;      // desktop source: wParam 0 start, 2 frame, 1 end
constexpr UINT PreviewKeyMessage = 0x8082;       // wParam 0 pause, 1 relayout

// Registered by name: the message box's skin buttons (wParam 0 front, 1 OK, 2 Cancel).
inline constexpr const char* MsgButtonClickMessageName = "Zelvante Msg Button Click";
