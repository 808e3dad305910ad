#include "platform/user/headless_tray.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace zv::user::headless {
namespace {

class HeadlessTray final : public TrayArea {
public:
    bool Add(const TrayIconState&) override { return m_present.load(); }
    void Change(const TrayIconState&) override {}
    void Remove(HWND, UINT) override {}
    void ShowBalloon(const TrayIconState& icon) override
    {
        std::lock_guard lock(m_mutex);
        m_balloons.push_back(icon);
    }

    std::atomic<bool> m_present{true};
    std::mutex m_mutex;
    std::vector<TrayIconState> m_balloons;
};

HeadlessTray& TheTray()
{
    static HeadlessTray tray;
    return tray;
}

} // namespace

TrayArea& Tray()
{
    return TheTray();
}

void SetTrayPresent(bool present)
{
    TheTray().m_present = present;
}

std::vector<TrayIconState> TakeBalloons()
{
    std::lock_guard lock(TheTray().m_mutex);
    return std::exchange(TheTray().m_balloons, {});
}

} // namespace zv::user::headless
