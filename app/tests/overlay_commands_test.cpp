// The main dialog's picture and sound settings on the default skin: the switches, the audio input,
// the volume control, the overlay's colour, font and text as the profile keeps them and as the
// frame road paints them, and frames for the preview.
#include "app/tests/sources_dialog_fixture.h"

#include "capture/Deinterlace.h"
#include "capture/TextOverlay.h"
#include "platform/user/common_dialogs.h"
#include "platform/user/testing/common_dialog_script.h"
#include "platform/win32/processes.h"

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace zv::app::testing {
namespace {

using zv::user::CommonDialogRequest;
using zv::user::testing::CommonDialogScript;

// The overlay painted into a black 320 x 240 frame: the lit pixels' colour (0 when none or not
// one colour) and the height of the lit rows.
struct Lit {
    COLORREF colour = 0;
    int rows = 0;
};

Lit PaintBlackFrame()
{
    FrameSize size{320, 240};
    std::vector<BYTE> frame(320 * 240 * 3, 0);
    ApplyTextOverlay(&size, frame.data(), static_cast<LONG>(frame.size()));
    Lit lit;
    int first = -1, last = -1;
    std::optional<COLORREF> colour;
    for (std::size_t i = 0; i < frame.size(); i += 3) {
        const COLORREF pixel = RGB(frame[i + 2], frame[i + 1], frame[i]);
        if (pixel == 0)
            continue;
        colour = colour.value_or(pixel) == pixel ? pixel : 0;
        last = static_cast<int>(i / 960);
        first = first < 0 ? last : first;
    }
    return {colour.value_or(0), last - first + 1};
}

// Handles what is queued as the program's message loop does: the in-place editor sees its keys first.
void PumpAsTheProgram()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!AfxPreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

class OverlayCommandsTest : public SourcesDialogTest {
protected:
    void SetUp() override
    {
        SourcesDialogTest::SetUp();
        ResetOverlay();
        SetOverlayText("ON AIR");
    }
    void TearDown() override
    {
        SourcesDialogTest::TearDown();
        ResetOverlay();
        g_bDeinterlace = 0;
        g_bPlaySound = 1;
        unsetenv("ZV_TEST_MICROPHONE");
    }
    static void ResetOverlay()
    {
        const TextOverlaySettings fresh;
        EnterCriticalSection(&g_TextOverlay.lock);
        g_TextOverlay.text.clear();
        g_TextOverlay.colour = fresh.colour;
        g_TextOverlay.font = fresh.font;
        g_TextOverlay.position = fresh.position;
        g_TextOverlay.dirty = 1;
        LeaveCriticalSection(&g_TextOverlay.lock);
    }
    void Command(UINT id) { dialog->SendMessage(WM_COMMAND, id, 0); }
};

TEST_F(OverlayCommandsTest, SwitchesStoreEachNewValueAtOnce)
{
    struct Row {
        UINT command;
        std::atomic<BYTE>* value;
        BYTE start;
        const char* entry;
    };
    for (const Row& row : {Row{32870, &g_bDeinterlace, 0, "FilterDeinterlace"}, Row{32882, &g_bPlaySound, 1, "PlaySound"}}) {
        *row.value = row.start;
        for (const BYTE expected : {BYTE(!row.start), row.start}) {
            Command(row.command);
            EXPECT_EQ(row.value->load(), expected) << row.entry;
            EXPECT_EQ(g_testApp.GetProfileInt("Params", row.entry, -1), expected) << row.entry;
        }
    }
}

TEST_F(OverlayCommandsTest, AudioCommandsPickTheInputListedNow)
{
    setenv("ZV_TEST_MICROPHONE", "Mic;Line In", 1);
    EXPECT_EQ(ChooseFromMenu(2, [&] { Click("Button Audio Source"); }), kFirstAudioCommand + 1);
    struct Row {
        const char* inputsNow;
        UINT command;
        const char* picked;
    };
    const Row rows[] = {{"Mic;Line In", kFirstAudioCommand + 1, "Line In"},
                        {"Mic", kFirstAudioCommand + 1, ""}, // unplugged since the menu was made
                        {"Mic;Line In", kFirstAudioCommand, "Mic"}};
    for (const Row& row : rows) {
        setenv("ZV_TEST_MICROPHONE", row.inputsNow, 1);
        Command(row.command);
        EXPECT_EQ(g_testApp.m_strAudioDevice, row.picked) << row.inputsNow;
        EXPECT_EQ(dialog->m_captureGraph.m_strAudioDevice, row.picked) << row.inputsNow;
    }
}

TEST_F(OverlayCommandsTest, VolumeControlStartsBelowItsButtonOrQuietlyNot)
{
    const std::string bin = Path("bin"), savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
    ::setenv("PATH", bin.c_str(), 1);
    for (const bool installed : {false, true}) {
        if (installed) {
            const std::string mixer = bin + "/" + zv::win32::kDesktopTools[0].desktopProgram;
            std::ofstream(mixer) << "#!/bin/sh\nprintf '%s' \"$ZV_STARTUP\" > '" << Path("startup") << "'\n";
            ASSERT_EQ(::chmod(mixer.c_str(), 0755), 0);
        }
        Click("Button Sound Volume");
        EXPECT_EQ(dialog->m_nSoundVolumeFlag, 1);
        EXPECT_TRUE(zv::user::MessageBoxResponder::History().empty());
        EXPECT_EQ(std::ifstream(Path("startup")).good(), installed);
    }
    ::setenv("PATH", savedPath.c_str(), 1);
    // What the mixer was asked for reads back as its start-up request.
    std::stringstream request;
    request << std::ifstream(Path("startup")).rdbuf();
    ::setenv("ZV_STARTUP", request.str().c_str(), 1);
    STARTUPINFOA received{};
    GetStartupInfoA(&received);
    ::unsetenv("ZV_STARTUP");
    RECT button{};
    ASSERT_TRUE(dialog->GetSkinElementRect("Button Sound Volume", &button));
    dialog->ClientToScreen(&button);
    EXPECT_EQ(received.dwX, static_cast<DWORD>(button.left));
    EXPECT_EQ(received.dwY, static_cast<DWORD>(button.bottom));
    EXPECT_EQ(received.wShowWindow, SW_SHOWNOACTIVATE);
}

TEST_F(OverlayCommandsTest, ColourAndFontChoicesReachTheProfileAndTheFrames)
{
    const int defaultRows = PaintBlackFrame().rows;
    const LOGFONTA big = zv::user::testing::MakeLogFont("Liberation Sans", -60, FW_BOLD);
    struct Row {
        const char* button;
        bool ok;
        COLORREF colour; // the overlay's after the choice
        UINT stored;     // "OverlayColor"
        bool bigFont;
    };
    const Row rows[] = {{"Button Text Color", false, 0xFFFFFF, -1u, false},
                        {"Button Text Color", true, RGB(255, 0, 0), RGB(255, 0, 0), false},
                        {"Button Text Font", false, RGB(255, 0, 0), RGB(255, 0, 0), false},
                        {"Button Text Font", true, RGB(0, 128, 128), RGB(0, 128, 128), true}};
    COLORREF before = 0xFFFFFF;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.button) + (row.ok ? " OK" : " cancelled"));
        CommonDialogScript script;
        script.Then([&](CommonDialogRequest& request) {
            request.font = big;
            request.colour = row.colour;
            return row.ok;
        });
        Click(row.button);
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(script.Seen()[0].colour, before) << "the dialog opens on the overlay's colour";
        EXPECT_EQ(g_TextOverlay.colour, row.colour);
        EXPECT_EQ(g_testApp.GetProfileInt("Params", "OverlayColor", -1), row.stored);
        LOGFONTA expected = big;
        expected.lfCharSet = DEFAULT_CHARSET; // no script choice
        EXPECT_EQ(std::memcmp(&g_TextOverlay.font, &expected, sizeof expected) == 0, row.bigFont);
        const Lit lit = PaintBlackFrame();
        EXPECT_EQ(lit.colour, row.colour);
        EXPECT_EQ(lit.rows > defaultRows, row.bigFont);
        before = row.colour;
    }
}

TEST_F(OverlayCommandsTest, EditedTextBecomesTheOverlayAndTheCaption)
{
    const auto expectOverlay = [&](const char* text) {
        EXPECT_EQ(g_TextOverlay.text, text);
        EXPECT_EQ(g_testApp.GetProfileString("Params", "OverlayText", "<absent>"), text);
        EXPECT_EQ(CaptionOf("Button Text"), text);
    };
    g_testApp.m_pMainWnd = dialog.get();
    Click("Button Text");
    CWnd* editor = dialog->GetDlgItem(701);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->GetWindowText(), "ON AIR");
    // Enter hands the typed text over as label 1, then the box goes.
    editor->SetWindowText("Live now");
    zv::user::DeliverKey(VK_RETURN, true);
    PumpAsTheProgram();
    g_testApp.m_pMainWnd = nullptr;
    EXPECT_EQ(dialog->GetDlgItem(701), nullptr);
    expectOverlay("Live now");
    dialog->OnOverlayTextEdited(nullptr); // the end notice
    expectOverlay("Live now");
    dialog->OnOverlayTextEdited(""); // erased
    expectOverlay("");
}

TEST_F(OverlayCommandsTest, FramesReachThePreviewOnlyWhileTheWindowIsShownAndWhole)
{
    struct Row {
        bool minimised;
        FrameSize claimed;
        bool shown;
    };
    BYTE grey = 0x30;
    for (const Row& row : {Row{true, {320, 240}, false}, Row{false, {4000, 3000}, false}, Row{false, {320, 240}, true}}) {
        dialog->ShowWindow(row.minimised ? SW_MINIMIZE : SW_RESTORE);
        Pump();
        grey = static_cast<BYTE>(grey + 0x10); // each frame its own grey
        {
            std::lock_guard lock(g_PreviewFrameLock);
            std::memset(g_PreviewFrame, grey, kPreviewFrameBytes);
            g_PreviewFrameSize = row.claimed;
        }
        dialog->SendMessage(FrameReadyMessage, reinterpret_cast<WPARAM>(g_PreviewFrame),
                            reinterpret_cast<LPARAM>(&g_PreviewFrameSize));
        const CPixImage& shown = g_pPreview.load()->ShownImage();
        EXPECT_EQ(shown.IsValid() && shown.GetWidth() == row.claimed.width &&
                      (shown.GetColorAt(0, 0) & 0xFFFFFF) == MakePixColor(grey, grey, grey),
                  row.shown)
            << row.claimed.width << (row.minimised ? " minimised" : "");
    }
}

} // namespace
} // namespace zv::app::testing
