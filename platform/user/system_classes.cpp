#include "platform/user/system_classes.h"

#include "platform/user/button.h"
#include "platform/user/dialog.h"
#include "platform/user/edit_control.h"
#include "platform/user/ip_address.h"
#include "platform/user/list_view.h"
#include "platform/user/popup_menu.h"
#include "platform/user/static_control.h"
#include "platform/user/up_down.h"

#include <mutex>

namespace zv::user {
namespace {

struct SystemClass {
    const char* name; // what programs and templates call it
    bool (*registerClass)();
};

// One line per predefined class.
constexpr SystemClass kSystemClasses[] = {
    {"#32768", RegisterPopupMenuClass},
    {"#32770", RegisterDialogClass},
    {"Button", RegisterButtonClass},
    {"Static", RegisterStaticClass},
    {kEditClassName, RegisterEditClass},
    {kUpDownClassName, RegisterUpDownClass},
    {kIpAddressClassName, RegisterIpAddressClass},
    {kListViewClassName, RegisterListViewClass},
};

} // namespace

void EnsureSystemClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // One that fails stays unknown: creating its windows then fails with
        // ERROR_CANNOT_FIND_WND_CLASS, which is the honest answer.
        for (const SystemClass& systemClass : kSystemClasses)
            systemClass.registerClass();
    });
}

} // namespace zv::user
