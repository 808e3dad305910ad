#include "platform/user/hosted_control.h"

#include "platform/win32/last_error.h"

#include <atomic>

namespace zv::user {
namespace {

std::atomic<HostedControlMaker> g_maker{nullptr};

} // namespace

void SetHostedControlMaker(HostedControlMaker maker)
{
    g_maker.store(maker);
}

HWND MakeHostedDialogControl(HWND dialog, const std::string& classText, LPCSTR text, DWORD style, const RECT& place,
                             int id)
{
    const HostedControlMaker maker = g_maker.load();
    const std::optional<CLSID> clsid = win32::ParseGuidText(classText);
    if (!maker || !clsid) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    return maker(dialog, *clsid, text, style, place, id);
}

} // namespace zv::user
