// The snapshot manager's dialog: the live picture of the virtual camera, snapshots taken at once,
// after a countdown or repeatedly into the hidden snapshot folder, listed as thumbnails; saving
// them to a folder of the user's choice, deleting them, and sending them to the server.
#pragma once

#include "Shotbox/ImgBrowser.h"
#include "Shotbox/SampleCallback.h"
#include "capture/CaptureGraph.h"
#include "platform/afx/afxwin.h"

#include <set>
#include <string>
#include <vector>

// Control ids of dialog 102.
enum SnapshotDialogIds : UINT {
    IDC_NONSTOP = 1000,
    IDC_SEND_TO_SERVER = 1001,
    IDC_SAVE_TO_DISK = 1002,
    IDC_OPEN_FOLDER = 1003,
    IDC_TITLE = 1005,
    IDC_PROFILE_PHOTO = 1006,
    IDC_DELAYED_SNAPSHOT = 1009,
    IDC_STANDARD_RESOLUTION = 1010,
    IDC_HIGH_RESOLUTION = 1011,
    IDC_GENERAL_GROUP = 1012,
    IDC_ADULT_GROUP = 1013,
    IDC_BROWSER_PLACE = 1014,
    IDC_TAKE_SNAPSHOT = 1015,
    IDC_VIDEO = 1016,
    IDC_INTERVAL = 1017,
    IDC_INTERVAL_SPIN = 1018,
    // The browser's own id: 1015 is the Take snapshot button's.
    IDC_BROWSER = 1019,
};

// Timers of the dialog, each with its own countdown.
constexpr UINT_PTR kDelayTimer = 1;
constexpr UINT_PTR kNonStopTimer = 2;
constexpr int kSnapshotDelaySeconds = 5;
constexpr int kMinInterval = 3;
constexpr int kMaxInterval = 360;

class CDlgSnapshots : public CDialog {
public:
    CDlgSnapshots();
    ~CDlgSnapshots() override;

    BOOL PreTranslateMessage(MSG* msg) override;

    CImgBrowser& Browser() { return m_browser; }
    // Where this dialog writes new snapshots.
    const std::string& SnapshotFolder() const { return m_strSnapshotFolder; }
    void SetSnapshotFolder(std::string folder) { m_strSnapshotFolder = std::move(folder); }
    bool IsNonStop() const { return m_bNonStop != 0; }

protected:
    BOOL OnInitDialog() override;
    // The close prompt; the dialog ends only when it allows.
    void OnCancel() override;

    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDestroy();
    void OnTimer(UINT_PTR id);
    LRESULT OnCloseRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnGraphEvent(WPARAM wParam, LPARAM lParam);
    LRESULT OnFrameGrabbed(WPARAM wParam, LPARAM lParam);
    LRESULT OnBrowserNotify(WPARAM wParam, LPARAM lParam);
    void OnGrabSnapshot();
    void OnDelayedSnapshot();
    void OnNonStop();
    void OnSaveToDisk();
    void OnOpenFolder();
    void OnSendToServer();
    void OnCloseButton();
    void OnTitleKillFocus();

    DECLARE_MESSAGE_MAP()

private:
    void OnSelectionChanged();
    void OnFocusChanged(int oldIndex, int newIndex);
    // The title edit's text goes to the picture whose title it shows, wherever that picture now is.
    void StoreEditedTitle();
    bool IsListed(const CImgBrowserItem* item) const;

    void PlayWaveResource(const char* name);
    bool StartCapture();
    bool SelectVirtualCamera();
    // Writes one waiting frame as a snapshot file and lists it; false when it could not be written
    // (the user is told).
    bool WriteSnapshot(const SnapshotFrame& frame);

    // The interval edit's value, always within 3..360.
    int NonStopInterval() const;
    BOOL BrowseForFolder(std::string& folder, std::string& displayName);
    bool IsTemporary(int index) const;
    std::vector<int> TemporaryItems(bool selectedOnly) const;

    struct SaveResult {
        bool cancelled = false;
        int saved = 0;
        std::vector<std::string> failed; // the targets not written
    };
    // Copies the images into the folder under new snapshot names and deletes their temporary files.
    SaveResult SaveImages(const std::vector<int>& indices, const std::string& folder, bool selectSaved);
    void ReportSaved(int count, const std::string& folder);
    BOOL PromptSaveTempImages();
    // Delete key: after a confirmation, the selected items leave the list; only unsaved snapshots'
    // files are deleted from the disk.
    void DeleteSelectedImages();

    HICON m_hIcon = nullptr;
    std::string m_strFolder;
    CImgBrowser m_browser;
    CCaptureGraph m_capture;
    int m_nCountdown = 0;      // non-stop: seconds to the next snapshot
    int m_nDelayCountdown = 0; // delayed snapshot: seconds to go
    BYTE m_bNonStop = 0;
    std::string m_strSnapshotFolder;
    CImgBrowserItem* m_pTitleItem = nullptr; // whose title the edit shows (compared, never followed unlisted)
};
