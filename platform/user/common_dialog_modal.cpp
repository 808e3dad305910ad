#include "platform/user/common_dialog_modal.h"

#include "platform/user/await_serving.h"
#include "platform/user/common_dialogs.h"
#include "platform/user/message_box.h"
#include "platform/user/window.h"
#include "platform/win32/thread_waiter.h"

#include <atomic>
#include <thread>

namespace zv::user {
namespace {

thread_local DWORD t_lastError = 0;

} // namespace

void SetCommonDialogError(DWORD error) { t_lastError = error; }

void AwaitModally(HWND owner, const std::function<void()>& ask)
{
    owner = IsWindow(owner) ? GetAncestor(owner, GA_ROOT) : nullptr;
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner)
        EnableWindow(owner, FALSE);

    std::atomic<bool> done{false};
    win32::ThreadWaiter& waiter = win32::ThreadWaiter::Current();
    std::thread asking([&] {
        ask();
        done.store(true, std::memory_order_release);
        waiter.Notify();
    });
    AwaitServing(done, std::nullopt);
    asking.join();

    if (disableOwner)
        EnableWindow(owner, TRUE);
    if (owner && IsWindow(owner))
        SetForegroundWindow(owner);
}

bool AskCommonDialogModal(CommonDialogRequest& request)
{
    bool answered = false;
    AwaitModally(request.owner, [&] { answered = Display().AskCommonDialog(request); });
    return answered;
}

bool AskUntilAccepted(CommonDialogRequest& request, const AnswerCheck& check)
{
    request.refusal.clear();
    for (int refused = 0; refused <= kMaxRefusals; ++refused) {
        if (!AskCommonDialogModal(request))
            return false;
        const std::string why = check(request);
        if (why.empty())
            return true;
        MessageBoxA(request.owner, why.c_str(), request.title.c_str(), MB_OK | MB_ICONEXCLAMATION);
        request.refusal = why;
    }
    return false;
}

} // namespace zv::user

DWORD CommDlgExtendedError() { return zv::user::t_lastError; }
