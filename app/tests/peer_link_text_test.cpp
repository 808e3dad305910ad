// What the peer link makes of what peers send before it is shown: chat texts escaped for the chat
// view's HTML, and a picture's size read from its JPEG header.
#include "app/DlgZelvante.h"
#include "app/JpegFrameSize.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ChatLineCase {
    const char* name;
    const char* sender;
    const char* text;
    const char* peerLine;
    const char* ownLine;
};

class ChatLineTest : public ::testing::TestWithParam<ChatLineCase> {};

TEST_P(ChatLineTest, OutsideTextsCannotAddMarkup)
{
    const ChatLineCase& c = GetParam();
    EXPECT_EQ(CDlgZelvante::PeerChatLineHtml(c.sender, c.text), c.peerLine);
    EXPECT_EQ(CDlgZelvante::OwnChatLineHtml(c.text), c.ownLine);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChatLineTest,
    ::testing::Values(
        ChatLineCase{"ScriptInText", "10.0.0.7", "<b>x</b><script>",
                     "<font color=blue><b>10.0.0.7:</b></font><font color=black size=2>"
                     "&lt;b&gt;x&lt;/b&gt;&lt;script&gt;</font><br>",
                     "<font color=#888888>&lt;b&gt;x&lt;/b&gt;&lt;script&gt;</font><br>"},
        ChatLineCase{"QuotesAndAmpersand", "<i>eve</i>", "a\"b'c &lt;",
                     "<font color=blue><b>&lt;i&gt;eve&lt;/i&gt;:</b></font><font color=black size=2>"
                     "a&quot;b&#39;c &amp;lt;</font><br>",
                     "<font color=#888888>a&quot;b&#39;c &amp;lt;</font><br>"},
        ChatLineCase{"NoSender", nullptr, "x",
                     "<font color=blue><b>[nobody]:</b></font><font color=black size=2>x</font><br>",
                     "<font color=#888888>x</font><br>"}),
    [](const auto& info) { return std::string(info.param.name); });

struct HeaderCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    bool read;
};

class JpegHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(JpegHeaderTest, WalksSegmentsToTheFrameHeader)
{
    const HeaderCase& c = GetParam();
    JpegFrameSize size;
    ASSERT_EQ(ReadJpegFrameSize(c.bytes.data(), c.bytes.size(), size), c.read);
    if (c.read) {
        EXPECT_EQ(size.width, 4000);
        EXPECT_EQ(size.height, 3000);
    }
}

// Start of image, an application segment, a fill byte, a progressive frame header of 4000 x 3000.
const std::vector<std::uint8_t> kFrame = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x41, 0x42, 0xFF, 0xFF, 0xC2,
                                          0x00, 0x0B, 0x08, 0x0B, 0xB8, 0x0F, 0xA0, 0x01, 0x01, 0x11, 0x00};

INSTANTIATE_TEST_SUITE_P(
    Cases, JpegHeaderTest,
    ::testing::Values(HeaderCase{"AfterSegments", kFrame, true},
                      HeaderCase{"FrameHeaderCut", {kFrame.begin(), kFrame.begin() + 17}, false},
                      HeaderCase{"SegmentPastTheEnd", {kFrame.begin(), kFrame.begin() + 7}, false},
                      HeaderCase{"ScanBeforeFrame", {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02}, false},
                      HeaderCase{"StrayByte", {0xFF, 0xD8, 0x00, 0xFF, 0xC2, 0x00, 0x0B}, false},
                      HeaderCase{"HuffmanTableIsNoFrame", {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x07, 0x08, 0x0B, 0xB8, 0x0F, 0xA0},
                                 false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
