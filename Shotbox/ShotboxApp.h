// The snapshot manager's application object: one instance per desktop, the main program's shared
// data block opened when it exists, and the snapshot dialog run modally as the whole program.
#pragma once

#include "Shotbox/SharedDataBlock.h"
#include "platform/afx/afxwin.h"

#include <string>

class CShotboxApp : public CWinApp {
public:
    CShotboxApp();

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Maps the main program's block when not mapped yet and publishes the main window there.
    // FALSE when the block does not exist (the program works on without it).
    BOOL AttachSharedData();
    // Brings a running snapshot manager to the front; TRUE when there was one.
    BOOL ActivateOtherInstance();

    // Publishes `window` as the snapshot manager's dialog.
    void PublishSnapshotWindow(HWND window);
    // Empties the field when it names `own` or no live window: an instance that ends never erases
    // the window of the one that runs.
    void WithdrawSnapshotWindow(HWND own);
    // The logged-in user's id (empty without the block), and whether the user is in the adult group.
    std::string SharedUserId() const;
    bool SharedAdultGroup() const;

    HANDLE m_hSharedData = nullptr;
    BYTE* m_pSharedData = nullptr;
    bool m_bComInitialized = false;

    DECLARE_MESSAGE_MAP()
};

// Whether `window` is a snapshot manager's dialog: a dialog-class window titled "Snapshot
// manager" whose process runs a program of this program's file name.
bool IsSnapshotManagerWindow(HWND window);
// EnumWindows callback: stores the first snapshot manager window other than this process's into
// the HWND that lParam points to.
BOOL CALLBACK EnumSnapshotWindowsProc(HWND window, LPARAM lParam);

CShotboxApp* ShotboxApp();
