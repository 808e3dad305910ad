// The main dialog's captions and sliders: the source and frame rate captions, the colour sliders
// with their stored values per source kind, and the video position slider.
#include "app/DlgZelvante.h"

#include "app/ProgramMessages.h"
#include "app/SkinElementRef.h"
#include "app/ZelvanteApp.h"
#include "app/preview/DlgCapPreview.h"
#include "capture/FrameCallback.h"

#include <atomic>
#include <cstdio>

namespace {

// The device amplifier's properties (VideoProcAmp numbers).
constexpr long kProcAmpBrightness = 0;
constexpr long kProcAmpSaturation = 3;

struct SliderLevel {
    const char* element;
    Level level;
};

// The colour sliders and the values they show, in the order they are refreshed.
constexpr SliderLevel kStoredSliders[] = {
    {"Scroll Contrast", Level::Contrast}, {"Scroll Red", Level::Red},     {"Scroll Green", Level::Green},
    {"Scroll Blue", Level::Blue},         {"Scroll White", Level::White},
};

} // namespace

void CDlgZelvante::SetSourceCaption(const char* name)
{
    const char* text = name == nullptr || *name == '\0' ? "Source device..." : name;
    SetElementCaption(text, nullptr, "Static Source");
    SetElementTooltip(text, "Button Source");
}

void CDlgZelvante::SetFrameRateCaption(int rate)
{
    char text[64];
    std::snprintf(text, sizeof text, "Frame rate: %d", rate);
    if (SkinRef<ISkinText> caption = FindSkinElement<ISkinText>(m_pSkinRoot, "Static FPS", IID_ISkinText))
        caption->SetText(SkinText(text).c_str());
    if (SkinRef<ISkinElement> element = FindSkinElement<ISkinElement>(m_pSkinRoot, "Static FPS", IID_ISkinElement))
        element->Refresh();
}

void CDlgZelvante::UpdateSliders()
{
    SetFrameRateCaption(m_captureGraph.GetFrameRate());
    const std::int32_t kind = g_nSourceKind;
    if (kind < SourceDevice || kind > SourceVideoFile)
        return; // the desktop keeps no values
    ShowVideoPositionSlider(kind == SourceVideoFile);
    const ConfigStore& config = ZelvanteApp().m_Config;
    if (kind == SourceDevice) {
        // The device's own amplifier holds its brightness and saturation.
        SetSliderValue("Scroll Brightness", static_cast<float>(m_captureGraph.GetVideoProcAmp(kProcAmpBrightness)));
        SetSliderValue("Scroll Saturation", static_cast<float>(m_captureGraph.GetVideoProcAmp(kProcAmpSaturation)));
    } else {
        SetSliderValue("Scroll Brightness", config.levels[LevelSlot(kind, Level::Brightness)]);
        SetSliderValue("Scroll Saturation", config.levels[LevelSlot(kind, Level::Saturation)]);
    }
    for (const SliderLevel& slider : kStoredSliders)
        SetSliderValue(slider.element, config.levels[LevelSlot(kind, slider.level)]);
}

void CDlgZelvante::SetSliderValue(const char* elementName, float value)
{
    SkinRef<ISkinScrollBar> bar = FindSkinElement<ISkinScrollBar>(m_pSkinRoot, elementName, IID_ISkinScrollBar);
    LONG orientation = 0, minimum = 0, maximum = 0;
    if (!bar || FAILED(bar->GetOrientation(&orientation)) || FAILED(bar->GetMinimum(&minimum)) ||
        FAILED(bar->GetMaximum(&maximum)))
        return;
    if (const std::optional<LONG> position = ScrollPosition(orientation, minimum, maximum, value))
        bar->SetPosition(*position);
}

void CDlgZelvante::SetLevel(Level level, const char* elementName, float value)
{
    SetElementTooltip(LevelTooltip(value).c_str(), elementName);
    const std::int32_t kind = g_nSourceKind;
    const int slot = LevelSlot(kind, level);
    ConfigStore& config = ZelvanteApp().m_Config;
    if (slot >= 0 && config.levels[slot] != value) {
        // The frame road reads the levels on the streaming thread while a frame passes.
        std::atomic_ref<float>(config.levels[slot]).store(value, std::memory_order_relaxed);
        config.dirty = true;
    }
    if (kind == SourceDevice && (level == Level::Brightness || level == Level::Saturation))
        m_captureGraph.SetVideoProcAmp(level == Level::Brightness ? kProcAmpBrightness : kProcAmpSaturation, value);
    // A still picture is processed again with its new levels.
    if (kind == SourceImage) {
        if (CDlgCapPreview* preview = g_pPreview.load())
            preview->PostMessage(StillImageMessage, 0, 0);
    }
}

void CDlgZelvante::SetBrightness(float value)
{
    SetLevel(Level::Brightness, "Scroll Brightness", value);
}

void CDlgZelvante::SetContrast(float value)
{
    SetLevel(Level::Contrast, "Scroll Contrast", value);
}

void CDlgZelvante::SetSaturation(float value)
{
    SetLevel(Level::Saturation, "Scroll Saturation", value);
}

void CDlgZelvante::SetRed(float value)
{
    SetLevel(Level::Red, "Scroll Red", value);
}

void CDlgZelvante::SetGreen(float value)
{
    SetLevel(Level::Green, "Scroll Green", value);
}

void CDlgZelvante::SetBlue(float value)
{
    SetLevel(Level::Blue, "Scroll Blue", value);
}

void CDlgZelvante::SetWhite(float value)
{
    SetLevel(Level::White, "Scroll White", value);
}

void CDlgZelvante::ShowVideoPositionSlider(bool visible)
{
    ShowElement("Scroll Video Position", visible);
}

void CDlgZelvante::SeekVideo(float value)
{
    if (g_nSourceKind != SourceVideoFile || m_captureGraph.m_pMediaSeeking == nullptr)
        return;
    std::int64_t current = 0, stop = 0;
    if (!m_captureGraph.GetPositions(&current, &stop))
        return;
    m_captureGraph.SeekTo(static_cast<std::int64_t>(static_cast<double>(stop) * value));
}
