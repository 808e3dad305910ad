// The framework's side of hosted controls in one include: enabling hosting, and event sink maps.
#pragma once

#include "platform/afx/afxwin.h"
#include "platform/afx/control_hosting.h"
#include "platform/afx/event_sink_map.h"
