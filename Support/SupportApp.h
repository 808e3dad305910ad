// The uninstall library's application object: one static instance, made when the library loads.
// A library's application object runs no message loop of its own: the framework only starts it
// (InitInstance) as the library loads. The library holds no state between calls; ViseEntry
// (ViseEntry.cpp) is its one export.
#pragma once

#include "platform/afx/afx_app.h"

class CSupportApp : public CWinApp {
public:
    CSupportApp() : CWinApp("Support") {}

    // Nothing to set up: the library reads no settings.
    BOOL InitInstance() override;
};

extern CSupportApp theApp;
