// Message boxes of the capture graph: printf-style texts shown with MB_OK.
#pragma once

void ShowGraphMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
