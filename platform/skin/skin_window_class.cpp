#include "platform/skin/skin_window_class.h"

#include <mutex>
#include <set>
#include <string>

namespace zv::skin {

void RegisterSkinWindowClass(const char* name, WNDPROC procedure, UINT style)
{
    static std::mutex lock;
    static std::set<std::string> registered;
    std::lock_guard guard(lock);
    if (!registered.insert(name).second)
        return;
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = procedure;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

} // namespace zv::skin
