// What the dialog manager keeps per dialog besides the window's own data: the default button,
// the control that had the focus, the font and how the dialog ended. Shared by the dialog
// manager's files only.
#pragma once

#include "platform/gdi/gdi_types.h"
#include "platform/user/dialog.h"
#include "platform/user/dialog_units.h"

#include <memory>

namespace zv::user {

struct DialogState {
    HFONT font = nullptr;
    bool ownsFont = false; // made for the template, deleted with the dialog
    DialogBaseUnits base;  // of that font
    int defaultId = 0;     // DM_SETDEFID's; 0: none set
    HWND savedFocus = nullptr;
    bool modal = false;
    // Set by EndDialog, possibly from another thread: read them through DialogEnded.
    bool ended = false;
    INT_PTR result = 0;
};

// The dialog's state; null for a window that is not a dialog (or is gone).
std::shared_ptr<DialogState> FindDialogState(HWND dialog);
// Whether EndDialog was called, and with what.
bool DialogEnded(const DialogState& state, INT_PTR* result = nullptr);

} // namespace zv::user
