// The framework's socket start-up.
#pragma once

#include "platform/winsock/winsock.h"

// Starts Windows Sockets 1.1 for the process; FALSE when that fails.
BOOL AfxSocketInit(WSADATA* data = nullptr);
