// The update client: asks the update servers whether a newer program exists, offers it to the
// user, downloads the installer in the background and starts it.
//
// One update thread at most runs at a time. It reports to the main dialog by sending
// UpdateProgressMessage with the codes below, and asks the user through CMsgBox boxes of its own.
// StopUpdateThread ends it at the program's exit: its request is aborted, an open box cancelled, and
// the thread joined while the calling thread keeps serving the messages sent to it.
//
// Update URLs are the string resources 333, 334, 335 ... (the queries, asked in turn up to the first
// id without a string) and 110 (the installer), each with the deployment's server (ServerUrl.h).
#pragma once

#include "platform/user/user_types.h"

#include <string>

// Progress codes (wParam of UpdateProgressMessage); lParam is 0 except for kUpdateDownloaded.
constexpr WPARAM kUpdateStarted = 3;     // sent by StartUpdateThread, also when a thread already runs
constexpr WPARAM kUpdateChecking = 10;
constexpr WPARAM kUpdateChecked = 12;
constexpr WPARAM kUpdateDownloading = 6;
constexpr WPARAM kUpdateDownloaded = 7;  // lParam: the installer's path, "" when the download failed
constexpr WPARAM kUpdateLaunching = 14;
constexpr WPARAM kUpdateLaunched = 17;
constexpr WPARAM kUpdateLaunchEnded = 15;

constexpr UINT kUpdateInstallerUrlString = 110;
constexpr UINT kFirstUpdateQueryString = 333;
constexpr UINT kUpdateAvailableString = 118;
constexpr UINT kUpdateInBackgroundString = 151;
constexpr UINT kUpdateReadyString = 157;
constexpr UINT kUpdateFailedString = 158;
// The countdown after which the background and ready prompts answer OK by themselves.
constexpr int kUpdatePromptSeconds = 30;

// The URL of string `id` with the deployment's server; empty when there is no string.
std::string UpdateUrl(UINT id);

// Asks the query servers in turn with the program's and the driver's versions; the first that
// answers 200 with a body decides. True when its reply parsed (VersionInfo then holds it).
bool QueryUpdateServer();
// Downloads the installer into a temporary file; true with its path when it arrived whole.
bool DownloadUpdate(std::string& path);
// Starts the downloaded installer with "/s" from its own folder, renamed to ".exe" first. False when
// the file is missing, is no program this machine can run, cannot be renamed or does not start.
bool LaunchUpdater(const char* path);

// Sends the progress message when the window still exists.
void NotifyUpdateProgress(HWND window, UINT message, WPARAM code, LPARAM lParam);
// Reports kUpdateStarted, then starts the update thread unless one runs.
void StartUpdateThread(HWND window, UINT message);
// Ends the update thread, if any, and joins it. Call it on the window's thread before the window
// goes away.
void StopUpdateThread();
bool IsUpdateThreadRunning();
