#include "platform/afx/afx_wnd_state.h"

#include "platform/afx/afx_wnd.h"

namespace zv::afx {

WindowThreadState::~WindowThreadState()
{
    // Temporary objects stand for windows they do not own.
    for (auto& [hWnd, wnd] : temporary)
        wnd->m_hWnd = nullptr;
}

WindowThreadState& ThisThreadWindows()
{
    thread_local WindowThreadState state;
    return state;
}

} // namespace zv::afx
