// Test support for the main program on an X screen: where its window and the skin's elements lie,
// what the screen shows there, and pictures of it kept in ZV_TEST_PICTURES. Included last: it brings
// Xlib, whose macros would spoil headers after it.
#pragma once

#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"
#include "platform/gdi/surface.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/user/gtk/tests/x_screen.h" // Xlib last: its macros would spoil our headers

namespace zv::app::testing {

using zv::user::gtk::test::XdoTool;
using zv::user::gtk::test::XScreen;

// The surface's pixels as bottom-up BGR rows without padding, as the frame road has them.
inline std::vector<BYTE> Pixels(const gdi::Surface& picture)
{
    std::vector<BYTE> bgr;
    bgr.reserve(static_cast<std::size_t>(picture.Width() * picture.Height() * 3));
    for (int y = picture.Height() - 1; y >= 0; --y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const COLORREF c = picture.GetPixel(x, y);
            bgr.insert(bgr.end(), {GetBValue(c), GetGValue(c), GetRValue(c)});
        }
    }
    return bgr;
}

// The main windows on the screen: the viewable top-level windows captioned "Zelvante" at a main
// window's size (the toolkit keeps a small one of that name as well).
inline std::vector<Window> MainXWindows(const XScreen& screen)
{
    std::vector<Window> found;
    for (const Window window : screen.ShownNamed("Zelvante")) {
        const RECT place = screen.PlaceOf(window);
        if (place.right - place.left >= 400 && place.bottom - place.top >= 300)
            found.push_back(window);
    }
    return found;
}

inline bool SavePng(const gdi::Surface& picture, const std::string& path)
{
    CPixImage image(static_cast<DWORD>(picture.Width()), static_cast<DWORD>(picture.Height()), 24, PIXIMAGE_PNG);
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const COLORREF c = picture.GetPixel(x, y);
            // The image's rows count from the bottom.
            image.SetColorAt(x, picture.Height() - 1 - y, MakePixColor(GetRValue(c), GetGValue(c), GetBValue(c)), false);
        }
    }
    return image.Save(path.c_str(), PIXIMAGE_PNG);
}

// The element's rectangle in its window, from the skin's description of the form (by default the
// main window's): each element's rectangle counts from its parent element's corner.
inline std::optional<RECT> SkinElementPlace(const std::string& name, const char* formName = "Skin Main")
{
    pugi::xml_document document;
    if (!document.load_file(ZV_SKIN_XML))
        return std::nullopt;
    const pugi::xml_node form = document.child("skin").find_child_by_attribute("form", "name", formName);
    std::optional<RECT> found;
    const std::function<void(const pugi::xml_node&, int, int)> search = [&](const pugi::xml_node& parent, int dx,
                                                                            int dy) {
        for (const pugi::xml_node& element : parent.children()) {
            if (found)
                return;
            int x = 0, y = 0, width = 0, height = 0;
            if (std::sscanf(element.attribute("rect").as_string(), "%d %d %d %d", &x, &y, &width, &height) != 4)
                continue;
            if (name == element.attribute("name").as_string())
                found = RECT{dx + x, dy + y, dx + x + width, dy + y + height};
            else
                search(element, dx + x, dy + y);
        }
    };
    search(form, 0, 0);
    return found;
}

inline RECT Offset(const RECT& area, const RECT& window)
{
    return RECT{area.left + window.left, area.top + window.top, area.right + window.left, area.bottom + window.top};
}

// The skin element's place on the screen, in the main window lying at `window`.
inline RECT ElementOnScreen(const std::string& element, const RECT& window)
{
    const std::optional<RECT> place = SkinElementPlace(element);
    EXPECT_TRUE(place.has_value()) << element << " is not in the skin";
    return place ? Offset(*place, window) : RECT{};
}

// The xdotool command that moves the pointer to the point of the screen.
inline std::string PointerTo(const POINT& at)
{
    return "mousemove " + std::to_string(at.x) + " " + std::to_string(at.y);
}

// The xdotool command that clicks at the point of the screen.
inline std::string ClickAt(const POINT& at)
{
    return PointerTo(at) + " click 1";
}

// The xdotool command that clicks the middle of the screen rectangle.
inline std::string ClickAt(const RECT& area)
{
    return ClickAt(POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2});
}

// The viewable top-level X windows and where they lie.
inline std::map<Window, RECT> ViewableWindows(const XScreen& screen)
{
    std::map<Window, RECT> viewable;
    for (Window window : screen.Stacking()) {
        const RECT place = screen.PlaceOf(window);
        if (place.right > place.left && place.bottom > place.top)
            viewable[window] = place;
    }
    return viewable;
}

// The places of the viewable top-level windows that were not viewable `before`.
inline std::vector<RECT> NewWindows(const XScreen& screen, const std::map<Window, RECT>& before)
{
    std::vector<RECT> places;
    for (const auto& [window, place] : ViewableWindows(screen)) {
        if (!before.contains(window))
            places.push_back(place);
    }
    return places;
}

inline bool SamePlace(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// What the screen shows in the rectangle, as rows of colours; empty when it cannot be read.
inline std::vector<COLORREF> Colours(const XScreen& screen, const RECT& area)
{
    std::vector<COLORREF> colours;
    if (const auto picture = screen.Capture(area)) {
        for (int y = 0; y < picture->Height(); ++y) {
            for (int x = 0; x < picture->Width(); ++x)
                colours.push_back(picture->GetPixel(x, y));
        }
    }
    return colours;
}

// The strip at a tab's left end, between its edge and its text.
inline RECT TabStrip(const RECT& tab)
{
    return RECT{tab.left + 1, tab.top + 1, tab.left + 7, tab.bottom - 1};
}

inline RECT Union(const RECT& a, const RECT& b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

inline void KeepPicture(const XScreen& screen, const RECT& area, const char* file)
{
    const char* folder = std::getenv("ZV_TEST_PICTURES");
    if (!folder || !*folder)
        return;
    const auto picture = screen.Capture(area);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(SavePng(*picture, std::string(folder) + "/" + file));
}

// A window the program destroys between the listing of the screen's windows and the reading of
// one of them is no error: it is no longer viewable.
inline int IgnoreGoneWindows(::Display*, XErrorEvent* error)
{
    if (error->error_code != BadWindow && error->error_code != BadDrawable)
        ADD_FAILURE() << "X error " << static_cast<int>(error->error_code);
    return 0;
}

} // namespace zv::app::testing
