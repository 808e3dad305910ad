// The main dialog's picture and sound settings: deinterlace, play with sound, the audio input, the
// desktop's volume control, the text overlay's colour, font and text, and where the window was.
// Each toggle is written to the profile at once; the overlay is saved after every edit.
#include "app/DlgZelvante.h"

#include "app/InplaceEdit.h"
#include "app/ZelvanteApp.h"
#include "capture/Deinterlace.h"
#include "capture/TextOverlay.h"
#include "platform/afx/afx_common_dialogs.h"
#include "platform/user/edit_control.h"
#include "platform/user/input_idle.h"
#include "platform/user/system_metrics.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/processes.h"

#include <algorithm>

namespace {

constexpr const char* kParams = "Params";
// The Windows volume control; the process layer runs the desktop's mixer for it.
constexpr char kVolumeControl[] = "sndvol32 /t";
constexpr DWORD kVolumeControlIdleMs = 5000;

CZelvanteApp& App()
{
    return ZelvanteApp();
}

// Flips a byte switch and stores its new value.
void ToggleStoredSwitch(std::atomic<BYTE>& value, const char* entry)
{
    const BYTE next = value.load() ? 0 : 1;
    value = next;
    App().WriteProfileInt(kParams, entry, next);
}

// Runs `change` on the overlay record under its lock.
template <class Change>
void ChangeOverlay(Change change)
{
    EnterCriticalSection(&g_TextOverlay.lock);
    change(g_TextOverlay);
    LeaveCriticalSection(&g_TextOverlay.lock);
}

} // namespace

RECT CDlgZelvante::PlaceStoredWindow(const RECT& stored, LONG screenWidth, LONG screenHeight, const RECT& workArea)
{
    // In 64 bits: a damaged profile may hold any values.
    const long long width = static_cast<long long>(stored.right) - stored.left;
    const long long height = static_cast<long long>(stored.bottom) - stored.top;
    const long long workWidth = static_cast<long long>(workArea.right) - workArea.left;
    const long long workHeight = static_cast<long long>(workArea.bottom) - workArea.top;
    // A rectangle without area is no saved position: the dialog keeps its own.
    if (width <= 0 || height <= 0 || workWidth <= 0 || workHeight <= 0)
        return RECT{};
    // A window saved off the screen comes back to its edge, keeping its size.
    long long left = stored.right < 0 || stored.left > screenWidth ? 0 : stored.left;
    long long top = stored.bottom < 0 || stored.top > screenHeight ? 0 : stored.top;
    if (left == 0)
        return RECT{};
    // Whatever was stored, the whole window lies in the work area, so its caption can be reached.
    const long long w = std::min(width, workWidth);
    const long long h = std::min(height, workHeight);
    left = std::clamp<long long>(left, workArea.left, workArea.right - w);
    top = std::clamp<long long>(top, workArea.top, workArea.bottom - h);
    return RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + w), static_cast<LONG>(top + h)};
}

void CDlgZelvante::RestoreWindowPosition()
{
    CZelvanteApp& app = App();
    RECT stored{};
    stored.left = static_cast<LONG>(app.GetProfileInt(kParams, "WndPosL", 0));
    stored.top = static_cast<LONG>(app.GetProfileInt(kParams, "WndPosT", 0));
    stored.right = static_cast<LONG>(app.GetProfileInt(kParams, "WndPosR", 0));
    stored.bottom = static_cast<LONG>(app.GetProfileInt(kParams, "WndPosB", 0));
    RECT work{};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        return;
    const RECT placed =
        PlaceStoredWindow(stored, GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN), work);
    // Not applied (never saved, saved at the left edge or brought back to it): the template's place.
    if (placed.right > placed.left)
        MoveWindow(placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top, TRUE);
}

void CDlgZelvante::SaveWindowPosition()
{
    // A minimised window's rectangle is the icon's: the one saved before stays.
    if (IsIconic())
        return;
    RECT rect{};
    GetWindowRect(&rect);
    CZelvanteApp& app = App();
    app.WriteProfileInt(kParams, "WndPosL", rect.left);
    app.WriteProfileInt(kParams, "WndPosT", rect.top);
    app.WriteProfileInt(kParams, "WndPosR", rect.right);
    app.WriteProfileInt(kParams, "WndPosB", rect.bottom);
}

void CDlgZelvante::ToggleDeinterlace()
{
    ToggleStoredSwitch(g_bDeinterlace, "FilterDeinterlace");
}

void CDlgZelvante::TogglePlaySound()
{
    ToggleStoredSwitch(g_bPlaySound, "PlaySound");
}

void CDlgZelvante::ShowAudioSourceMenu(ISkinElement* element)
{
    // The "Source" pop-up of the resource holds only a placeholder: the inputs are the whole menu.
    CMenu inputs;
    if (!inputs.CreatePopupMenu())
        return;
    AppendAudioDeviceItems(&inputs);
    TrackElementMenu(element, inputs.GetSafeHmenu());
}

void CDlgZelvante::OnAudioSourceCommand(UINT id)
{
    // The list is taken again: a device unplugged since the menu was made leaves no name.
    std::vector<std::string> names;
    CCaptureGraph::EnumAudioDevices(names);
    const std::size_t index = id - kFirstAudioCommand;
    std::string name = index < names.size() ? names[index] : std::string();
    App().m_strAudioDevice = name;
    m_captureGraph.m_strAudioDevice = std::move(name);
}

void CDlgZelvante::ShowSoundVolume()
{
    RECT place{};
    GetSkinElementRect("Button Sound Volume", &place);
    ClientToScreen(&place);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USEPOSITION | STARTF_FORCEOFFFEEDBACK;
    startup.wShowWindow = SW_SHOWNOACTIVATE;
    startup.dwX = static_cast<DWORD>(place.left);
    startup.dwY = static_cast<DWORD>(place.bottom);
    PROCESS_INFORMATION process{};
    char commandLine[sizeof kVolumeControl];
    std::copy(std::begin(kVolumeControl), std::end(kVolumeControl), commandLine);
    const BOOL started =
        CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    m_nSoundVolumeFlag = 1;
    // Without a volume control on this desktop nothing is said: the button simply does nothing.
    if (!started)
        return;
    WaitForInputIdle(process.hProcess, kVolumeControlIdleMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    SetWindowPos(&wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CDlgZelvante::ChooseOverlayColor()
{
    COLORREF colour = 0;
    ChangeOverlay([&](TextOverlaySettings& overlay) { colour = overlay.colour; });
    CColorDialog dialog(colour, CC_FULLOPEN, this);
    if (dialog.DoModal() != IDOK)
        return;
    ChangeOverlay([&](TextOverlaySettings& overlay) { overlay.colour = dialog.GetColor(); });
    SaveOverlaySettings();
}

void CDlgZelvante::ChooseOverlayFont()
{
    LOGFONTA font{};
    COLORREF colour = 0;
    ChangeOverlay([&](TextOverlaySettings& overlay) {
        font = overlay.font;
        colour = overlay.colour;
    });
    CFontDialog dialog(&font, CF_SCREENFONTS | CF_EFFECTS | CF_FORCEFONTEXIST | CF_NOSCRIPTSEL, nullptr, this);
    dialog.m_cf.rgbColors = colour;
    if (dialog.DoModal() != IDOK)
        return;
    LOGFONTA chosen{};
    dialog.GetCurrentFont(&chosen);
    ChangeOverlay([&](TextOverlaySettings& overlay) {
        overlay.font = chosen;
        overlay.dirty = 1;
    });
    ChangeOverlay([&](TextOverlaySettings& overlay) { overlay.colour = dialog.GetColor(); });
    SaveOverlaySettings();
}

void CDlgZelvante::EditOverlayText()
{
    RECT place{};
    if (!GetSkinElementRect("Button Text", &place))
        return;
    std::string text;
    ChangeOverlay([&](TextOverlaySettings& overlay) { text = overlay.text; });
    // Deletes itself when the edit ends; the text comes back as label 1.
    auto* editor = new CInplaceEdit(ES_MULTILINE | ES_WANTRETURN, 1.0, text.c_str());
    editor->m_nItemId = 1;
    editor->ShowAt(place);
}

void CDlgZelvante::OnOverlayTextEdited(const char* text)
{
    if (text == nullptr)
        return;
    SetOverlayText(text);
    SaveOverlaySettings();
    SetElementCaption(text, nullptr, "Button Text");
}
