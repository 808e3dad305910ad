// The form's face: every shown element drawn into the form's 24-bit picture, then copied out.
#include "platform/skin/skin_form.h"

#include "platform/gdi/surface.h"
#include "platform/user/paint.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace zv::skin {
namespace {

enum State { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

const SkinImage* PictureFor(const StatePictures& pictures, int state)
{
    const std::shared_ptr<const SkinImage>* wanted[] = {&pictures.normal, &pictures.hover, &pictures.pressed,
                                                        &pictures.disabled};
    const std::shared_ptr<const SkinImage>& picture = *wanted[state];
    return picture ? picture.get() : pictures.normal.get();
}

RECT Offset(RECT r, POINT by)
{
    r.left += by.x, r.right += by.x, r.top += by.y, r.bottom += by.y;
    return r;
}

} // namespace

void SkinForm::CreatePicture()
{
    const RECT size = Node(0).rect;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.right;
    info.bmiHeader.biHeight = -size.bottom; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    m_picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
    if (!m_picture)
        return;
    m_stride = (size.right * 3 + 3) & ~3;
    m_pictureDC = CreateCompatibleDC(nullptr);
    if (m_pictureDC) {
        m_previousBitmap = SelectObject(m_pictureDC, m_picture);
        SetBkMode(m_pictureDC, TRANSPARENT);
    }
}

void SkinForm::ReleasePicture()
{
    if (m_pictureDC) {
        SelectObject(m_pictureDC, m_previousBitmap);
        DeleteDC(std::exchange(m_pictureDC, nullptr));
    }
    if (m_picture)
        DeleteObject(std::exchange(m_picture, nullptr));
    m_bits = nullptr;
}

int SkinForm::StateOf(int index) const
{
    const SkinNode& node = Node(index);
    if (!node.enabled)
        return kDisabled;
    if (m_pressed == index && m_hot == index)
        return kPressed;
    if (m_hot == index)
        return kHover;
    return kNormal;
}

HFONT SkinForm::FontFor(const SkinCaptionStyle& style)
{
    const std::string face(style.faceName, strnlen(style.faceName, sizeof style.faceName));
    const std::string key = face + '/' + std::to_string(style.height) + '/' + std::to_string(style.weight) + '/' +
                            (style.italic ? "i" : "");
    if (const auto found = m_fonts.find(key); found != m_fonts.end())
        return found->second;
    LOGFONTA font{};
    font.lfHeight = -std::clamp<LONG>(style.height, 1, 400);
    font.lfWeight = style.weight;
    font.lfItalic = style.italic ? 1 : 0;
    std::copy_n(face.c_str(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1), font.lfFaceName);
    HFONT handle = CreateFontIndirectA(&font);
    m_fonts.emplace(key, handle);
    return handle;
}

void SkinForm::DrawCaption(const std::string& text, const SkinCaptionStyle& style, const RECT& rect)
{
    if (text.empty())
        return;
    // A record set by the program may hold any values; margins and shadow offsets are kept small.
    const LONG marginX = std::clamp<LONG>(style.marginX, 0, 1000), marginY = std::clamp<LONG>(style.marginY, 0, 1000);
    const LONG shadowDx = std::clamp<LONG>(style.shadowDx, -100, 100), shadowDy = std::clamp<LONG>(style.shadowDy, -100, 100);
    RECT box{rect.left + marginX, rect.top + marginY, rect.right - marginX, rect.bottom - marginY};
    if (box.right <= box.left || box.bottom <= box.top)
        return;
    HGDIOBJ previous = SelectObject(m_pictureDC, FontFor(style));
    const UINT horizontal = style.format & (DT_CENTER | DT_RIGHT);
    const UINT flags = horizontal | DT_WORDBREAK | DT_NOPREFIX;
    // DrawText places only single lines vertically; the block is placed here, so wrapped and
    // multi-line captions honour DT_VCENTER and DT_BOTTOM too.
    RECT measured = box;
    DrawTextExA(m_pictureDC, text.c_str(), static_cast<int>(text.size()), &measured, flags | DT_CALCRECT, nullptr);
    const int height = measured.bottom - measured.top;
    if (style.format & DT_BOTTOM)
        box.top = std::max(box.top, box.bottom - height);
    else if (style.format & DT_VCENTER)
        box.top = std::max(box.top, box.top + (box.bottom - box.top - height) / 2);
    if (style.shadowColour != CLR_INVALID) {
        RECT shadow = box;
        shadow.left += shadowDx, shadow.right += shadowDx;
        shadow.top += shadowDy, shadow.bottom += shadowDy;
        SetTextColor(m_pictureDC, style.shadowColour);
        DrawTextExA(m_pictureDC, text.c_str(), static_cast<int>(text.size()), &shadow, flags, nullptr);
    }
    SetTextColor(m_pictureDC, style.colour);
    DrawTextExA(m_pictureDC, text.c_str(), static_cast<int>(text.size()), &box, flags, nullptr);
    SelectObject(m_pictureDC, previous);
}

void SkinForm::DrawPictures(const StatePictures& pictures, int state, const RECT& rect, const RECT& clip, int slice)
{
    if (const SkinImage* picture = PictureFor(pictures, state))
        picture->Draw(PixelTarget{static_cast<std::uint8_t*>(m_bits), Node(0).rect.right, Node(0).rect.bottom, m_stride},
                      rect, clip, slice);
}

RECT SkinForm::ThumbRect(int index, const RECT& absolute) const
{
    const SkinNode& node = Node(index);
    const bool horizontal = absolute.right - absolute.left >= absolute.bottom - absolute.top;
    const SkinImage* picture = node.spec->thumb.normal.get();
    const int length = horizontal ? absolute.right - absolute.left : absolute.bottom - absolute.top;
    const int across = horizontal ? absolute.bottom - absolute.top : absolute.right - absolute.left;
    // Without a picture the thumb is a square of the slider's thickness.
    const int thumbLength = std::min(length, picture ? (horizontal ? picture->Width() : picture->Height()) : across);
    const int thumbAcross = std::min(across, picture ? (horizontal ? picture->Height() : picture->Width()) : across);
    const LONG range = node.maximum - node.minimum;
    double share = range > 0 ? static_cast<double>(node.position - node.minimum) / range : 0.0;
    if (node.reversed)
        share = 1.0 - share;
    const int along = static_cast<int>(std::lround(share * (length - thumbLength)));
    const int side = (across - thumbAcross) / 2;
    if (horizontal)
        return RECT{absolute.left + along, absolute.top + side, absolute.left + along + thumbLength,
                    absolute.top + side + thumbAcross};
    return RECT{absolute.left + side, absolute.top + along, absolute.left + side + thumbAcross,
                absolute.top + along + thumbLength};
}

void SkinForm::DrawNode(int index, POINT origin, const RECT& clip)
{
    const SkinNode& node = Node(index);
    if (!node.visible)
        return;
    const RECT rect = index == 0 ? node.rect : Offset(node.rect, origin);
    const RECT inner = gdi::IntersectRects(rect, clip);
    if (gdi::IsEmptyRect(inner))
        return;
    const ElementSpec& spec = *node.spec;
    const PixelTarget target{static_cast<std::uint8_t*>(m_bits), Node(0).rect.right, Node(0).rect.bottom, m_stride};
    if (spec.colour != CLR_INVALID)
        FillTarget(target, rect, inner, spec.colour);
    const int state = StateOf(index);
    switch (spec.kind) {
    case ElementKind::Button:
        DrawPictures(spec.pictures, state, rect, inner, spec.slice);
        if (spec.icon) {
            const int w = spec.icon->Width(), h = spec.icon->Height();
            const int x = rect.left + (rect.right - rect.left - w) / 2, y = rect.top + (rect.bottom - rect.top - h) / 2;
            spec.icon->Draw(target, RECT{x, y, x + w, y + h}, inner, 0);
        }
        break;
    case ElementKind::CheckBox: {
        const StatePictures& box = node.value == 1 ? spec.checked : spec.pictures;
        const SkinImage* picture = PictureFor(box, state == kPressed ? kHover : state);
        if (picture) {
            const int y = rect.top + (rect.bottom - rect.top - picture->Height()) / 2;
            picture->Draw(target, RECT{rect.left, y, rect.left + picture->Width(), y + picture->Height()}, inner, 0);
        }
        break;
    }
    case ElementKind::Slider: {
        // The track keeps its own thickness, centred across the slider, and stretches along it.
        if (const SkinImage* track = PictureFor(spec.pictures, node.enabled ? kNormal : kDisabled)) {
            RECT line = rect;
            if (rect.right - rect.left >= rect.bottom - rect.top) {
                line.top += std::max(0, (rect.bottom - rect.top - track->Height()) / 2);
                line.bottom = std::min(rect.bottom, line.top + track->Height());
            } else {
                line.left += std::max(0, (rect.right - rect.left - track->Width()) / 2);
                line.right = std::min(rect.right, line.left + track->Width());
            }
            track->Draw(target, line, inner, spec.slice);
        }
        const RECT thumb = ThumbRect(index, rect);
        if (const SkinImage* picture = PictureFor(spec.thumb, state))
            picture->Draw(target, thumb, inner, 0);
        else
            FillTarget(target, thumb, inner, node.styles[0].colour);
        break;
    }
    default:
        DrawPictures(spec.pictures, node.enabled ? kNormal : kDisabled, rect, inner, spec.slice);
        break;
    }

    if (spec.kind == ElementKind::Button || spec.kind == ElementKind::Text || spec.kind == ElementKind::CheckBox) {
        RECT textRect = rect;
        if (spec.kind == ElementKind::CheckBox && spec.pictures.normal)
            textRect.left += spec.pictures.normal->Width() + 6;
        const int style = state == kDisabled ? kNormal : state;
        HRGN region = CreateRectRgnIndirect(&inner);
        ExtSelectClipRgn(m_pictureDC, region, RGN_COPY);
        DeleteObject(region);
        DrawCaption(node.text, node.styles[static_cast<std::size_t>(style)], textRect);
    }

    // Children are clipped to their parent.
    for (const int child : node.children)
        DrawNode(child, POINT{rect.left, rect.top}, inner);
}

void SkinForm::Compose(const RECT& area)
{
    if (!m_pictureDC)
        return;
    const RECT clip = gdi::IntersectRects(area, Node(0).rect);
    if (gdi::IsEmptyRect(clip))
        return;
    DrawNode(0, POINT{0, 0}, clip);
    ExtSelectClipRgn(m_pictureDC, nullptr, RGN_COPY);
}

void SkinForm::Paint(HDC dc, const RECT& area, POINT origin)
{
    Compose(area);
    const RECT clip = gdi::IntersectRects(area, Node(0).rect);
    if (gdi::IsEmptyRect(clip))
        return;
    BitBlt(dc, clip.left - origin.x, clip.top - origin.y, clip.right - clip.left, clip.bottom - clip.top, m_pictureDC,
           clip.left, clip.top, SRCCOPY);
}

} // namespace zv::skin
