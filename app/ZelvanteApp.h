// The main program's application object: owns what every window of the program shares (the main
// dialog, the single-instance mutex, the shared data block, the internet session, the settings
// record, the remembered source and skin names, the host status values and the skin engine).
// InitInstance runs start-up up to the modeless main dialog; ExitInstance tears it down in order.
#pragma once

#include "app/HostCredentials.h"
#include "app/settings/ConfigStore.h"
#include "platform/afx/afx_app.h"
#include "platform/inet/afxinet.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class CDialog;
class CWnd;
struct ISkinEngine;
class ExternalControlWindow;

// The shared data block other programs of the suite read: its name and size.
inline constexpr const char* kSharedDataName = "KestrovaZelvanteSharedData";
constexpr DWORD kSharedDataBytes = 0x368;
// Byte of the block cleared when the snapshot manager could not be started.
constexpr DWORD kSharedDataSnapshotFlag = 0x144;
// The mapped view of the block; null until mapped and after the application's exit.
extern std::atomic<BYTE*> g_pSharedData;

inline constexpr const char* kInstanceMutexName = "KestrovaZelvanteCopyGuard";
inline constexpr const char* kMainWindowCaption = "Zelvante";
constexpr UINT kMainDialogTemplate = 154;

class CZelvanteApp : public CWinApp {
public:
    CZelvanteApp();
    ~CZelvanteApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Loads a ".skn" file (empty or null path: Zelvante.skn beside the program) into the skin
    // engine, taken from `skinControl` the first time and shared by every skinned window after.
    bool LoadSkinFile(CWnd* skinControl, const char* path);
    // "Version" and "Directory" of the running copy under Software\Kestrova\Zelvante of the
    // machine, else of the user.
    static void WriteInstallInfo();
    // Asks the update server's exit page; the reply is not read and failures are ignored.
    void ExitPing();

    // The skin engine shared by the skinned windows (null until a skin was loaded).
    ISkinEngine* SkinEngine() const { return m_pSkinEngine; }

    CDialog* m_pDlgMain = nullptr;
    HANDLE m_hInstanceMutex = nullptr;
    HANDLE m_hSharedData = nullptr;
    std::atomic<std::int32_t> UserType{0};   // 0 none, 1 host, 2 studio (set by the host login)
    std::atomic<std::int32_t> HostGroup{0};
    CInternetSession m_InternetSession;
    ConfigStore m_Config;
    std::string m_strCaptureDevice;   // Params "LastSource"
    std::string m_strAudioDevice;     // Params "LastAudio"
    std::string m_strImageFile;       // Params "LastImage"
    std::string m_strVideoFile;       // Params "LastVideo"
    std::string m_strSkinPath;        // Params "SkinPath" (empty: the default skin)
    HostCredentials Credentials;  // LoginName, LoginPassword and UserId, under one lock
    // Written by the host status thread, read by the main dialog.
    std::atomic<std::int32_t> UnreadMessages{0};
    std::atomic<std::int32_t> ProfilePhoto{0};
    std::atomic<std::uint8_t> OkStartSession{0};
    std::atomic<std::uint8_t> ActiveForSession{1};
    HANDLE StatusThread = nullptr;
    HANDLE StatusStopEvent = nullptr;
    std::atomic<std::uint32_t> HiddenMenuBits{0};
    ExternalControlWindow* m_pExternalControl = nullptr;  // acquired by the main dialog's start-up

protected:
    // The start-up steps that may fail; each undoes nothing itself.
    // False when another copy runs (that copy's window brought forward, or the message shown).
    bool TakeInstanceMutex();
    void MapSharedData();
    void UnmapSharedData();
    // Makes the main dialog. False (after its message) when it could not be made; everything it
    // started is undone by then, so the program ends instead of running without a window.
    bool CreateMainDialog();
    // The studio window as the main window (user type 2), as CreateMainDialog does.
    bool CreateStudioWindow();
    // Signals the host status thread, waits for it and closes its handles (nothing when none runs).
    void StopStatusThread();

    DECLARE_MESSAGE_MAP()

private:
    ISkinEngine* m_pSkinEngine = nullptr;
    bool m_bComStarted = false;
    bool m_bRan = false;  // the main dialog was made: the program ran
};

// The one application object (the program's own, or a test's).
inline CZelvanteApp& ZelvanteApp()
{
    return *static_cast<CZelvanteApp*>(AfxGetApp());
}
