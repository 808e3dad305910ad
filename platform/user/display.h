// The display backend: how the window system's top-level surfaces reach a screen, and where
// user input comes from. ZV_DISPLAY chooses it: "headless" or "gtk" (real windows on an X
// display); without it, "gtk" when DISPLAY or WAYLAND_DISPLAY is set, else "headless". The window
// system calls it, never the other way round except through the input functions of
// input_events.h.
#pragma once

#include "platform/gdi/gdi_types.h"
#include "platform/gdi/surface.h"
#include "platform/user/user_types.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zv::user {

// Where a top-level window stands and how it shows.
struct TopLevelPlacement {
    HWND hwnd = nullptr;
    RECT rect{};            // on the screen
    bool visible = false;   // shown and not minimised
    bool minimised = false;
    bool topmost = false;
    bool captioned = false; // WS_CAPTION: the desktop frames it
    bool sizable = false;   // WS_THICKFRAME: the user may resize it
    HWND owner = nullptr;
    std::string caption;
};

// A modal common dialog (file, folder, colour or font chooser) the framework asks the display
// to show. The backend fills the answer fields and returns true for "OK", false for "Cancel".
struct CommonDialogRequest {
    enum class Kind { OpenFile, SaveFile, Folder, Colour, Font };
    Kind kind = Kind::OpenFile;
    HWND owner = nullptr;
    std::string title;
    std::string filter;        // "Name|pattern;pattern|..." as the caller gave it
    std::string initialPath;
    bool multiSelect = false;
    COLORREF colour = 0;       // in and out
    LOGFONTA font{};           // in and out
    std::vector<std::string> paths; // out: chosen files (or the folder)

    DWORD flags = 0;                      // the caller's OFN_, CC_, CF_ or BIF_ flags as given
    std::string defaultExtension;         // file dialogs: added to a name without one (no dot)
    int filterIndex = 1;                  // in and out: 1 for the filter's first pair
    std::vector<COLORREF> customColours;  // colour: the 16 custom colours, in and out
    // Why the previous answer was refused (the dialog stays up and asks again); empty at first.
    std::string refusal;
    // Folder browser: the status text the caller's callback shows at the start, and the user
    // moving the selection to a folder; the callback hears of it on the caller's thread and the
    // status text it shows then comes back. Callable from any thread while the dialog is up.
    std::string statusText;
    std::function<std::string(const std::string& folder)> selectFolder;
};

// A message box the display shows itself (see DisplayBackend::ShowsMessageBoxes).
struct MessageBoxRequest {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0; // MB_ flags as given
};

class DisplayBackend {
public:
    virtual ~DisplayBackend() = default;

    virtual const char* Name() const = 0;
    virtual SIZE ScreenSize() = 0;
    // The screen less what the desktop keeps (panels, task bars).
    virtual RECT WorkArea() = 0;

    // The top-level windows as they now stand, top of the z-order first. Called from any thread
    // after every change of place, size, visibility or order.
    virtual void Arrange(const std::vector<TopLevelPlacement>& topFirst) = 0;
    // `area` (surface pixels) of the window's surface has new pixels. Called on the thread that
    // painted, right after painting, so the backend may read the surface during the call.
    virtual void Present(HWND hwnd, const gdi::Surface& surface, const RECT& area) = 0;
    // The top-level window is gone.
    virtual void Forget(HWND hwnd) = 0;
    // The mouse pointer's shape (null: none).
    virtual void ShowCursorShape(HCURSOR cursor) = 0;
    // Shows a modal common dialog and waits for the user's answer.
    virtual bool AskCommonDialog(CommonDialogRequest& request) = 0;
    // Whether message boxes go to AskMessageBox; otherwise the scripted responder answers them.
    virtual bool ShowsMessageBoxes() const { return false; }
    // Shows a modal message box and waits for the user's answer (IDOK, IDYES, ...).
    virtual int AskMessageBox(const MessageBoxRequest&) { return 0; }
};

// The backend ZV_DISPLAY names, made on first use.
DisplayBackend& Display();

} // namespace zv::user
