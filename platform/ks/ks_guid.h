// Kernel streaming uses the same 16-byte GUID as the rest of the system.
#pragma once

#include "platform/win32/guid.h"
