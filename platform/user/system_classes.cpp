// The predefined window classes, registered once per process before the first window is made.
#include "platform/user/system_classes.h"

#include "platform/user/edit_control.h"
#include "platform/user/ip_address.h"
#include "platform/user/up_down.h"

#include <mutex>

namespace zv::user {
namespace {

struct SystemClass {
    const char* name;
    bool (*registerClass)();
};

// Controls drawn by this system.
constexpr SystemClass kControlClasses[] = {
    {kEditClassName, RegisterEditClass},
    {kUpDownClassName, RegisterUpDownClass},
    {kIpAddressClassName, RegisterIpAddressClass},
};

} // namespace

void RegisterSystemClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const SystemClass& systemClass : kControlClasses)
            systemClass.registerClass();
    });
}

} // namespace zv::user
