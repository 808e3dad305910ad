#include "platform/afx/afx_wnd_state.h"

#include "platform/afx/afx_wnd.h"

namespace zv::afx {

WindowThreadState& ThisThreadWindows()
{
    thread_local WindowThreadState state;
    return state;
}

} // namespace zv::afx
