// The uninstall library's application object: one static instance, made when the library loads.
// The library holds no state between calls; ViseEntry (ViseEntry.cpp) is its one export.
#pragma once

class CSupportApp {
public:
    CSupportApp() = default;
    virtual ~CSupportApp() = default;
    CSupportApp(const CSupportApp&) = delete;
    CSupportApp& operator=(const CSupportApp&) = delete;

    // Nothing to set up: the library reads no settings.
    virtual bool InitInstance();
};

extern CSupportApp theApp;
