// How the common dialogs wait for the display's answer: modally, with the owner disabled and
// the calling thread serving sent messages, and again while the answer is refused.
#pragma once

#include "platform/user/display.h"

#include <functional>
#include <string>

namespace zv::user {

// Runs `ask` on a thread of its own and returns when it has. The owner's top-level window is
// disabled meanwhile (and enabled and brought forward again after), and messages sent to this
// thread are served, so a display that takes its time (a person at a real screen) or calls back
// through SendMessageA to this thread's windows does not hang the caller.
void AwaitModally(HWND owner, const std::function<void()>& ask);

// Asks the display once. The owner's top-level window is disabled meanwhile (and enabled and
// brought forward again after), and messages sent to this thread are served, so callbacks the
// display makes through SendMessageA to this thread's windows run here. True for OK.
bool AskCommonDialogModal(CommonDialogRequest& request);

// Why an answer cannot be taken; empty when it can.
using AnswerCheck = std::function<std::string(CommonDialogRequest&)>;

// Asks until an answer passes the check: each refusal is shown in a warning box owned by the
// request's owner and put into request.refusal before asking again. After kMaxRefusals refusals
// the dialog counts as cancelled. True for an accepted OK.
constexpr int kMaxRefusals = 8;
bool AskUntilAccepted(CommonDialogRequest& request, const AnswerCheck& check);

// The calling thread's CommDlgExtendedError value.
void SetCommonDialogError(DWORD error);

} // namespace zv::user
