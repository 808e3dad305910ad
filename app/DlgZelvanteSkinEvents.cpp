// The skin's two events on the main dialog: clicks, matched by element name (without regard to
// case) against the click table, and slider moves, mapped to a value of 0 to 1 and dispatched by
// the scroll table.
#include "app/DlgZelvante.h"

#include "app/DlgControlPanel.h"
#include "app/MsgBox.h"
#include "app/ProgramMessages.h"
#include "app/SkinElementRef.h"
#include "app/preview/DlgCapPreview.h"
#include "capture/FrameCallback.h"
#include "capture/TextOverlay.h"
#include "capture/VirtualCameraChannel.h"

#include <strings.h>

#include <iterator>

namespace {

using ClickAction = void (*)(CDlgZelvante& dialog, IUnknown* element);

// Web pages of the string table.
constexpr UINT kSiblingPageString = 123;
constexpr UINT kHomePageString = 124;
constexpr UINT kMessageCenterString = 137;

struct ClickRow {
    const char* name;
    ClickAction action; // null: the row's action comes with a later part of the program
};

SkinRef<ISkinElement> AsElement(IUnknown* element)
{
    return QuerySkin<ISkinElement>(element, IID_ISkinElement);
}

// Shown refilled from the stored mask, so changes not confirmed with OK are dropped.
void ToggleControlPanel(CDlgControlPanel* panel)
{
    if (!panel || !panel->IsSkinned() || !panel->GetSafeHwnd())
        return;
    if (panel->IsWindowVisible()) {
        panel->ShowWindow(SW_HIDE);
        return;
    }
    panel->FillResolutionChecks();
    panel->ShowWindow(SW_SHOW);
}

void ResetLevel(CDlgZelvante& dialog, void (CDlgZelvante::*setter)(float))
{
    (dialog.*setter)(0.5f);
    dialog.UpdateSliders();
}

// In the order of matching; the first row whose name matches runs.
const ClickRow kClickTable[] = {
    {"Button Play", [](CDlgZelvante& d, IUnknown*) { d.Play(); }},
    {"Button Pause", [](CDlgZelvante& d, IUnknown*) { d.Pause(); }},
    {"Button Stop", [](CDlgZelvante& d, IUnknown*) { d.Stop(); }},
    {"Button Help", [](CDlgZelvante&, IUnknown*) { CDlgZelvante::ShowLocalHelp(); }},
    {"Button Minimize", [](CDlgZelvante& d, IUnknown*) { d.ShowWindow(SW_MINIMIZE); }},
    {"Button Close", [](CDlgZelvante& d, IUnknown*) { d.PostMessage(CloseRequestMessage, 0, 0); }},
    {"Button ControlPanel", [](CDlgZelvante& d, IUnknown*) { ToggleControlPanel(d.m_pControlPanel); }},
    {"Button Video Source", [](CDlgZelvante& d, IUnknown* e) { d.ShowSourceMenu(AsElement(e).get()); }},
    {"Button Audio Source", [](CDlgZelvante& d, IUnknown* e) { d.ShowAudioSourceMenu(AsElement(e).get()); }},
    {"Button OpenFile",
     [](CDlgZelvante& d, IUnknown*) {
         if (g_nSourceKind == SourceImage)
             d.OpenImageFile();
         else if (g_nSourceKind == SourceVideoFile)
             d.OpenVideoFile();
     }},
    {"Button FPS", [](CDlgZelvante& d, IUnknown* e) { d.ShowFrameRateMenu(AsElement(e).get()); }},
    {"Button VideoStream", [](CDlgZelvante& d, IUnknown* e) { d.ShowVideoStreamMenu(AsElement(e).get()); }},
    {"Button Brightness", [](CDlgZelvante& d, IUnknown*) { ResetLevel(d, &CDlgZelvante::SetBrightness); }},
    {"Button Contrast", [](CDlgZelvante& d, IUnknown*) { ResetLevel(d, &CDlgZelvante::SetContrast); }},
    {"Button Saturation", [](CDlgZelvante& d, IUnknown*) { ResetLevel(d, &CDlgZelvante::SetSaturation); }},
    {"Button Zero Red", [](CDlgZelvante& d, IUnknown*) { ResetLevel(d, &CDlgZelvante::SetRed); }},
    {"Button Zero Green", [](CDlgZelvante& d, IUnknown*) { ResetLevel(d, &CDlgZelvante::SetGreen); }},
    {"Button Zero Blue", [](CDlgZelvante& d, IUnknown*) { ResetLevel(d, &CDlgZelvante::SetBlue); }},
    {"Button Zero White", [](CDlgZelvante& d, IUnknown*) { ResetLevel(d, &CDlgZelvante::SetWhite); }},
    {"Button FullScreen",
     [](CDlgZelvante&, IUnknown*) {
         if (CDlgCapPreview* preview = g_pPreview.load())
             preview->ToggleFullScreen(true);
     }},
    {"Button Ad Zelvante", [](CDlgZelvante& d, IUnknown*) { d.OpenWebSite(kHomePageString, nullptr, SW_SHOWNORMAL); }},
    {"Button Ad Beamlore", [](CDlgZelvante& d, IUnknown*) { d.OpenWebSite(kSiblingPageString, nullptr, SW_SHOWNORMAL); }},
    {"Button Beamlore", [](CDlgZelvante& d, IUnknown*) { d.OpenWebSite(kSiblingPageString, nullptr, SW_SHOWNORMAL); }},
    {"Button New Messages",
     [](CDlgZelvante& d, IUnknown*) {
         d.ShowNewMessagesButton(false);
         d.OpenAccountPageById(kMessageCenterString);
     }},
    {"Button Snapshot", [](CDlgZelvante& d, IUnknown*) { d.OnSnapshotManagerCommand(); }},
    {"Button Tab1M", [](CDlgZelvante& d, IUnknown*) { d.SelectTab(1); }},
    {"Button Tab2M", [](CDlgZelvante& d, IUnknown*) { d.SelectTab(2); }},
    {"Button Tab3M", [](CDlgZelvante& d, IUnknown*) { d.SelectTab(3); }},
    {"Button Tab4M", [](CDlgZelvante& d, IUnknown*) { d.SelectTab(4); }},
    {"Button Playlist Add", [](CDlgZelvante& d, IUnknown* e) { d.ShowPlaylistAddMenu(AsElement(e).get()); }},
    {"Button Slideshow Add", [](CDlgZelvante& d, IUnknown* e) { d.ShowPlaylistAddMenu(AsElement(e).get()); }},
    {"Button Playlist Delete", [](CDlgZelvante& d, IUnknown* e) { d.ShowPlaylistDeleteMenu(AsElement(e).get()); }},
    {"Button Slideshow Delete", [](CDlgZelvante& d, IUnknown* e) { d.ShowPlaylistDeleteMenu(AsElement(e).get()); }},
    {"Button Playlist Next", [](CDlgZelvante& d, IUnknown*) { d.PlayNextEntry(); }},
    {"Button Slideshow Next", [](CDlgZelvante& d, IUnknown*) { d.PlayNextEntry(); }},
    {"Button Playlist Prev", [](CDlgZelvante& d, IUnknown*) { d.PlayPrevEntry(); }},
    {"Button Slideshow Prev", [](CDlgZelvante& d, IUnknown*) { d.PlayPrevEntry(); }},
    {"Button Slideshow Time", [](CDlgZelvante& d, IUnknown*) { d.EditSlideshowSeconds(); }},
    {"Button Sound Volume", [](CDlgZelvante& d, IUnknown*) { d.ShowSoundVolume(); }},
    {"Button Text Color", [](CDlgZelvante& d, IUnknown*) { d.ChooseOverlayColor(); }},
    {"Button Text Font", [](CDlgZelvante& d, IUnknown*) { d.ChooseOverlayFont(); }},
    {"Button Text TL", [](CDlgZelvante& d, IUnknown*) { d.SetOverlayPosition(0); }},
    {"Button Text TC", [](CDlgZelvante& d, IUnknown*) { d.SetOverlayPosition(1); }},
    {"Button Text TR", [](CDlgZelvante& d, IUnknown*) { d.SetOverlayPosition(2); }},
    {"Button Text BL", [](CDlgZelvante& d, IUnknown*) { d.SetOverlayPosition(3); }},
    {"Button Text BC", [](CDlgZelvante& d, IUnknown*) { d.SetOverlayPosition(4); }},
    {"Button Text BR", [](CDlgZelvante& d, IUnknown*) { d.SetOverlayPosition(5); }},
    {"Button Text", [](CDlgZelvante& d, IUnknown*) { d.EditOverlayText(); }},
};

struct ScrollRow {
    const char* name;
    void (CDlgZelvante::*action)(float value);
};

const ScrollRow kScrollTable[] = {
    {"Scroll Brightness", &CDlgZelvante::SetBrightness},
    {"Scroll Saturation", &CDlgZelvante::SetSaturation},
    {"Scroll Contrast", &CDlgZelvante::SetContrast},
    {"Scroll Red", &CDlgZelvante::SetRed},
    {"Scroll Green", &CDlgZelvante::SetGreen},
    {"Scroll Blue", &CDlgZelvante::SetBlue},
    {"Scroll White", &CDlgZelvante::SetWhite},
    {"Scroll Video Position", &CDlgZelvante::SeekVideo},
};

const char* const kMenuElements[] = {"Menu File", "Menu Options", "Menu Account", "Menu Help"};

// DrawText flags of the six overlay positions: top left, centre, right; bottom left, centre, right.
constexpr UINT kOverlayAlignment[6] = {0, 1, 2, 8, 9, 10};

} // namespace

bool CDlgZelvante::OnSkinMenuElement(IUnknown* element)
{
    const std::string name = SkinElementName(element);
    for (int position = 0; position < static_cast<int>(std::size(kMenuElements)); ++position) {
        if (strcasecmp(name.c_str(), kMenuElements[position]) == 0) {
            // Its pop-up of menu 157, at the element's bottom-left corner.
            RECT place{};
            if (SkinElementClientRect(element, &place)) {
                POINT corner{place.left, place.bottom};
                ClientToScreen(&corner);
                TrackSkinMenu(position, corner.x, corner.y);
            }
            return true;
        }
    }
    return false;
}

void CDlgZelvante::OnSkinElementClick(IUnknown* element)
{
    if (element == nullptr || OnSkinMenuElement(element))
        return;
    const std::string name = SkinElementName(element);
    for (const ClickRow& row : kClickTable) {
        if (strcasecmp(name.c_str(), row.name) == 0) {
            if (row.action != nullptr)
                row.action(*this, element);
            return;
        }
    }
    // The control panel's buttons; its OK may have changed the enabled sizes.
    if (m_pControlPanel && m_pControlPanel->OnSkinClick(element)) {
        UpdateCaptureSize();
        OnStillImageReady(0, 0);
        return;
    }
    CMsgBox::OnSkinEvent(element);
}

void CDlgZelvante::OnSkinScroll(IUnknown* element, long /*position*/)
{
    SkinRef<ISkinScrollBar> bar = QuerySkin<ISkinScrollBar>(element, IID_ISkinScrollBar);
    if (!bar)
        return;
    LONG orientation = 0, minimum = 0, maximum = 0, position = 0;
    if (FAILED(bar->GetOrientation(&orientation)) || FAILED(bar->GetMinimum(&minimum)) ||
        FAILED(bar->GetMaximum(&maximum)) || FAILED(bar->GetPosition(&position)))
        return;
    const std::optional<float> value = ScrollValue(orientation, minimum, maximum, position);
    if (!value)
        return;
    const std::string name = SkinElementName(element);
    for (const ScrollRow& row : kScrollTable) {
        if (strcasecmp(name.c_str(), row.name) == 0) {
            (this->*row.action)(*value);
            return;
        }
    }
}

void CDlgZelvante::SetOverlayPosition(int position)
{
    if (position < 0 || position > 5)
        return;
    std::string text;
    EnterCriticalSection(&g_TextOverlay.lock);
    g_TextOverlay.position = position;
    g_TextOverlay.dirty = 1;
    text = g_TextOverlay.text;
    LeaveCriticalSection(&g_TextOverlay.lock);
    SaveOverlaySettings();
    SetElementCaption(text.c_str(), &kOverlayAlignment[position], "Button Text");
}
