// The application framework in one include: application object, windows, menus, dialogs and their
// data exchange, control classes, message maps, run-time classes, device contexts, exceptions.
#pragma once

#include "platform/afx/afx_app.h"
#include "platform/afx/afx_basic_controls.h"
#include "platform/afx/afx_dc.h"
#include "platform/afx/afx_ddx.h"
#include "platform/afx/afx_dialog.h"
#include "platform/afx/afx_exception.h"
#include "platform/afx/afx_geometry.h"
#include "platform/afx/afx_list_ctrl.h"
#include "platform/afx/afx_menu.h"
#include "platform/afx/afx_runtime_class.h"
#include "platform/afx/afx_wnd.h"
#include "platform/afx/message_map.h"
