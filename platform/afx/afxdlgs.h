// The framework's dialog classes beyond CWnd: the common dialogs.
#pragma once

#include "platform/afx/afx_common_dialogs.h"
