#include "platform/skin/skin_form.h"

#include "platform/skin/skin_element_object.h"
#include "platform/skin/skin_tooltip.h"
#include "platform/skin/skin_window_class.h"
#include "platform/user/input.h"
#include "platform/user/paint.h"
#include "platform/user/system_metrics.h"
#include "platform/user/timers.h"
#include "platform/user/window.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <strings.h>
#include <utility>

namespace zv::skin {
namespace {

constexpr UINT_PTR kTooltipTimer = 0x5A51;
constexpr UINT_PTR kLeaveTimer = 0x5A52;
constexpr UINT kTooltipDelay = 600; // ms of rest over an element before its tooltip shows
constexpr UINT kLeaveCheck = 100;   // ms between checks whether the pointer left the window
constexpr const char* kFrameClass = "ZvSkinFrame";

std::mutex g_formsLock;
std::map<HWND, std::shared_ptr<SkinForm>>& Forms()
{
    static std::map<HWND, std::shared_ptr<SkinForm>> forms;
    return forms;
}

bool Interactive(const SkinNode& node)
{
    const ElementKind kind = node.spec->kind;
    return kind == ElementKind::Button || kind == ElementKind::CheckBox || kind == ElementKind::Slider;
}

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// A frame's window paints the part of the form under it, so the form looks whole until the
// program puts something of its own there.
LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_PAINT) {
        PaintFormUnder(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK SkinFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<SkinForm> form = SkinForm::Of(window);
    if (!form)
        return DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC previous = form->m_previousProc;
    if (message == WM_NCDESTROY) {
        form->Detach();
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (form->Handle(message, wParam, lParam, &result))
        return result;
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

std::shared_ptr<SkinForm> SkinForm::Apply(HWND window, std::shared_ptr<const SkinDocument> skin,
                                          const ElementSpec& formSpec, std::shared_ptr<SkinEventTarget> events)
{
    if (!IsWindow(window) || GetWindowThreadProcessId(window, nullptr) != user::CurrentThreadId())
        return nullptr;
    std::shared_ptr<SkinForm> form(new SkinForm());
    form->m_skin = std::move(skin);
    form->m_events = std::move(events);
    form->Build(formSpec, -1);
    form->CreatePicture();
    if (!form->m_pictureDC)
        return nullptr;

    if (const std::shared_ptr<SkinForm> old = Of(window)) {
        // The new form takes the window over from the old one, keeping the window's own procedure.
        form->m_previousProc = old->m_previousProc;
        old->m_previousProc = nullptr;
        old->Detach();
    } else {
        form->m_previousProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    }
    form->m_window = window;
    {
        std::lock_guard lock(g_formsLock);
        Forms()[window] = form;
    }
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinFormProc));

    form->FitWindowToForm();
    form->CreateFrameWindows();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return form;
}

void PaintFormUnder(HWND child)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(child, &paint);
    HWND parent = GetParent(child);
    if (const std::shared_ptr<SkinForm> form = SkinForm::Of(parent)) {
        POINT origin{0, 0};
        MapWindowPoints(child, parent, &origin, 1);
        RECT area = paint.rcPaint;
        area.left += origin.x, area.right += origin.x, area.top += origin.y, area.bottom += origin.y;
        form->Paint(dc, area, origin);
    }
    EndPaint(child, &paint);
}

std::shared_ptr<SkinForm> SkinForm::Of(HWND window)
{
    std::lock_guard lock(g_formsLock);
    const auto found = Forms().find(window);
    return found == Forms().end() ? nullptr : found->second;
}

SkinForm::~SkinForm()
{
    ReleasePicture();
    for (const auto& [key, font] : m_fonts)
        DeleteObject(font);
}

void SkinForm::Detach()
{
    HWND window = std::exchange(m_window, nullptr);
    if (!window)
        return;
    if (m_tooltip)
        DestroyWindow(std::exchange(m_tooltip, nullptr));
    for (SkinNode& node : m_nodes) {
        if (node.window && IsWindow(node.window))
            DestroyWindow(node.window);
        node.window = nullptr;
    }
    KillTimer(window, kTooltipTimer);
    KillTimer(window, kLeaveTimer);
    if (GetCapture() == window)
        ReleaseCapture();
    if (m_previousProc)
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
    std::shared_ptr<SkinForm> keep; // released outside the lock: it may be the last reference
    {
        std::lock_guard lock(g_formsLock);
        const auto found = Forms().find(window);
        if (found != Forms().end() && found->second.get() == this) {
            keep = std::move(found->second);
            Forms().erase(found);
        }
    }
}

void SkinForm::Build(const ElementSpec& spec, int parent)
{
    const int index = Count();
    SkinNode node;
    node.spec = &spec;
    node.parent = parent;
    node.rect = spec.rect;
    node.visible = spec.visible;
    node.enabled = spec.enabled;
    node.text = spec.text;
    node.tooltip = spec.tooltip;
    node.styles = spec.styles;
    node.minimum = spec.minimum;
    node.maximum = spec.maximum;
    node.position = spec.position;
    node.reversed = spec.reversed;
    node.value = spec.value;
    m_nodes.push_back(std::move(node));
    if (parent >= 0)
        Node(parent).children.push_back(index);
    for (const ElementSpec& child : spec.children)
        Build(child, index);
}

void SkinForm::CreateFrameWindows()
{
    RegisterSkinWindowClass(kFrameClass, FrameProc);
    for (int i = 0; i < Count(); ++i) {
        if (Node(i).spec->kind != ElementKind::Frame)
            continue;
        const RECT r = AbsoluteRect(i);
        Node(i).window = CreateWindowExA(0, kFrameClass, Node(i).spec->name.c_str(), WS_CHILD | WS_CLIPSIBLINGS,
                                         r.left, r.top, r.right - r.left, r.bottom - r.top, m_window, nullptr,
                                         nullptr, nullptr);
    }
    ShowFrameWindows();
}

void SkinForm::ShowFrameWindows()
{
    for (int i = 0; i < Count(); ++i) {
        if (Node(i).window)
            ShowWindow(Node(i).window, Shown(i) ? SW_SHOWNA : SW_HIDE);
    }
}

int SkinForm::Find(const std::string& name) const
{
    for (int i = 0; i < Count(); ++i) {
        if (strcasecmp(Node(i).spec->name.c_str(), name.c_str()) == 0)
            return i;
    }
    return -1;
}

RECT SkinForm::AbsoluteRect(int index) const
{
    RECT r = Node(index).rect;
    for (int p = Node(index).parent; p > 0; p = Node(p).parent) {
        r.left += Node(p).rect.left, r.right += Node(p).rect.left;
        r.top += Node(p).rect.top, r.bottom += Node(p).rect.top;
    }
    return r;
}

bool SkinForm::Shown(int index) const
{
    for (int i = index; i >= 0; i = Node(i).parent) {
        if (!Node(i).visible)
            return false;
    }
    return true;
}

void SkinForm::SetVisible(int index, bool visible)
{
    if (Node(index).visible == visible)
        return;
    Node(index).visible = visible;
    if (!visible) {
        // What is under a hidden element takes no input any more.
        const auto under = [&](int node) {
            for (int i = node; i >= 0; i = Node(i).parent) {
                if (i == index)
                    return true;
            }
            return false;
        };
        if (m_hot >= 0 && under(m_hot))
            m_hot = -1;
        if (m_tipNode >= 0 && under(m_tipNode)) {
            m_tipNode = -1;
            HideTooltip();
        }
        if (m_pressed >= 0 && under(m_pressed) && m_window && GetCapture() == m_window)
            ReleaseCapture();
    }
    ShowFrameWindows();
    Refresh(index);
}

void SkinForm::FitWindowToForm()
{
    // The frame around the client area stays as it is.
    RECT windowRect, client;
    GetWindowRect(m_window, &windowRect);
    GetClientRect(m_window, &client);
    const int width = Node(0).rect.right + (windowRect.right - windowRect.left) - client.right;
    const int height = Node(0).rect.bottom + (windowRect.bottom - windowRect.top) - client.bottom;
    SetWindowPos(m_window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SkinForm::MoveFrameWindows()
{
    for (int i = 0; i < Count(); ++i) {
        if (!Node(i).window)
            continue;
        const RECT r = AbsoluteRect(i);
        SetWindowPos(Node(i).window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void SkinForm::SetText(int index, std::string text)
{
    Node(index).text = std::move(text);
    if (Node(index).spec->grows)
        FitToText(index);
    Refresh(index);
}

int SkinForm::TextHeight(int index)
{
    const SkinNode& node = Node(index);
    if (node.text.empty() || !m_pictureDC)
        return 0;
    const SkinCaptionStyle& style = node.styles[0];
    // As the caption is drawn: inside the margins, wrapped at the element's width.
    const LONG marginX = std::clamp<LONG>(style.marginX, 0, 1000), marginY = std::clamp<LONG>(style.marginY, 0, 1000);
    RECT measured{0, 0, std::max<LONG>(1, node.rect.right - node.rect.left - 2 * marginX), 0};
    HGDIOBJ previous = SelectObject(m_pictureDC, FontFor(style));
    DrawTextExA(m_pictureDC, node.text.c_str(), static_cast<int>(node.text.size()), &measured,
                (style.format & (DT_CENTER | DT_RIGHT)) | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT, nullptr);
    SelectObject(m_pictureDC, previous);
    return static_cast<int>(measured.bottom - measured.top + 2 * marginY);
}

void SkinForm::FitToText(int index)
{
    if (!m_window)
        return;
    const RECT& skinRect = Node(index).spec->rect;
    const LONG skinHeight = skinRect.bottom - skinRect.top;
    const LONG height = Node(index).rect.bottom - Node(index).rect.top;
    LONG wanted = std::max<LONG>(skinHeight, TextHeight(index));
    // The window never grows past the work area: a longer text is cut there.
    RECT area{}, windowRect{}, client{};
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) && GetWindowRect(m_window, &windowRect) &&
        GetClientRect(m_window, &client)) {
        const LONG frame = (windowRect.bottom - windowRect.top) - client.bottom;
        const LONG room = (area.bottom - area.top) - frame - (Node(0).rect.bottom - height);
        wanted = std::max(skinHeight, std::min(wanted, room));
    }
    const LONG delta = wanted - height;
    if (delta == 0)
        return;
    // The element, and each element holding it, grows; what lies below each of them moves.
    for (int at = index;;) {
        SkinNode& node = Node(at);
        const LONG oldBottom = node.rect.bottom;
        node.rect.bottom += delta;
        if (node.parent < 0)
            break;
        for (const int sibling : Node(node.parent).children) {
            RECT& r = Node(sibling).rect;
            if (sibling != at && r.top >= oldBottom)
                r.top += delta, r.bottom += delta;
        }
        at = node.parent;
    }
    ReleasePicture();
    CreatePicture();
    FitWindowToForm();
    MoveFrameWindows();
    RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void SkinForm::SetTooltip(int index, std::string text)
{
    Node(index).tooltip = std::move(text);
    if (index == m_tipNode && Node(index).tooltip.empty()) {
        m_tipNode = -1;
        HideTooltip();
    }
}

void SkinForm::Refresh(int index)
{
    if (!m_window)
        return;
    const RECT r = AbsoluteRect(index);
    RedrawWindow(m_window, &r, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void SkinForm::SetPosition(int index, LONG position)
{
    SkinNode& node = Node(index);
    node.position = std::clamp(position, node.minimum, node.maximum);
}

int SkinForm::HitFrom(int index, POINT point, POINT origin, bool interactiveOnly) const
{
    const SkinNode& node = Node(index);
    RECT r = node.rect;
    if (index != 0) {
        r.left += origin.x, r.right += origin.x, r.top += origin.y, r.bottom += origin.y;
    }
    if (!node.visible || !Inside(r, point))
        return -1;
    const POINT inner = index == 0 ? origin : POINT{r.left, r.top};
    for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
        const int hit = HitFrom(*child, point, inner, interactiveOnly);
        if (hit >= 0)
            return hit;
    }
    return !interactiveOnly || Interactive(node) ? index : -1;
}

int SkinForm::HitTest(POINT point, bool interactiveOnly) const { return HitFrom(0, point, POINT{0, 0}, interactiveOnly); }

void SkinForm::HideTooltip()
{
    if (m_tooltip && IsWindowVisible(m_tooltip))
        ShowWindow(m_tooltip, SW_HIDE);
}

void SkinForm::SetHot(int index)
{
    if (index == m_hot)
        return;
    const int old = std::exchange(m_hot, index);
    if (old >= 0)
        Refresh(old);
    if (index >= 0)
        Refresh(index);
}

void SkinForm::OnMouseMove(POINT point)
{
    if (m_pressed >= 0) {
        if (m_dragging) {
            DragSlider(m_pressed, point);
            return;
        }
        // A pressed element looks pressed only while the pointer is over it.
        SetHot(HitTest(point, true) == m_pressed ? m_pressed : -1);
        return;
    }
    SetHot(HitTest(point, true));
    // The tooltip belongs to the deepest element under the pointer that has one.
    int tip = HitTest(point, false);
    while (tip > 0 && Node(tip).tooltip.empty())
        tip = Node(tip).parent;
    if (tip >= 0 && Node(tip).tooltip.empty())
        tip = -1;
    if (tip != m_tipNode) {
        m_tipNode = tip;
        HideTooltip();
        if (tip >= 0)
            SetTimer(m_window, kTooltipTimer, kTooltipDelay, nullptr);
        else
            KillTimer(m_window, kTooltipTimer);
    }
    SetTimer(m_window, kLeaveTimer, kLeaveCheck, nullptr);
}

void SkinForm::OnButtonDown(POINT point)
{
    HideTooltip();
    KillTimer(m_window, kTooltipTimer);
    const int index = HitTest(point, true);
    if (index < 0 || !Node(index).enabled)
        return;
    m_pressed = index;
    m_hot = index;
    SetCapture(m_window);
    if (Node(index).spec->kind == ElementKind::Slider) {
        const RECT absolute = AbsoluteRect(index);
        const RECT thumb = ThumbRect(index, absolute);
        const bool horizontal = absolute.right - absolute.left >= absolute.bottom - absolute.top;
        m_dragging = true;
        if (Inside(thumb, point)) {
            m_dragGrab = horizontal ? point.x - thumb.left : point.y - thumb.top;
        } else {
            // A click on the track brings the thumb's middle there.
            m_dragGrab = horizontal ? (thumb.right - thumb.left) / 2 : (thumb.bottom - thumb.top) / 2;
            DragSlider(index, point);
        }
    }
    Refresh(index);
}

void SkinForm::OnButtonUp(POINT point)
{
    const int index = std::exchange(m_pressed, -1);
    const bool wasDragging = std::exchange(m_dragging, false);
    if (GetCapture() == m_window)
        ReleaseCapture();
    if (index < 0)
        return;
    const bool over = HitTest(point, true) == index;
    m_hot = over ? index : -1;
    Refresh(index);
    if (!over || wasDragging)
        return;
    if (Node(index).spec->kind == ElementKind::CheckBox) {
        Node(index).value = Node(index).value == 1 ? 0 : 1;
        Refresh(index);
    }
    FireClick(index);
}

void SkinForm::DragSlider(int index, POINT point)
{
    SkinNode& node = Node(index);
    const RECT absolute = AbsoluteRect(index);
    const RECT thumb = ThumbRect(index, absolute);
    const bool horizontal = absolute.right - absolute.left >= absolute.bottom - absolute.top;
    const int travel = horizontal ? (absolute.right - absolute.left) - (thumb.right - thumb.left)
                                  : (absolute.bottom - absolute.top) - (thumb.bottom - thumb.top);
    const int offset = horizontal ? point.x - absolute.left - m_dragGrab : point.y - absolute.top - m_dragGrab;
    double share = travel > 0 ? std::clamp(static_cast<double>(offset) / travel, 0.0, 1.0) : 0.0;
    if (node.reversed)
        share = 1.0 - share;
    const LONG position = node.minimum + static_cast<LONG>(std::lround(share * (node.maximum - node.minimum)));
    if (position == node.position)
        return;
    node.position = position;
    Refresh(index);
    FireScroll(index);
}

void SkinForm::OnWheel(POINT screenPoint, int delta)
{
    POINT point = screenPoint;
    ScreenToClient(m_window, &point);
    const int index = HitTest(point, true);
    if (index < 0 || Node(index).spec->kind != ElementKind::Slider || !Node(index).enabled)
        return;
    SkinNode& node = Node(index);
    const RECT r = AbsoluteRect(index);
    const bool horizontal = r.right - r.left >= r.bottom - r.top;
    // Turning the wheel away moves the thumb right or up, whichever end that is.
    const bool awayRaises = horizontal != node.reversed;
    const LONG step = std::max<LONG>(1, (node.maximum - node.minimum) / 20);
    const LONG notches = delta / WHEEL_DELTA;
    const LONG position =
        std::clamp<LONG>(node.position + (awayRaises ? 1 : -1) * notches * step, node.minimum, node.maximum);
    if (position == node.position)
        return;
    node.position = position;
    Refresh(index);
    FireScroll(index);
}

void SkinForm::OnTimer(UINT_PTR id)
{
    if (id == kTooltipTimer) {
        KillTimer(m_window, kTooltipTimer);
        if (m_tipNode < 0 || !Shown(m_tipNode) || Node(m_tipNode).tooltip.empty() || m_pressed >= 0)
            return;
        POINT cursor;
        GetCursorPos(&cursor);
        m_tooltip = ShowSkinTooltip(m_tooltip, m_window, m_skin->menu, Node(m_tipNode).tooltip, cursor);
        return;
    }
    // kLeaveTimer: nothing says when the pointer leaves, so look.
    POINT cursor;
    RECT windowRect;
    GetCursorPos(&cursor);
    GetWindowRect(m_window, &windowRect);
    if (m_pressed >= 0 || Inside(windowRect, cursor))
        return;
    KillTimer(m_window, kLeaveTimer);
    KillTimer(m_window, kTooltipTimer);
    m_tipNode = -1;
    HideTooltip();
    SetHot(-1);
}

void SkinForm::FireClick(int index)
{
    if (!m_events)
        return;
    IUnknown* element = NewSkinElement(shared_from_this(), index);
    m_events->FireClick(element);
    element->Release();
}

void SkinForm::FireScroll(int index)
{
    if (!m_events)
        return;
    IUnknown* element = NewSkinElement(shared_from_this(), index);
    m_events->FireScroll(element, Node(index).position);
    element->Release();
}

bool SkinForm::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_ERASEBKGND:
        *result = 1;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(m_window, &paint);
        Paint(dc, paint.rcPaint, POINT{0, 0});
        EndPaint(m_window, &paint);
        return true;
    }
    case WM_MOUSEMOVE:
        OnMouseMove(point);
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnButtonDown(point);
        return true;
    case WM_LBUTTONUP:
        OnButtonUp(point);
        return true;
    case WM_MOUSEWHEEL:
        OnWheel(point, GET_WHEEL_DELTA_WPARAM(wParam));
        return true;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != m_window && m_pressed >= 0) {
            const int index = std::exchange(m_pressed, -1);
            m_dragging = false;
            Refresh(index);
        }
        return false;
    case WM_TIMER:
        if (wParam != kTooltipTimer && wParam != kLeaveTimer)
            return false;
        OnTimer(wParam);
        return true;
    default:
        return false;
    }
}

} // namespace zv::skin
