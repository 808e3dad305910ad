// The edit control. Positions are byte offsets into the text, as the "A" messages count them; the
// caret never stops inside a UTF-8 sequence or between the "\r\n" that ends a line.
#include "platform/user/edit_control.h"

#include "platform/gdi/gdi.h"
#include "platform/user/control_support.h"
#include "platform/user/input.h"
#include "platform/user/paint.h"
#include "platform/user/text_out.h"
#include "platform/user/window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace zv::user {
namespace {

constexpr int kMargin = 3;               // between the client edge and the text
constexpr size_t kDefaultLimit = 0x7FFFFFFE; // what EM_LIMITTEXT(0) restores

struct EditState {
    std::string text;
    size_t anchor = 0; // the end of the selection that stays put
    size_t caret = 0;  // the end that moves; the caret is drawn here
    size_t limit = kDefaultLimit;
    HFONT font = nullptr;
    char passwordChar = 0;
    bool focused = false;
    bool selecting = false; // the left button drags the selection
    bool modified = false;
    int scrollX = 0;       // pixels of text scrolled out at the left
    size_t firstLine = 0;  // the top line shown (several lines)
};

EditState* StateOf(HWND hwnd) { return ControlState<EditState>(hwnd); }

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

size_t NextStop(const std::string& text, size_t at)
{
    if (at >= text.size())
        return text.size();
    if (text.compare(at, 2, "\r\n") == 0)
        return at + 2;
    ++at;
    while (at < text.size() && IsContinuation(text[at]))
        ++at;
    return at;
}

size_t PreviousStop(const std::string& text, size_t at)
{
    if (at == 0)
        return 0;
    if (at >= 2 && text.compare(at - 2, 2, "\r\n") == 0)
        return at - 2;
    --at;
    while (at > 0 && IsContinuation(text[at]))
        --at;
    return at;
}

// A position never inside a character or a line break.
size_t ClampToStop(const std::string& text, size_t at)
{
    at = std::min(at, text.size());
    while (at > 0 && at < text.size() && (IsContinuation(text[at]) || (text[at] == '\n' && text[at - 1] == '\r')))
        --at;
    return at;
}

// Where each line starts; the line runs to the next "\r\n" (or the end).
std::vector<size_t> LineStarts(const std::string& text)
{
    std::vector<size_t> starts{0};
    for (size_t found = text.find("\r\n"); found != std::string::npos; found = text.find("\r\n", found + 2))
        starts.push_back(found + 2);
    return starts;
}

size_t LineOf(const std::vector<size_t>& starts, size_t at)
{
    return static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) - 1;
}

size_t LineEnd(const std::string& text, const std::vector<size_t>& starts, size_t line)
{
    return line + 1 < starts.size() ? starts[line + 1] - 2 : text.size();
}

void Notify(HWND hwnd, WORD code)
{
    SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                 reinterpret_cast<LPARAM>(hwnd));
}

// Measures and draws in the control's font.
class TextContext {
public:
    explicit TextContext(HWND hwnd, HDC hdc = nullptr)
        : m_hwnd(hwnd), m_hdc(hdc ? hdc : GetDC(hwnd)), m_owned(!hdc)
    {
        const EditState* state = StateOf(hwnd);
        m_oldFont = SelectObject(m_hdc, state->font ? state->font : GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICA metrics{};
        GetTextMetricsA(m_hdc, &metrics);
        m_lineHeight = std::max<int>(1, metrics.tmHeight);
    }
    ~TextContext()
    {
        SelectObject(m_hdc, m_oldFont);
        if (m_owned)
            ReleaseDC(m_hwnd, m_hdc);
    }
    TextContext(const TextContext&) = delete;
    TextContext& operator=(const TextContext&) = delete;

    HDC Dc() const { return m_hdc; }
    int LineHeight() const { return m_lineHeight; }
    int Width(const std::string& text) const
    {
        SIZE size{};
        GetTextExtentPoint32A(m_hdc, text.data(), static_cast<int>(text.size()), &size);
        return size.cx;
    }

private:
    HWND m_hwnd;
    HDC m_hdc;
    bool m_owned;
    HGDIOBJ m_oldFont;
    int m_lineHeight = 1;
};

// What the user sees of text[from, to): itself, or the password character once per character.
std::string Shown(HWND hwnd, const std::string& text, size_t from, size_t to)
{
    const EditState* state = StateOf(hwnd);
    if (!state->passwordChar)
        return text.substr(from, to - from);
    std::string masked;
    for (size_t at = from; at < to; at = NextStop(text, at))
        masked += state->passwordChar;
    return masked;
}

// Where text goes: inside the margins; one line sits in the middle of the height.
RECT TextArea(HWND hwnd, const TextContext& context)
{
    RECT area;
    GetClientRect(hwnd, &area);
    area.left += kMargin;
    area.right = std::max(area.left, area.right - kMargin);
    if (StyleOf(hwnd) & ES_MULTILINE)
        area.top += 1;
    else
        area.top += std::max<LONG>(0, (area.bottom - area.top - context.LineHeight()) / 2);
    return area;
}

// Where line `line` starts horizontally on the client area (alignment and scrolling).
int LineOrigin(HWND hwnd, const TextContext& context, const std::vector<size_t>& starts, size_t line)
{
    const EditState* state = StateOf(hwnd);
    const RECT area = TextArea(hwnd, context);
    const DWORD style = StyleOf(hwnd);
    const int width = context.Width(Shown(hwnd, state->text, starts[line], LineEnd(state->text, starts, line)));
    int x = area.left;
    if (style & ES_CENTER)
        x += std::max(0, (static_cast<int>(area.right - area.left) - width) / 2);
    else if (style & ES_RIGHT)
        x += std::max(0, static_cast<int>(area.right - area.left) - width);
    return x - state->scrollX;
}

POINT CaretPoint(HWND hwnd, const TextContext& context, size_t at)
{
    const EditState* state = StateOf(hwnd);
    const std::vector<size_t> starts = LineStarts(state->text);
    const size_t line = LineOf(starts, at);
    const RECT area = TextArea(hwnd, context);
    const int y = area.top + (static_cast<int>(line) - static_cast<int>(state->firstLine)) * context.LineHeight();
    return {LineOrigin(hwnd, context, starts, line) + context.Width(Shown(hwnd, state->text, starts[line], at)), y};
}

// Scrolls so that the caret shows.
void ScrollToCaret(HWND hwnd)
{
    EditState* state = StateOf(hwnd);
    TextContext context(hwnd);
    const RECT area = TextArea(hwnd, context);
    const std::vector<size_t> starts = LineStarts(state->text);
    const size_t line = LineOf(starts, state->caret);
    const size_t visibleLines =
        std::max<size_t>(1, static_cast<size_t>(std::max<LONG>(0, area.bottom - area.top)) / static_cast<size_t>(context.LineHeight()));
    if (line < state->firstLine)
        state->firstLine = line;
    else if (line >= state->firstLine + visibleLines)
        state->firstLine = line - visibleLines + 1;
    const int caretX = CaretPoint(hwnd, context, state->caret).x + state->scrollX;
    const int width = static_cast<int>(area.right - area.left);
    if (caretX - state->scrollX < area.left)
        state->scrollX = std::max(0, static_cast<int>(caretX - area.left - width / 3));
    else if (caretX - state->scrollX >= area.right)
        state->scrollX = caretX - area.right + 1 + width / 3;
    InvalidateRect(hwnd, nullptr, TRUE);
}

// The text position nearest to a client point.
size_t PositionAt(HWND hwnd, POINT point)
{
    const EditState* state = StateOf(hwnd);
    TextContext context(hwnd);
    const RECT area = TextArea(hwnd, context);
    const std::vector<size_t> starts = LineStarts(state->text);
    const int row = point.y < area.top ? 0 : static_cast<int>((point.y - area.top) / context.LineHeight());
    const size_t line = std::min(starts.size() - 1, state->firstLine + static_cast<size_t>(row));
    const size_t end = LineEnd(state->text, starts, line);
    const int origin = LineOrigin(hwnd, context, starts, line);
    size_t best = starts[line];
    int bestDistance = std::abs(static_cast<int>(point.x) - origin);
    for (size_t at = NextStop(state->text, starts[line]); at <= end; at = NextStop(state->text, at)) {
        const int distance = std::abs(static_cast<int>(point.x) - origin -
                                      context.Width(Shown(hwnd, state->text, starts[line], at)));
        if (distance < bestDistance) {
            best = at;
            bestDistance = distance;
        }
        if (at == end)
            break;
    }
    return best;
}

void Select(HWND hwnd, size_t anchor, size_t caret)
{
    EditState* state = StateOf(hwnd);
    state->anchor = ClampToStop(state->text, anchor);
    state->caret = ClampToStop(state->text, caret);
    ScrollToCaret(hwnd);
}

// Moves the caret, dragging the selection along while Shift is down.
void MoveCaret(HWND hwnd, size_t to)
{
    EditState* state = StateOf(hwnd);
    Select(hwnd, GetKeyState(VK_SHIFT) < 0 ? state->anchor : to, to);
}

// Replaces the selection by what fits of `insert` under the limit; whether all of it fitted.
bool ReplaceSelection(HWND hwnd, std::string insert, bool notify)
{
    EditState* state = StateOf(hwnd);
    const size_t from = std::min(state->anchor, state->caret);
    const size_t to = std::max(state->anchor, state->caret);
    const size_t room = state->limit - std::min(state->limit, state->text.size() - (to - from));
    const bool fits = insert.size() <= room;
    if (!fits)
        insert.resize(ClampToStop(insert, room));
    if (from == to && insert.empty())
        return fits;
    state->text.replace(from, to - from, insert);
    state->anchor = state->caret = from + insert.size();
    state->modified = true;
    ScrollToCaret(hwnd);
    if (notify) {
        Notify(hwnd, EN_UPDATE);
        Notify(hwnd, EN_CHANGE);
    }
    return fits;
}

void TypeCharacter(HWND hwnd, char c)
{
    const DWORD style = StyleOf(hwnd);
    if (style & ES_READONLY)
        return;
    if ((style & ES_NUMBER) && (c < '0' || c > '9'))
        return;
    if (style & ES_UPPERCASE)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    else if (style & ES_LOWERCASE)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!ReplaceSelection(hwnd, std::string(1, c), true))
        Notify(hwnd, EN_MAXTEXT);
}

void OnChar(HWND hwnd, WPARAM code)
{
    EditState* state = StateOf(hwnd);
    const DWORD style = StyleOf(hwnd);
    switch (code) {
    case 0x01: // Ctrl+A
        Select(hwnd, 0, state->text.size());
        return;
    case VK_BACK:
        if (style & ES_READONLY)
            return;
        if (state->anchor == state->caret)
            state->anchor = PreviousStop(state->text, state->caret);
        ReplaceSelection(hwnd, {}, true);
        return;
    case VK_RETURN:
        if ((style & ES_MULTILINE) && (style & ES_WANTRETURN) && !(style & ES_READONLY)) {
            if (!ReplaceSelection(hwnd, "\r\n", true))
                Notify(hwnd, EN_MAXTEXT);
        }
        return;
    default:
        if (code >= 0x20 && code <= 0xFF && code != 0x7F)
            TypeCharacter(hwnd, static_cast<char>(code));
    }
}

void OnKeyDown(HWND hwnd, WPARAM key)
{
    EditState* state = StateOf(hwnd);
    const std::string& text = state->text;
    const std::vector<size_t> starts = LineStarts(text);
    const size_t line = LineOf(starts, state->caret);
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const size_t from = std::min(state->anchor, state->caret);
    const size_t to = std::max(state->anchor, state->caret);
    switch (key) {
    case VK_LEFT:
        MoveCaret(hwnd, !shift && from != to ? from : PreviousStop(text, state->caret));
        break;
    case VK_RIGHT:
        MoveCaret(hwnd, !shift && from != to ? to : NextStop(text, state->caret));
        break;
    case VK_HOME:
        MoveCaret(hwnd, control ? 0 : starts[line]);
        break;
    case VK_END:
        MoveCaret(hwnd, control ? text.size() : LineEnd(text, starts, line));
        break;
    case VK_UP:
    case VK_DOWN: {
        if (!(StyleOf(hwnd) & ES_MULTILINE)) {
            MoveCaret(hwnd, key == VK_UP ? PreviousStop(text, state->caret) : NextStop(text, state->caret));
            break;
        }
        if ((key == VK_UP && line == 0) || (key == VK_DOWN && line + 1 >= starts.size()))
            break;
        POINT point;
        {
            TextContext context(hwnd);
            point = CaretPoint(hwnd, context, state->caret);
            point.y += (key == VK_UP ? -1 : 1) * context.LineHeight();
            const LONG top = TextArea(hwnd, context).top;
            if (point.y < top) {
                state->firstLine -= 1; // the line above is out of view: bring it in first
                point.y = top;
            }
        }
        MoveCaret(hwnd, PositionAt(hwnd, point));
        break;
    }
    case VK_DELETE:
        if (StyleOf(hwnd) & ES_READONLY)
            break;
        if (from == to)
            state->caret = NextStop(text, state->caret);
        ReplaceSelection(hwnd, {}, true);
        break;
    default:
        break;
    }
}

void Paint(HWND hwnd)
{
    EditState* state = StateOf(hwnd);
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hwnd, &paint);
    const DWORD style = StyleOf(hwnd);
    const bool enabled = IsWindowEnabled(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(hdc, &client, GetSysColorBrush((style & ES_READONLY) || !enabled ? COLOR_BTNFACE : COLOR_WINDOW));
    {
        TextContext context(hwnd, hdc);
        const RECT area = TextArea(hwnd, context);
        SetBkMode(hdc, TRANSPARENT);
        const std::vector<size_t> starts = LineStarts(state->text);
        const size_t from = std::min(state->anchor, state->caret);
        const size_t to = std::max(state->anchor, state->caret);
        const bool showSelection = from != to && (state->focused || (style & ES_NOHIDESEL));
        for (size_t line = state->firstLine; line < starts.size(); ++line) {
            const int y = area.top + static_cast<int>(line - state->firstLine) * context.LineHeight();
            if (y >= area.bottom)
                break;
            const size_t begin = starts[line];
            const size_t end = LineEnd(state->text, starts, line);
            const int x = LineOrigin(hwnd, context, starts, line);
            const std::string shown = Shown(hwnd, state->text, begin, end);
            SetTextColor(hdc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
            ExtTextOutA(hdc, x, y, ETO_CLIPPED, &area, shown.data(), static_cast<UINT>(shown.size()), nullptr);
            const size_t selBegin = std::clamp(from, begin, end);
            const size_t selEnd = std::clamp(to, begin, end);
            if (showSelection && selBegin < selEnd) {
                const int left = x + context.Width(Shown(hwnd, state->text, begin, selBegin));
                const std::string selected = Shown(hwnd, state->text, selBegin, selEnd);
                const RECT box{left, y, left + context.Width(selected), y + context.LineHeight()};
                RECT visibleBox = box;
                visibleBox.left = std::max(box.left, area.left);
                visibleBox.right = std::min(box.right, area.right);
                FillRect(hdc, &visibleBox, GetSysColorBrush(COLOR_HIGHLIGHT));
                SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
                ExtTextOutA(hdc, left, y, ETO_CLIPPED, &visibleBox, selected.data(), static_cast<UINT>(selected.size()),
                            nullptr);
            }
        }
        if (state->focused) {
            const POINT caret = CaretPoint(hwnd, context, state->caret);
            const RECT bar{caret.x, caret.y, caret.x + 1, caret.y + context.LineHeight()};
            FillRect(hdc, &bar, GetSysColorBrush(COLOR_WINDOWTEXT));
        }
    }
    EndPaint(hwnd, &paint);
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    EditState* state = StateOf(hwnd);
    if (!state && message != WM_NCCREATE)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE: {
        auto* created = new EditState;
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (create->lpszName)
            created->text = create->lpszName;
        if (create->style & ES_PASSWORD)
            created->passwordChar = '*';
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(created));
        return TRUE;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, 0, 0);
        delete state;
        return 0;
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if ((StyleOf(hwnd) & ES_MULTILINE) && (StyleOf(hwnd) & ES_WANTRETURN))
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_SETTEXT:
        state->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        state->anchor = state->caret = 0;
        state->scrollX = 0;
        state->firstLine = 0;
        state->modified = false;
        InvalidateRect(hwnd, nullptr, TRUE);
        Notify(hwnd, EN_UPDATE);
        Notify(hwnd, EN_CHANGE);
        return TRUE;
    case WM_GETTEXT:
        if (wParam == 0 || !lParam)
            return 0;
        return CopyTextOut(state->text, reinterpret_cast<char*>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(state->text.size());
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam))
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(state->font);
    case WM_SETFOCUS:
        state->focused = true;
        InvalidateRect(hwnd, nullptr, TRUE);
        Notify(hwnd, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        state->focused = false;
        InvalidateRect(hwnd, nullptr, TRUE);
        Notify(hwnd, EN_KILLFOCUS);
        return 0;
    case WM_CHAR:
        OnChar(hwnd, wParam);
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(hwnd, wParam);
        return 0;
    case WM_LBUTTONDOWN: {
        if (GetFocus() != hwnd)
            SetFocus(hwnd);
        const size_t at = PositionAt(hwnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        MoveCaret(hwnd, at);
        state->selecting = true;
        SetCapture(hwnd);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        Select(hwnd, 0, state->text.size());
        return 0;
    case WM_MOUSEMOVE:
        if (state->selecting && GetCapture() == hwnd)
            Select(hwnd, state->anchor, PositionAt(hwnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (state->selecting) {
            state->selecting = false;
            if (GetCapture() == hwnd)
                ReleaseCapture();
        }
        return 0;
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills the whole client area
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case EM_GETSEL: {
        const size_t from = std::min(state->anchor, state->caret);
        const size_t to = std::max(state->anchor, state->caret);
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(from);
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(to);
        return static_cast<LRESULT>(MAKELONG(static_cast<unsigned>(std::min<size_t>(from, 0xFFFF)),
                                             static_cast<unsigned>(std::min<size_t>(to, 0xFFFF))));
    }
    case EM_SETSEL: {
        const auto start = static_cast<LONG>(wParam);
        const auto end = static_cast<LONG>(lParam);
        const size_t size = state->text.size();
        if (start < 0) { // removes the selection, the caret stays
            Select(hwnd, state->caret, state->caret);
            return 0;
        }
        const size_t to = end < 0 ? size : std::min<size_t>(static_cast<size_t>(end), size);
        Select(hwnd, std::min<size_t>(static_cast<size_t>(start), size), to);
        return 0;
    }
    case EM_REPLACESEL:
        ReplaceSelection(hwnd, lParam ? reinterpret_cast<const char*>(lParam) : "", true);
        return 0;
    case EM_SCROLLCARET:
        ScrollToCaret(hwnd);
        return TRUE;
    case EM_GETMODIFY:
        return state->modified;
    case EM_SETMODIFY:
        state->modified = wParam != 0;
        return 0;
    case EM_GETLINECOUNT:
        return static_cast<LRESULT>(LineStarts(state->text).size());
    case EM_LIMITTEXT:
        state->limit = wParam == 0 ? kDefaultLimit : static_cast<size_t>(wParam);
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(state->limit);
    case EM_SETREADONLY: {
        const DWORD style = StyleOf(hwnd);
        SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(wParam ? style | ES_READONLY : style & ~ES_READONLY));
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case EM_SETPASSWORDCHAR:
        state->passwordChar = static_cast<char>(wParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case EM_GETPASSWORDCHAR:
        return static_cast<unsigned char>(state->passwordChar);
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

} // namespace

bool RegisterEditClass()
{
    return RegisterControlClass(kEditClassName, EditProc, IDC_IBEAM, CS_DBLCLKS);
}

} // namespace zv::user
