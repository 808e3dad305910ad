#include "platform/user/dialog.h"

#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_text.h"
#include "platform/user/button.h"
#include "platform/user/dialog_state.h"
#include "platform/user/dialog_template.h"
#include "platform/user/dialog_units.h"
#include "platform/user/hosted_control.h"
#include "platform/user/input.h"
#include "platform/user/system_classes.h"
#include "platform/user/window_model.h"
#include "platform/win32/last_error.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace zv::user {
namespace {

constexpr const char* kDialogClass = "#32770";
// A template in memory carries no size; a well-formed one is read only up to its own end.
constexpr std::size_t kTemplateReadBound = std::size_t{1} << 20;
constexpr int kDefaultDialogPointSize = 8;

struct DialogStates {
    std::mutex mutex;
    std::map<HWND, std::shared_ptr<DialogState>> byWindow;
};

DialogStates& States()
{
    static DialogStates states;
    return states;
}

void ForgetDialogState(HWND dialog)
{
    std::shared_ptr<DialogState> state;
    {
        auto& states = States();
        std::lock_guard lock(states.mutex);
        auto it = states.byWindow.find(dialog);
        if (it == states.byWindow.end())
            return;
        state = it->second;
        states.byWindow.erase(it);
    }
    if (state->ownsFont)
        DeleteObject(state->font);
}

DLGPROC DialogProcedureOf(HWND dialog)
{
    return reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
}

// Messages whose dialog procedure answer is the result itself rather than a handled flag.
bool AnswersDirectly(UINT message)
{
    return message == WM_INITDIALOG || message == WM_QUERYDRAGICON ||
           (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC);
}

bool IsPushButton(HWND control)
{
    const LRESULT code = SendMessageA(control, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// The default look moves to the new default push button.
void SetDefaultId(HWND dialog, DialogState& state, int id)
{
    if (HWND old = state.defaultId ? GetDlgItem(dialog, state.defaultId) : nullptr; old && IsPushButton(old))
        SendMessageA(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    state.defaultId = id;
    if (HWND button = id ? GetDlgItem(dialog, id) : nullptr; button && IsPushButton(button))
        SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void FocusControl(HWND control)
{
    if (!control)
        return;
    SetFocus(control);
    if (SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageA(control, EM_SETSEL, 0, -1);
}

LRESULT DefaultDialogAnswer(HWND dialog, DialogState* state, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE: {
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (cancel && !IsWindowEnabled(cancel))
            return 0;
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case DM_GETDEFID:
        if (state && state->defaultId)
            return MAKELONG(static_cast<unsigned>(state->defaultId), DC_HASDEFID);
        return 0;
    case DM_SETDEFID:
        if (state)
            SetDefaultId(dialog, *state, static_cast<int>(wParam));
        return TRUE;
    case WM_GETFONT:
        return state ? reinterpret_cast<LRESULT>(state->font) : 0;
    case WM_ACTIVATE:
        if (!state)
            break;
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(dialog, focus))
                state->savedFocus = focus;
            return 0;
        }
        // A late word of an activation already passed to another window (a modal box shown
        // meanwhile) moves no focus: SetFocus would take the activation back.
        if (!zv::user::IsActiveTopLevel(dialog))
            return 0;
        if (state->savedFocus && IsWindow(state->savedFocus) && IsChild(dialog, state->savedFocus))
            FocusControl(state->savedFocus);
        else if (HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE))
            FocusControl(first);
        else
            SetFocus(dialog);
        return 0;
    case WM_SETFOCUS:
        if (state && state->savedFocus && IsWindow(state->savedFocus) && IsChild(dialog, state->savedFocus))
            FocusControl(state->savedFocus);
        return 0;
    case WM_NEXTDLGCTL:
        if (lParam)
            FocusControl(reinterpret_cast<HWND>(wParam));
        else
            FocusControl(GetNextDlgTabItem(dialog, GetFocus(), wParam != 0));
        return 0;
    case WM_NCDESTROY:
        ForgetDialogState(dialog);
        break;
    default:
        break;
    }
    return DefWindowProcA(dialog, message, wParam, lParam);
}

// The template's font: the system dialog font (the stock one) unless it names another.
HFONT FontOfTemplate(const DialogTemplate& dialog, bool& owned)
{
    owned = false;
    const bool systemFont = !dialog.hasFont || dialog.typeface.empty() || dialog.pointSize == 0 ||
                            (strcasecmp(dialog.typeface.c_str(), "MS Shell Dlg") == 0 &&
                             dialog.pointSize == kDefaultDialogPointSize && dialog.weight <= 400 && !dialog.italic);
    if (systemFont)
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA font{};
    font.lfHeight = gdi::FontHeightFromPoints(dialog.pointSize * 10);
    font.lfWeight = dialog.weight ? dialog.weight : 400;
    font.lfItalic = dialog.italic ? 1 : 0;
    font.lfCharSet = dialog.charset;
    std::strncpy(font.lfFaceName, dialog.typeface.c_str(), LF_FACESIZE - 1);
    if (HFONT made = CreateFontIndirectA(&font)) {
        owned = true;
        return made;
    }
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Where a top-level dialog goes: centred on its owner (or the screen) under DS_CENTER, else at
// the template's place from the owner's client area; kept on the screen.
POINT PlaceOfDialog(const DialogTemplate& dialog, const RECT& pixels, HWND owner, SIZE size)
{
    RECT screen{};
    GetWindowRect(GetDesktopWindow(), &screen);
    POINT at{pixels.left, pixels.top};
    if (dialog.style & DS_CENTER) {
        RECT around = screen;
        if (owner && IsWindowVisible(owner) && !IsIconic(owner))
            GetWindowRect(owner, &around);
        at = POINT{around.left + ((around.right - around.left) - size.cx) / 2,
                   around.top + ((around.bottom - around.top) - size.cy) / 2};
    } else if (owner && !(dialog.style & DS_ABSALIGN)) {
        ClientToScreen(owner, &at);
    }
    at.x = std::clamp<LONG>(at.x, screen.left, std::max<LONG>(screen.left, screen.right - size.cx));
    at.y = std::clamp<LONG>(at.y, screen.top, std::max<LONG>(screen.top, screen.bottom - size.cy));
    return at;
}

HWND CreateItem(HWND dialog, HINSTANCE instance, const DialogItemTemplate& item, const RECT& place, HFONT font)
{
    // An ordinal names a resource, as "#123" does.
    std::string text = item.text.ordinal ? std::to_string(item.text.ordinal) : item.text.text;
    if (item.text.ordinal)
        text.insert(text.begin(), '#');
    const auto id = static_cast<std::intptr_t>(static_cast<WORD>(item.id));
    if (item.IsActiveXControl())
        return MakeHostedDialogControl(dialog, item.className, text.c_str(), item.style | WS_CHILD, place,
                                       static_cast<int>(id));
    void* creationData = item.creationData.empty() ? nullptr : const_cast<BYTE*>(item.creationData.data());
    HWND control = CreateWindowExA(item.exStyle, item.className.c_str(), text.c_str(), item.style | WS_CHILD,
                                   place.left, place.top, place.right - place.left, place.bottom - place.top,
                                   dialog, reinterpret_cast<HMENU>(id), instance, creationData);
    if (control)
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// The first default push button of the template becomes the dialog's default.
int DefaultButtonOf(const DialogTemplate& dialog)
{
    for (const DialogItemTemplate& item : dialog.items) {
        if (strcasecmp(item.className.c_str(), "Button") == 0 && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return static_cast<WORD>(item.id);
    }
    return 0;
}

} // namespace

bool DialogEnded(const DialogState& state, INT_PTR* result)
{
    std::lock_guard lock(States().mutex);
    if (state.ended && result)
        *result = state.result;
    return state.ended;
}

std::shared_ptr<DialogState> FindDialogState(HWND dialog)
{
    auto& states = States();
    std::lock_guard lock(states.mutex);
    auto it = states.byWindow.find(dialog);
    return it == states.byWindow.end() ? nullptr : it->second;
}

bool RegisterDialogClass()
{
    WNDCLASSA dialogClass{};
    dialogClass.style = CS_DBLCLKS | CS_GLOBALCLASS;
    dialogClass.lpfnWndProc = DefDlgProcA;
    dialogClass.cbWndExtra = DLGWINDOWEXTRA;
    dialogClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    dialogClass.hbrBackground = SysColourBrushValue(COLOR_BTNFACE);
    dialogClass.lpszClassName = kDialogClass;
    return RegisterClassA(&dialogClass) != 0;
}

namespace {

// Makes the dialog and its controls and sends WM_INITDIALOG. Null when it cannot be made, or
// (modeless only) when it ended itself during WM_INITDIALOG. `focus` gets the control to focus.
HWND MakeDialog(HINSTANCE instance, const DialogTemplate& dialog, HWND parent, DLGPROC procedure, LPARAM param,
                bool modal, HWND& focus)
{
    EnsureSystemClasses();
    const auto layout = LayoutInPixels(dialog);
    if (!layout) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto state = std::make_shared<DialogState>();
    state->modal = modal;
    state->font = FontOfTemplate(dialog, state->ownsFont);
    state->base = layout->base;

    const bool child = (dialog.style & WS_CHILD) != 0;
    HWND owner = parent;
    if (!child && owner)
        owner = GetAncestor(owner, GA_ROOT);
    const std::string className = dialog.className.text.empty() ? kDialogClass : dialog.className.text;
    const RECT& pixels = layout->dialog;
    const SIZE clientSize{pixels.right - pixels.left, pixels.bottom - pixels.top};
    const DWORD style = dialog.style & ~(WS_VISIBLE | DS_SETFONT);
    // A modal frame shows no icon in its caption.
    const DWORD exStyle = dialog.exStyle | ((dialog.style & DS_MODALFRAME) ? WS_EX_DLGMODALFRAME : 0);
    HWND window = CreateWindowExA(exStyle, className.c_str(), dialog.caption.c_str(), style, pixels.left,
                                  pixels.top, clientSize.cx, clientSize.cy, child ? parent : owner, nullptr,
                                  instance, nullptr);
    if (!window) {
        if (state->ownsFont)
            DeleteObject(state->font);
        return nullptr;
    }
    {
        auto& states = States();
        std::lock_guard lock(states.mutex);
        states.byWindow[window] = state;
    }
    SetWindowLongPtrA(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(procedure));

    // The template sizes the client area: grow the window by its border.
    RECT client{};
    RECT outer{};
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    const SIZE size{clientSize.cx + (outer.right - outer.left) - client.right,
                    clientSize.cy + (outer.bottom - outer.top) - client.bottom};
    const POINT at = child ? POINT{pixels.left, pixels.top} : PlaceOfDialog(dialog, pixels, owner, size);
    SetWindowPos(window, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);

    for (std::size_t i = 0; i < dialog.items.size(); ++i) {
        const DialogItemTemplate& item = dialog.items[i];
        if (!CreateItem(window, instance, item, layout->items[i], state->font) && !(dialog.style & DS_NOFAILCREATE)) {
            const DWORD error = GetLastError();
            DestroyWindow(window);
            SetLastError(error);
            return nullptr;
        }
    }
    if (int defaultId = DefaultButtonOf(dialog))
        state->defaultId = defaultId;

    focus = GetNextDlgTabItem(window, nullptr, FALSE);
    const LRESULT focusDefault =
        SendMessageA(window, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
    if (!IsWindow(window)) {
        SetLastError(ERROR_CANCELLED);
        return nullptr;
    }
    if (!focusDefault)
        focus = nullptr;
    if (!modal && DialogEnded(*state)) {
        // Ended before it was ever shown: nothing could close it later.
        DestroyWindow(window);
        SetLastError(ERROR_CANCELLED);
        return nullptr;
    }
    if (focus)
        state->savedFocus = focus;
    return window;
}

std::optional<DialogTemplate> ParseInMemory(LPCDLGTEMPLATEA data)
{
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    return ParseDialogTemplate(data, kTemplateReadBound);
}

HWND CreateModeless(HINSTANCE instance, const std::optional<DialogTemplate>& dialog, HWND parent,
                    DLGPROC procedure, LPARAM param)
{
    if (!dialog)
        return nullptr;
    HWND focus = nullptr;
    HWND window = MakeDialog(instance, *dialog, parent, procedure, param, false, focus);
    if (window && (dialog->style & WS_VISIBLE)) {
        ShowWindow(window, SW_SHOWNORMAL);
        if (focus)
            FocusControl(focus);
    }
    return window;
}

INT_PTR RunModal(HINSTANCE instance, const std::optional<DialogTemplate>& dialog, HWND parent, DLGPROC procedure,
                 LPARAM param)
{
    if (!dialog)
        return -1;
    HWND focus = nullptr;
    HWND window = MakeDialog(instance, *dialog, parent, procedure, param, true, focus);
    if (!window)
        return -1;
    auto state = FindDialogState(window);
    HWND owner = GetWindow(window, GW_OWNER);
    bool ownerDisabled = false;
    const bool endedEarly = DialogEnded(*state);
    if (owner && !endedEarly && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }
    if (!endedEarly) {
        zv::user::SetModalWindow(window, true);
        ShowWindow(window, SW_SHOWNORMAL);
        if (focus)
            FocusControl(focus);
    }
    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg{};
    while (IsWindow(window) && !DialogEnded(*state)) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (got < 0)
            break;
        if (!IsDialogMessageA(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    INT_PTR result = 0;
    DialogEnded(*state, &result);
    // The owner comes back before the dialog goes, so activation returns to it.
    if (ownerDisabled)
        EnableWindow(owner, TRUE);
    if (IsWindow(window)) {
        ShowWindow(window, SW_HIDE);
        DestroyWindow(window);
    }
    if (owner && IsWindow(owner))
        SetForegroundWindow(owner);
    if (quit)
        PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

} // namespace
} // namespace zv::user

using zv::user::DialogState;
using zv::user::FindDialogState;

HWND CreateDialogIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA lpTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return zv::user::CreateModeless(hInstance, zv::user::ParseInMemory(lpTemplate), hWndParent, lpDialogFunc,
                                    dwInitParam);
}

HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    return zv::user::CreateModeless(hInstance, zv::user::LoadDialogTemplate(hInstance, lpTemplateName), hWndParent,
                                    lpDialogFunc, dwInitParam);
}

INT_PTR DialogBoxIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA hDialogTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return zv::user::RunModal(hInstance, zv::user::ParseInMemory(hDialogTemplate), hWndParent, lpDialogFunc,
                              dwInitParam);
}

INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    return zv::user::RunModal(hInstance, zv::user::LoadDialogTemplate(hInstance, lpTemplateName), hWndParent,
                              lpDialogFunc, dwInitParam);
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult)
{
    auto state = FindDialogState(hDlg);
    if (!state) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    bool modal = false;
    {
        std::lock_guard lock(zv::user::States().mutex);
        state->ended = true;
        state->result = nResult;
        modal = state->modal;
    }
    if (modal)
        PostMessageA(hDlg, WM_NULL, 0, 0); // wakes the modal loop, wherever it waits
    else
        ShowWindow(hDlg, SW_HIDE);
    return TRUE;
}

LRESULT DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, 0);
    if (DLGPROC procedure = zv::user::DialogProcedureOf(hDlg)) {
        const INT_PTR answer = procedure(hDlg, Msg, wParam, lParam);
        if (zv::user::AnswersDirectly(Msg) && (answer || Msg != WM_INITDIALOG))
            return answer;
        if (answer)
            return IsWindow(hDlg) ? GetWindowLongPtrA(hDlg, DWLP_MSGRESULT) : 0;
        if (Msg == WM_INITDIALOG)
            return FALSE;
    }
    auto state = FindDialogState(hDlg);
    return zv::user::DefaultDialogAnswer(hDlg, state.get(), Msg, wParam, lParam);
}

BOOL MapDialogRect(HWND hDlg, RECT* lpRect)
{
    auto state = FindDialogState(hDlg);
    if (!state || !lpRect) {
        SetLastError(state ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *lpRect = zv::user::DialogUnitsToPixels(*lpRect, state->base);
    return TRUE;
}
