// The application framework in one include: application object, windows, menus, message maps,
// device contexts, exceptions.
#pragma once

#include "platform/afx/afx_app.h"
#include "platform/afx/afx_dc.h"
#include "platform/afx/afx_exception.h"
#include "platform/afx/afx_geometry.h"
#include "platform/afx/afx_menu.h"
#include "platform/afx/afx_wnd.h"
#include "platform/afx/message_map.h"
