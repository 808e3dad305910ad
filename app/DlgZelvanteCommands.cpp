// The handlers of the main dialog's own menu commands: the tray menu, exit, the account pages,
// the About box, font size, tray option, snapshot mode, full screen, help and web links, start-up
// with the session, tooltips and the advertisement settings.
#include "app/DlgZelvante.h"

#include "app/MenuCommands.h"
#include "app/MsgBox.h"
#include "app/ProgramMessages.h"
#include "app/SkinElementRef.h"
#include "app/ZelvanteApp.h"
#include "app/preview/DlgCapPreview.h"
#include "platform/user/shell_execute.h"

#include <cstdint>

namespace {

constexpr UINT kLinksString = 149;
constexpr UINT kOnlineString = 150;
constexpr UINT kHostSalaryString = 142;
constexpr UINT kStudioSalaryString = 143;

struct AccountPage {
    UINT command;
    UINT stringId;
};

// The salary page depends on the kind of user and is not here.
constexpr AccountPage kAccountPages[] = {
    {kStatusCommand, 129},       {kMessageCenterCommand, 137}, {kEarningsCommand, 130},
    {kPersonalDataCommand, 131}, {kHostInfoCommand, 132},      {kPaymentCommand, 134},
    {kServiceCommand, 135},      {kHostFaqCommand, 136},
};

} // namespace

void CDlgZelvante::OnTrayExitCommand()
{
    PostMessage(CloseRequestMessage, 0, 0);
}

void CDlgZelvante::OnTrayShowHideCommand()
{
    // A minimised window counts as hidden: the command brings it back.
    if (IsWindowVisible() && !IsIconic()) {
        ShowWindow(SW_MINIMIZE);
        return;
    }
    ShowWindow(SW_RESTORE);
    SetForegroundWindow();
    Invalidate(TRUE);
}

void CDlgZelvante::OnTrayPlayStopCommand()
{
    if (m_captureGraph.m_pGraph == nullptr)
        Play();
    else
        Stop();
}

void CDlgZelvante::OnExitCommand()
{
    ShutdownAndSaveSettings();
}

void CDlgZelvante::OnAccountCommand(UINT id)
{
    if (id == kSalaryCommand) {
        const std::int32_t type = ZelvanteApp().UserType.load();
        if (type == 1)
            OpenAccountPageById(kHostSalaryString);
        else if (type == 2)
            OpenAccountPageById(kStudioSalaryString);
        return;
    }
    for (const AccountPage& page : kAccountPages) {
        if (page.command == id) {
            OpenAccountPageById(page.stringId);
            return;
        }
    }
}

void CDlgZelvante::OnAboutCommand()
{
    CMsgBox(AboutText().c_str()).DoModal();
}

void CDlgZelvante::OnFontSizeCommand(UINT id)
{
    if (id < kLargestFontCommand || id > kSmallestFontCommand)
        return;
    const std::int32_t size = static_cast<std::int32_t>(kSmallestFontCommand - id) + 1;
    ConfigStore& config = ZelvanteApp().m_Config;
    config.SetBlob(kFontSizeRecord, &size, sizeof size);
    config.dirty = true;
    ApplyChatFontSize(size);
}

void CDlgZelvante::OnMinimizeToTrayCommand()
{
    m_bMinimizeToTray = m_bMinimizeToTray ? 0 : 1;
    ZelvanteApp().WriteProfileInt("Options", "Minimize to system tray", m_bMinimizeToTray);
}

void CDlgZelvante::OnSnapshotModeCommand(UINT id)
{
    if (id >= kFirstSnapshotModeCommand && id <= kLastSnapshotModeCommand)
        m_nSnapshotMode = static_cast<std::int32_t>(id - kFirstSnapshotModeCommand);
}

void CDlgZelvante::OnLinksCommand()
{
    OpenWebSite(kLinksString, "open", SW_SHOW);
}

void CDlgZelvante::OnFullScreenCommand()
{
    if (CDlgCapPreview* preview = g_pPreview.load())
        preview->ToggleFullScreen(preview->m_bFullScreen == 0);
}

void CDlgZelvante::OnLocalHelpCommand()
{
    ShowLocalHelp();
}

void CDlgZelvante::OnOnlineCommand()
{
    OpenWebSite(kOnlineString, "open", SW_SHOW);
}

void CDlgZelvante::OnRunAtStartupCommand()
{
    ToggleRunAtStartup();
}

void CDlgZelvante::OnTooltipsCommand()
{
    SkinRef<ISkinElement> form = QuerySkin<ISkinElement>(m_pSkinRoot, IID_ISkinElement);
    ApplyTooltips(m_bTooltips == 0, form.get());
}

void CDlgZelvante::OnShowAdsCommand()
{
    m_bShowAds = m_bShowAds ? 0 : 1;
    ZelvanteApp().WriteProfileInt("Params", "ShowAd", m_bShowAds);
    ReloadAd();
}

void CDlgZelvante::OnExchangeAdVideoCommand()
{
    m_bAdVideoExchanged = m_bAdVideoExchanged ? 0 : 1;
    LayoutPreview();
    LayoutAdView();
    ReloadAd();
}
