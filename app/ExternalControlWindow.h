// The hidden window through which outside programs drive the main program without a library: they
// find the window of class "ZELVANTE_EXTERNAL_CTRL_WND_CLASS", put a file path into its title when a
// command needs one, and send it ExternalControlMessage with the command in wParam. Answers that
// carry text (the version, the current file) come back through the title.
//
// One object per process, reference-counted: Acquire makes it on the first call, Release destroys
// it with the last; both are called on the user-interface thread, which owns the window and so
// runs every command (a client's SendMessage waits until it is done).
#pragma once

#include "platform/user/window.h"

#include <atomic>

class CDlgZelvante;

inline constexpr const char* kExternalControlClassName = "ZELVANTE_EXTERNAL_CTRL_WND_CLASS";

// The commands, wParam of ExternalControlMessage.
enum ExternalCommand : WPARAM {
    ExternalVersionTitle = 0,  // title := the program version "a.b.c.d"
    ExternalOpenFromTitle = 1, // play the video file named in the title, paused at its start;
                               // 0 when it does not play
    ExternalFileTitle = 2,     // title := the current video file
    ExternalPlay = 3,
    ExternalStop = 4,
    ExternalPause = 5,         // pause or resume
    ExternalClose = 6,         // the program closes as if its user closed it
};

class ExternalControlWindow {
public:
    // The one object, made with its window on the first call; every call counts a reference.
    static ExternalControlWindow* Acquire();
    // Drops a reference; the last one destroys the window, unregisters the class and frees it.
    static void Release();

    ExternalControlWindow(const ExternalControlWindow&) = delete;
    ExternalControlWindow& operator=(const ExternalControlWindow&) = delete;

    // 1 when the command exists and was carried out, else 0. Every command is refused while the
    // main dialog has not finished its start-up or is already gone: it would act on half-built state.
    LRESULT Execute(WPARAM command);

    HWND Handle() const { return m_hWnd; }

private:
    ExternalControlWindow() = default;
    ~ExternalControlWindow();

    // Registers the class, creates the window and finds the main dialog; false when no window.
    bool Create();
    bool SetVersionTitle();
    LRESULT OpenFromTitle();
    bool MainDialogReady() const;

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    CDlgZelvante* m_pMainDialog = nullptr;

    static std::atomic<long> s_references;
    static ExternalControlWindow* s_instance;
};
