// The main dialog's peer link: the listen and connect commands, the sessions' events, the peer
// frames and chat lines shown, and the user's own chat lines sent.
//
// Session events arrive on session threads and on the server's accept thread; whatever touches
// the window goes to it with SendMessage, whose payload lives only during the call. Walks over the
// session list hold its lock (PeerSessionList::ForEach), so no session is deleted under them.
#include "app/DlgZelvante.h"

#include "app/DlgPrompt.h"
#include "app/HtmlText.h"
#include "app/JpegFrameSize.h"
#include "app/PeerSender.h"
#include "app/ProgramMessages.h"
#include "app/preview/DlgCapPreview.h"
#include "imagelib/PixImageType.h"
#include "online/IpAddress.h"
#include "online/PeerServer.h"
#include "online/PeerSession.h"
#include "online/PeerSessionList.h"
#include "platform/user/message_box.h"
#include "platform/user/messages.h"

#include <utility>

void CDlgZelvante::OnPeerListen()
{
    try {
        if (PeerServer* server = std::exchange(m_pPeerServer, nullptr)) {
            server->Close(); // events 3 and 4, then the server is gone
            return;
        }
        auto* server = new PeerServer(m_nPeerPort, m_nPeerListenAddress);
        try {
            server->Start(m_hWnd, &CDlgZelvante::OnPeerEvent);
        } catch (...) {
            // A server that does not listen is not kept: the next command tries again.
            delete server;
            throw;
        }
        m_pPeerServer = server;
    } catch (CException* e) {
        e->ReportError();
        e->Delete();
    }
}

void CDlgZelvante::OnPeerConnect()
{
    if (PeerSession* first = g_peerSessions.PopFront()) {
        delete first; // stops it: the peer gets the stop message first
        return;
    }
    // The address first: a cancelled prompt leaves no idle session behind.
    CDlgPrompt prompt(this);
    if (prompt.DoModal() != IDOK)
        return;
    PeerSession* session = nullptr;
    try {
        session = new PeerSession(&CDlgZelvante::OnPeerSessionEvent, m_hWnd); // event 6 lists it
        session->Connect(CIpAddress(prompt.m_dwAddress), m_nPeerPort);
        session->Start();
        g_peerSessions.Add(session);
    } catch (CException* e) {
        e->ReportError();
        e->Delete();
        if (session) {
            g_peerSessions.Remove(session);
            delete session;
        }
    }
}

BOOL CDlgZelvante::OnPeerEvent(int event, PeerSession* session, LPVOID window)
{
    if (event >= kPeerEventServerStarting && event <= kPeerEventServerStopped)
        return TRUE;
    return OnPeerSessionEvent(event, session, window);
}

BOOL CDlgZelvante::OnPeerSessionEvent(int event, PeerSession* session, LPVOID window)
{
    const HWND hWnd = static_cast<HWND>(window);
    switch (event) {
    case kPeerEventCreated:
        g_peerSessions.Add(session);
        break;
    case kPeerEventStarted:
        if (!IsPeerSenderRunning())
            SendMessageA(hWnd, PeerConnectedMessage, 0, 0);
        break;
    case kPeerEventStopped:
        // Whoever takes a session off the list deletes it; nothing of it is touched afterwards.
        if (g_peerSessions.Remove(session))
            delete session;
        if (IsPeerSenderRunning() && g_peerSessions.Count() == 0)
            SendMessageA(hWnd, PeerGoneMessage, 0, 0);
        break;
    case kPeerEventFrame:
        SendMessageA(hWnd, PeerFrameMessage, static_cast<WPARAM>(session->GetFrameLength()),
                     reinterpret_cast<LPARAM>(session->GetFrameData()));
        break;
    case kPeerEventChat: {
        // The peer's address as it is written, never a name looked up (that could block).
        const std::string sender =
            session->GetPeerName().empty() ? session->GetPeerAddress().GetName() : session->GetPeerName();
        SendMessageA(hWnd, PeerChatMessage, reinterpret_cast<WPARAM>(sender.c_str()),
                     reinterpret_cast<LPARAM>(session->GetChatText().c_str()));
        break;
    }
    default:
        break;
    }
    return TRUE;
}

bool CDlgZelvante::ShowPeerFrame(const BYTE* bytes, std::size_t length)
{
    // The size is read from the header: a picture that claims too much takes no memory at all.
    JpegFrameSize size;
    if (!ReadJpegFrameSize(bytes, length, size) || size.width > kMaxPeerFrameWidth ||
        size.height > kMaxPeerFrameHeight)
        return false;
    if (!m_imgPeerFrame.DecodeFromMemory(bytes, static_cast<LONG>(length), PIXIMAGE_JPG))
        return false;
    CDlgCapPreview::SetImage(&m_imgPeerFrame);
    return true;
}

LRESULT CDlgZelvante::OnPeerFrame(WPARAM wParam, LPARAM lParam)
{
    if (!IsIconic())
        ShowPeerFrame(reinterpret_cast<const BYTE*>(lParam), static_cast<std::size_t>(wParam));
    return 0;
}

std::string CDlgZelvante::PeerChatLineHtml(const char* sender, const char* text)
{
    return "<font color=blue><b>" + EscapeHtml(sender ? sender : "[nobody]") +
           ":</b></font><font color=black size=2>" + EscapeHtml(text ? text : "") + "</font><br>";
}

std::string CDlgZelvante::OwnChatLineHtml(const char* text)
{
    return "<font color=#888888>" + EscapeHtml(text ? text : "") + "</font><br>";
}

LRESULT CDlgZelvante::OnPeerChatLine(WPARAM wParam, LPARAM lParam)
{
    const char* text = reinterpret_cast<const char*>(lParam);
    if (!text)
        return 0;
    m_dlgChatGeneral.AppendHtml(PeerChatLineHtml(reinterpret_cast<const char*>(wParam), text).c_str());
    return 0;
}

LRESULT CDlgZelvante::OnOwnChatLine(WPARAM, LPARAM lParam)
{
    const char* text = reinterpret_cast<const char*>(lParam);
    if (text)
        m_dlgChatGeneral.AppendHtml(OwnChatLineHtml(text).c_str());
    SendChatToPeers(text);
    return 0;
}

void CDlgZelvante::SendChatToPeers(const char* text)
{
    if (!text || !*text)
        return;
    g_peerSessions.ForEach([text](PeerSession* session) {
        if ((session->GetPeerFeatures() & kPeerChatFeature) && session->GetState() == kPeerRunning)
            session->SendText(text);
    });
}

void CDlgZelvante::ClosePeerLink()
{
    if (PeerServer* server = std::exchange(m_pPeerServer, nullptr))
        server->Close();
    while (PeerSession* session = g_peerSessions.PopFront())
        delete session;
    StopPeerSender();
}
