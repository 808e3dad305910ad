// The sign-up pages of the login dialog's three buttons, each run in a modal sign-up browser.
#pragma once

#include "platform/win32/types.h"

// The URL string of a sign-up button: 162 for "&Adult" (1008), 161 for "&Standard" (1013), 163 for
// "&Studio" (1014); 0 for any other id.
UINT HostSignupPageString(int buttonId);

// Runs the button's sign-up page in a modal CDlgHostRegister without parent (close mode 1). True
// when it ended with 1: the page reported a completed sign-up, or its close button was used.
// False for another id or a missing string.
bool OpenHostSignupPage(int buttonId);
