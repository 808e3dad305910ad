#include "online/IpAddress.h"
#include "online/KvrtcException.h"
#include "online/SocketException.h"
#include "platform/winsock/winsock.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(PeerErrors, MessagesFitTheCallersBuffer)
{
    CKVRTCException kvrtc(9);
    CSocketException socketError(WSAECONNREFUSED);
    CSocketException unknown(12345);
    const char* refused = "The connection was refused: nothing listens at that address and port.";
    const struct {
        const CException* e;
        UINT size;
        BOOL result;
        std::string text; // what the buffer holds afterwards
    } cases[] = {
        {&kvrtc, 64, TRUE, "Error starting session"},
        {&kvrtc, 6, TRUE, "Error"},
        {&kvrtc, 0, TRUE, "untouched"},
        {&kvrtc, static_cast<UINT>(-1), FALSE, "untouched"},
        {&socketError, 256, TRUE, refused},
        {&socketError, 4, TRUE, "The"},
        {&socketError, 0, TRUE, "untouched"},
        {&unknown, 256, FALSE, "untouched"},
    };
    for (const auto& c : cases) {
        char buffer[256];
        std::strcpy(buffer, "untouched");
        EXPECT_EQ(c.e->GetErrorMessage(buffer, c.size), c.result) << c.text;
        EXPECT_EQ(std::string(buffer), c.text);
    }
    EXPECT_FALSE(kvrtc.GetErrorMessage(nullptr, 10));
}

TEST(PeerErrors, ReportsShowTheirTexts)
{
    zv::user::MessageBoxResponder::Reset();
    CKVRTCException(3).ReportError();
    CSocketException(12345).ReportError();
    CSocketException(WSAETIMEDOUT, "ServerThread: ").ReportError(MB_OK);
    auto history = zv::user::MessageBoxResponder::History();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].text, "Error starting session");
    EXPECT_EQ(history[0].caption, "KVRTC Error");
    EXPECT_EQ(history[0].type & MB_ICONMASK, MB_ICONERROR);
    EXPECT_EQ(history[1].text, "No error message is available");
    EXPECT_EQ(history[2].text.rfind("ServerThread: \r\nThe operation timed out", 0), 0u);
    zv::user::MessageBoxResponder::Reset();
}

TEST(PeerErrors, AddressesShowTheirNumbers)
{
    const struct {
        std::uint32_t hostOrder;
        const char* name;
    } cases[] = {{0x7F000001, "127.0.0.1"}, {0xC0A80105, "192.168.1.5"}, {0, ""}, {0xFFFFFFFF, "255.255.255.255"}};
    for (const auto& c : cases) {
        CIpAddress address(c.hostOrder);
        EXPECT_EQ(address.GetName(), c.name);
        EXPECT_EQ(address.Bytes()[0], c.hostOrder >> 24);
    }
    EXPECT_EQ(CIpAddress().HostOrder(), INADDR_NONE);
}

} // namespace
