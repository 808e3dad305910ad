// CDlgStudio: the studio's window (template 138), the main window of a studio account. Its face is
// the skin form "Skin Studio"; the browser lies over its "Browser Frame" element and shows the
// studio pages of the host server with the user's id. The page buttons and the right-button
// "Studio" menu choose the page; the close button asks the window to close (CloseRequestMessage),
// which destroys it. User-interface thread only.
#pragma once

#include "app/HtmlWnd.h"
#include "platform/afx/afx_dialog.h"
#include "platform/afx/event_sink_map.h"
#include "platform/win32/com_object.h"

#include <string>

struct ISkinRootElement;

inline constexpr const char* kStudioFormName = "Skin Studio";

// The studio pages (string ids of their URLs) and the "Studio" menu's commands.
constexpr UINT kStudioMainPage = 138;
constexpr UINT kStudioSettingsPage = 139;
constexpr UINT kStudioPaymentPage = 140;
constexpr UINT kStudioAddHostPage = 141;
constexpr UINT kStudioSalaryPage = 143;
constexpr UINT kStudioMainCommand = 32832;
constexpr UINT kStudioSettingsCommand = 32833;
constexpr UINT kStudioPaymentCommand = 32834;
constexpr UINT kStudioSalaryCommand = 32835;
constexpr UINT kStudioAddHostCommand = 32836;

class CDlgStudio : public CDialog {
public:
    static constexpr UINT IDD = 138;
    static constexpr UINT kSkinControlId = 1002;
    static constexpr UINT kMenuId = 134;
    static constexpr int kStudioMenuPosition = 2;

    CDlgStudio();
    ~CDlgStudio() override;
    CDlgStudio(const CDlgStudio&) = delete;
    CDlgStudio& operator=(const CDlgStudio&) = delete;

    using CDialog::Create;
    // Makes the window from template 138 without parent.
    BOOL Create();

    BOOL PreTranslateMessage(MSG* msg) override;

    // The page of the string table (on the deployment's server) with "ID_USER=" and the user id
    // added; nothing when the string is missing.
    void NavigateServerPage(UINT stringId);
    // The "Studio" pop-up of menu 134 at the cursor, through the skin form (nothing when the form
    // cannot show menus).
    void ShowStudioMenu();
    // The skin's element events: the page buttons and the close button. False for other elements.
    bool OnSkinButton(IUnknown* element);
    // The close request: the window goes. Returns 0.
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    // WM_CLOSE (the close box, or a skin that could not be loaded) is a close request too.
    void OnClose();
    // The host status needs nothing of the studio. Returns 0.
    LRESULT OnHostStatus(WPARAM wParam, LPARAM lParam);
    void OnStudioCommand(UINT id);

    bool IsInitialised() const { return m_bInitialised != 0; }
    // The page last asked for.
    const std::string& GetUrl() const { return m_strUrl; }

    CHtmlWnd m_htmlWnd;

protected:
    // Skin, form, browser over "Browser Frame", the main page; shows the window.
    BOOL OnInitDialog() override;
    // Enter and Escape do not close the studio.
    void OnOK() override {}
    void OnCancel() override {}

    DECLARE_MESSAGE_MAP()
    DECLARE_EVENTSINK_MAP()

private:
    int m_bInitialised = 0;
    std::string m_strUrl = "about:blank";
    zv::win32::ComRef<ISkinRootElement> m_pSkinForm;
};
