#include "app/SourceRules.h"

#include "app/DlgZelvante.h"

#include "platform/user/menu.h"
#include "platform/win32/find_files.h"
#include "platform/win32/handle_table.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

std::optional<float> ScrollValue(LONG orientation, LONG minimum, LONG maximum, LONG position)
{
    if (maximum <= minimum)
        return std::nullopt;
    const double range = static_cast<double>(maximum) - static_cast<double>(minimum);
    double value = (static_cast<double>(position) - static_cast<double>(minimum)) / range;
    value = std::clamp(value, 0.0, 1.0);
    if (orientation == 1)
        value = 1.0 - value;
    return static_cast<float>(value);
}

std::optional<LONG> ScrollPosition(LONG orientation, LONG minimum, LONG maximum, double value)
{
    if (maximum <= minimum || std::isnan(value))
        return std::nullopt;
    value = std::clamp(value, 0.0, 1.0);
    if (orientation == 1)
        value = 1.0 - value;
    const double range = static_cast<double>(maximum) - static_cast<double>(minimum);
    return static_cast<LONG>(static_cast<double>(minimum) + std::trunc(range * value));
}

bool PreviewRectIn(const RECT& element, RECT& preview)
{
    const LONG width = element.right - element.left;
    const LONG height = element.bottom - element.top;
    if (width <= 0 || height <= 0)
        return false;
    // Inflate vertically by (height - width x 3/4) / -2, the 4:3 height truncated first.
    const LONG wanted = static_cast<LONG>(static_cast<double>(width) * 0.75);
    const LONG inflate = (height - wanted) / -2;
    preview = element;
    preview.top -= inflate;
    preview.bottom += inflate;
    return true;
}

SIZE StillPictureSize(LONG width, LONG height)
{
    if (width <= 0 || height <= 0 || (width <= 640 && height <= 480))
        return {width, height};
    // Scaled by 480 / height or 640 / width; the side that meets its bound is set exactly, so the
    // result never comes out one pixel short of it.
    SIZE size;
    if (static_cast<double>(width) < static_cast<double>(height) * 1.3333334) {
        size.cy = 480;
        size.cx = static_cast<LONG>(static_cast<long long>(width) * 480 / height);
    } else {
        size.cx = 640;
        size.cy = static_cast<LONG>(static_cast<long long>(height) * 640 / width);
    }
    size.cx = std::max<LONG>(size.cx, 1);
    size.cy = std::max<LONG>(size.cy, 1);
    return size;
}

std::string FileNameOf(const std::string& path)
{
    const auto cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string DisplayNameOf(const std::string& path)
{
    std::string name = FileNameOf(path);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

std::string LevelTooltip(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.0f %%", (value - 0.5) * 200.0);
    return text;
}

int LevelSlot(int sourceKind, Level level)
{
    if (sourceKind < SourceDevice || sourceKind > SourceVideoFile)
        return -1;
    const int kindIndex = sourceKind - 1;
    switch (level) {
    case Level::Red: return kindIndex * 4 + 0;
    case Level::Green: return kindIndex * 4 + 1;
    case Level::Blue: return kindIndex * 4 + 2;
    case Level::White: return kindIndex * 4 + 3;
    case Level::Brightness: return 12 + kindIndex * 4 + 0;
    case Level::Contrast: return 12 + kindIndex * 4 + 1;
    case Level::Saturation: return 12 + kindIndex * 4 + 2;
    }
    return -1;
}

bool IsOwnVirtualCamera(const std::string& friendlyName)
{
    return friendlyName.find("Zelvante") != std::string::npos;
}

std::vector<MenuItemSpec> SourceMenuItems(const std::vector<DeviceInfo>& devices, int activeKind,
                                          const std::string& currentDevice)
{
    std::vector<MenuItemSpec> items;
    for (std::size_t index = 0; index < devices.size(); ++index) {
        const DeviceInfo& device = devices[index];
        if (IsOwnVirtualCamera(device.m_strFriendlyName))
            continue;
        const UINT id = kFirstDeviceCommand + static_cast<UINT>(index);
        if (id > kLastDeviceCommand)
            break;
        const bool current = activeKind == SourceDevice &&
                             (currentDevice == device.m_strFriendlyName || currentDevice == device.m_strDescription);
        const std::string& text = device.m_strFriendlyName.empty() ? device.m_strDescription : device.m_strFriendlyName;
        items.push_back({MF_STRING | (current ? MF_CHECKED : 0u), id, text});
    }
    if (!items.empty())
        items.push_back({MF_SEPARATOR, 0, {}});
    items.push_back({MF_STRING | (activeKind == SourceImage ? MF_CHECKED : 0u), kOpenImageCommand, "Image file..."});
    items.push_back({MF_STRING | (activeKind == SourceVideoFile ? MF_CHECKED : 0u), kOpenVideoCommand, "Video file..."});
    items.push_back({MF_STRING | (activeKind == SourceDesktop ? MF_CHECKED : 0u), kDesktopCommand, "Desktop"});
    return items;
}

std::vector<MenuItemSpec> AudioDeviceItems(const std::vector<std::string>& names, const std::string& currentDevice)
{
    std::vector<MenuItemSpec> items;
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (IsOwnVirtualCamera(names[index]))
            continue;
        const UINT id = kFirstAudioCommand + static_cast<UINT>(index);
        if (id > kLastAudioCommand)
            break;
        items.push_back({MF_STRING | (names[index] == currentDevice ? MF_CHECKED : 0u), id, names[index]});
    }
    return items;
}

std::string SkinMenuText(const std::string& fileName)
{
    std::string text = fileName;
    const auto dot = text.rfind('.');
    if (dot != std::string::npos)
        text.erase(dot);
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

namespace {

void SearchSkins(std::string folder, UINT& counter, UINT lastId, std::vector<SkinFileEntry>& found)
{
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    if (folder.size() >= MAX_PATH)
        return;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((folder + "*.skn").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (counter >= lastId)
            break;
        const std::string path = folder + data.cFileName;
        ++counter;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            SearchSkins(path, counter, lastId, found);
        else if (path.size() < MAX_PATH)
            found.push_back({counter, SkinMenuText(data.cFileName), path});
    } while (FindNextFileA(search, &data));
    FindClose(search);
}

} // namespace

std::vector<SkinFileEntry> FindSkinFiles(const std::string& folder, UINT firstId, UINT lastId)
{
    std::vector<SkinFileEntry> found;
    UINT counter = firstId;
    SearchSkins(folder, counter, lastId, found);
    return found;
}
