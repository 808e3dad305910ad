// A loaded skin: its forms as trees of element descriptions, the pictures they name and the look
// of skinned menus. Read-only once loaded; forms applied to windows share it.
#pragma once

#include "platform/skin/skin_image.h"
#include "platform/skin/skin_interfaces.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zv::skin {

enum class ElementKind { Form, Image, Panel, Button, Text, Slider, CheckBox, Frame };

// Pictures of the states an element can be in; a missing one falls back to `normal`.
struct StatePictures {
    std::shared_ptr<const SkinImage> normal;
    std::shared_ptr<const SkinImage> hover;
    std::shared_ptr<const SkinImage> pressed;
    std::shared_ptr<const SkinImage> disabled;
};

struct ElementSpec {
    ElementKind kind = ElementKind::Image;
    std::string name;
    RECT rect{};        // relative to the parent element
    bool visible = true;
    bool enabled = true;
    COLORREF colour = CLR_INVALID; // fill under the pictures; CLR_INVALID: none
    StatePictures pictures;        // buttons, images, panels, forms, frames; a slider's track
    StatePictures thumb;           // sliders
    StatePictures checked;         // check boxes: the checked look (pictures: the unchecked one)
    std::shared_ptr<const SkinImage> icon; // drawn centred over a button
    int slice = 0;                 // nine-part scaling of the pictures (corner size)
    std::string text;              // caption of buttons, check boxes and texts (UTF-8)
    std::string tooltip;
    std::array<SkinCaptionStyle, 3> styles{}; // normal, hover, pressed
    LONG minimum = 0, maximum = 100, position = 0;
    bool reversed = false;
    SHORT value = 0; // check boxes
    // Texts: a text taller than the element makes it grow downwards, and the form with it (what
    // lies below the element moves down); a shorter one brings the skin's own layout back.
    bool grows = false;
    std::vector<ElementSpec> children;
};

// How skinned pop-up menus look.
struct MenuLook {
    SkinCaptionStyle font{};
    COLORREF background = RGB(0x25, 0x2A, 0x33);
    COLORREF border = RGB(0x3C, 0x44, 0x52);
    COLORREF text = RGB(0xE6, 0xEA, 0xF0);
    COLORREF highlight = RGB(0x2F, 0x80, 0xED);
    COLORREF highlightText = RGB(0xFF, 0xFF, 0xFF);
    COLORREF grayed = RGB(0x7A, 0x83, 0x91);
    COLORREF separator = RGB(0x3C, 0x44, 0x52);
    int itemHeight = 26;
};

struct SkinDocument {
    std::string name;
    std::vector<ElementSpec> forms; // kind Form, each with its size in rect
    MenuLook menu;

    // Case-insensitive; null when the skin has no such form.
    const ElementSpec* FindForm(const std::string& formName) const;
};

// A caption style with every field at its default: the system's sans face, 13 pixels, light text,
// centred on one line.
SkinCaptionStyle DefaultCaptionStyle();

} // namespace zv::skin
