#include "platform/user/message_box.h"

#include "platform/user/common_dialog_modal.h"
#include "platform/user/display.h"
#include "platform/win32/last_error.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <mutex>

namespace zv::user {
namespace {

struct ResponderState {
    std::mutex mutex;
    std::deque<int> script;
    std::vector<MessageBoxResponder::Record> history;
};

ResponderState& State()
{
    static auto* state = new ResponderState();
    return *state;
}

} // namespace

std::vector<int> MessageBoxButtons(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE: return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default: return {IDOK};
    }
}

int MessageBoxDefaultButton(UINT type)
{
    const std::vector<int> buttons = MessageBoxButtons(type);
    const std::size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

void MessageBoxResponder::SetScript(std::vector<int> answers)
{
    ResponderState& state = State();
    std::lock_guard lock(state.mutex);
    state.script.assign(answers.begin(), answers.end());
}

std::vector<MessageBoxResponder::Record> MessageBoxResponder::History()
{
    ResponderState& state = State();
    std::lock_guard lock(state.mutex);
    return state.history;
}

void MessageBoxResponder::Reset()
{
    ResponderState& state = State();
    std::lock_guard lock(state.mutex);
    state.script.clear();
    state.history.clear();
}

int MessageBoxResponder::Answer(HWND owner, const char* text, const char* caption, UINT type)
{
    const std::vector<int> buttons = MessageBoxButtons(type);
    Record record{owner, text ? text : "", caption ? caption : "Error", type, 0, false};
    ResponderState& state = State();
    std::lock_guard lock(state.mutex);
    if (!state.script.empty()) {
        const int scripted = state.script.front();
        state.script.pop_front();
        record.scripted = true;
        if (std::find(buttons.begin(), buttons.end(), scripted) != buttons.end()) {
            record.answer = scripted;
        } else {
            // A script that answers with a button the box does not have is a broken test.
            std::fprintf(stderr, "MessageBox \"%s\": scripted answer %d is not a button of type 0x%x\n",
                         record.caption.c_str(), scripted, type);
            SetLastError(ERROR_INVALID_PARAMETER);
        }
    } else {
        record.answer = MessageBoxDefaultButton(type);
        std::fprintf(stderr, "MessageBox \"%s\": %s -> %d\n", record.caption.c_str(), record.text.c_str(),
                     record.answer);
    }
    state.history.push_back(record);
    return record.answer;
}

} // namespace zv::user

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    zv::user::DisplayBackend& display = zv::user::Display();
    if (display.ShowsMessageBoxes()) {
        const zv::user::MessageBoxRequest box{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType};
        int answer = 0;
        zv::user::AwaitModally(hWnd, [&] { answer = display.AskMessageBox(box); });
        return answer;
    }
    return zv::user::MessageBoxResponder::Answer(hWnd, lpText, lpCaption, uType);
}
