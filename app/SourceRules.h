// The rules of the main window's source and skin handling that need no window: slider mapping,
// the preview's place in its skin element, the fit of still pictures, captions and the items of
// the source, audio and skin pop-ups.
#pragma once

#include "capture/DeviceInfo.h"
#include "platform/user/user_types.h"

#include <optional>
#include <string>
#include <vector>

// Source kinds, saved as Params "LastMode".
enum SourceKind : int { SourceDevice = 1, SourceImage = 2, SourceVideoFile = 3, SourceDesktop = 4 };

// The audio devices' commands run from 2050 (DlgZelvante.h) up to this one.
constexpr UINT kLastAudioCommand = 2099;

// A slider's value, 0 to 1, from its position: (position - minimum) / (maximum - minimum),
// clamped, turned round for orientation 1. None for a slider whose maximum is not above its minimum.
std::optional<float> ScrollValue(LONG orientation, LONG minimum, LONG maximum, LONG position);
// The position that shows a value (clamped to 0..1): minimum + (maximum - minimum) x value, or
// x (1 - value) for orientation 1, truncated. None for a slider whose maximum is not above its minimum.
std::optional<LONG> ScrollPosition(LONG orientation, LONG minimum, LONG maximum, double value);

// The preview's rectangle in a skin element: the element's width, a height of width x 3/4 around
// the element's vertical centre. False for an element with no width or no height.
bool PreviewRectIn(const RECT& element, RECT& preview);

// The size a still picture is shown at: within 640 x 480 it stays; larger ones are scaled to
// 480 rows when narrower than 4:3, else to 640 columns, keeping their shape (at least 1 x 1).
SIZE StillPictureSize(LONG width, LONG height);

// A path's last component (after its last '/' or '\'); the whole path when it has none.
std::string FileNameOf(const std::string& path);
// The last component without its extension (from its last dot on).
std::string DisplayNameOf(const std::string& path);

// The tooltip of a colour slider: (value - 0.5) x 200 as "%.0f %%".
std::string LevelTooltip(double value);

// The colour values of the settings record.
enum class Level { Red, Green, Blue, White, Brightness, Contrast, Saturation };
// The record's slot for a value of a source kind; -1 for a kind that stores nothing.
int LevelSlot(int sourceKind, Level level);

// One item of a pop-up menu to append.
struct MenuItemSpec {
    UINT flags; // MF_STRING or MF_SEPARATOR, with MF_CHECKED
    UINT id;
    std::string text;
};

// The source pop-up: one item per enumerated device that is not the program's own virtual camera
// (id 2000 + its index in the enumeration, up to 2049; its name, or its description when the name
// is empty; checked when the device is the source), a separator after any device, then the image
// file, video file and desktop items.
std::vector<MenuItemSpec> SourceMenuItems(const std::vector<DeviceInfo>& devices, int activeKind,
                                          const std::string& currentDevice);
// The audio devices: id 2050 + index up to 2099, the virtual camera's left out, the remembered
// one checked (case-sensitive).
std::vector<MenuItemSpec> AudioDeviceItems(const std::vector<std::string>& names, const std::string& currentDevice);

// Whether a device name is the program's own virtual camera, which is never a source.
bool IsOwnVirtualCamera(const std::string& friendlyName);

// The menu text of a skin file: its name with the first character upper-cased and the text from
// its last dot on removed.
std::string SkinMenuText(const std::string& fileName);

// A skin found under the skins folder.
struct SkinFileEntry {
    UINT id;
    std::string name;
    std::string path;
};
// Searches `folder` for "*.skn" entries, recursively, numbering as the Skin menu does: ids from
// firstId + 1; a folder takes one id before its own entries. Entries that would pass lastId, and
// folders whose path exceeds MAX_PATH, are left out.
std::vector<SkinFileEntry> FindSkinFiles(const std::string& folder, UINT firstId, UINT lastId);
