// Dialog units: a horizontal unit is a quarter of the dialog font's average character width
// (over "A".."Z" and "a".."z"), a vertical unit an eighth of its height. "MS Shell Dlg" (the
// dialog font of templates and the system's own) is drawn with Liberation Sans; sizes are points
// at 96 pixels per inch. Fonts are measured once through platform/gdi and remembered.
#pragma once

#include "platform/user/dialog_template.h"

#include <optional>
#include <string>
#include <vector>

namespace zv::user {

struct DialogBaseUnits {
    int cx = 0; // average character width in pixels
    int cy = 0; // character height in pixels
};

// nullopt when no font can be made for the face.
std::optional<DialogBaseUnits> BaseUnitsOfFont(const std::string& face, int pointSize, int weight = 400,
                                               bool italic = false);
// Those of the template's font, or of the system dialog font when it names none.
std::optional<DialogBaseUnits> BaseUnitsOfTemplate(const DialogTemplate& dialog);

// MapDialogRect's rule: left and right * cx / 4, top and bottom * cy / 8, rounded.
RECT DialogUnitsToPixels(const RECT& units, DialogBaseUnits base);

// A template in pixels: the dialog's client rectangle and each item's rectangle within it.
struct DialogPixelLayout {
    DialogBaseUnits base;
    RECT dialog{};
    std::vector<RECT> items;
};
std::optional<DialogPixelLayout> LayoutInPixels(const DialogTemplate& dialog);

} // namespace zv::user

// The base units of the system dialog font ("MS Shell Dlg" 8 pt): width in the low word,
// height in the high word.
LONG GetDialogBaseUnits();
