// Command ids of the main menu (157) and the tray menu (168) that the main dialog answers itself.
// The source, frame-rate, skin, snapshot manager, playlist, filter and sound commands are with the
// dialog's class.
#pragma once

#include "platform/win32/types.h"

// Tray menu.
constexpr UINT kTrayExitCommand = 32783;
constexpr UINT kTrayShowHideCommand = 32784;
constexpr UINT kTrayPlayStopCommand = 32789;

// File.
constexpr UINT kExitCommand = 32799;

// Account pages; 32819 and 32822 have no menu item of their own.
constexpr UINT kPersonalDataCommand = 32812;
constexpr UINT kHostInfoCommand = 32813;
constexpr UINT kPaymentCommand = 32815;
constexpr UINT kEarningsCommand = 32816;
constexpr UINT kHostFaqCommand = 32819;
constexpr UINT kStatusCommand = 32821;
constexpr UINT kServiceCommand = 32822;
constexpr UINT kMessageCenterCommand = 32829;
constexpr UINT kSalaryCommand = 32831;

// Options and Help.
constexpr UINT kAboutCommand = 32820;
constexpr UINT kLargestFontCommand = 32824; // font size 5
constexpr UINT kSmallestFontCommand = 32828; // font size 1
constexpr UINT kMinimizeToTrayCommand = 32830;
constexpr UINT kFirstSnapshotModeCommand = 32838; // modes 0, 1, 2
constexpr UINT kLastSnapshotModeCommand = 32840;
constexpr UINT kLinksCommand = 32843;
constexpr UINT kFullScreenCommand = 32846;
constexpr UINT kLocalHelpCommand = 32847;
constexpr UINT kOnlineCommand = 32848;
constexpr UINT kRunAtStartupCommand = 32849;
constexpr UINT kTooltipsCommand = 32850;
constexpr UINT kShowAdsCommand = 32851;
constexpr UINT kExchangeAdVideoCommand = 32858;
constexpr UINT kAutoUpdateCommand = 32866;
constexpr UINT kCheckUpdateNowCommand = 32867;

// The settings record of the chat font size (4 bytes, 1 smallest to 5 largest).
inline constexpr const char* kFontSizeRecord = "Options_FontSize";
