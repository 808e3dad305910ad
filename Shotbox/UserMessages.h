// Message boxes of the program's own strings, filled in printf style.
#pragma once

#include "platform/afx/afxwin.h"

#include <string>

// String `id` of the program's string table with the arguments put in; empty when it is missing.
std::string FormatUserMessage(UINT id, ...);
// The formatted string in a message box with the application's caption; the answer.
int ShowUserMessage(UINT id, UINT type, ...);
