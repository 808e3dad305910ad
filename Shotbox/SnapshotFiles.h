// Where snapshots live and how they are named. New snapshots go to the hidden folder
// "~Temp~SnapShots" beside the program until the user saves them elsewhere; a file counts as an
// unsaved snapshot only when that folder is its own folder.
//
// Linux hides only dot-names, so the folder is hidden the ways file managers look for: its name is
// listed in the ".hidden" file of the program's folder, and it carries the hidden attribute our
// file layer keeps.
#pragma once

#include "Shotbox/SampleCallback.h"
#include "platform/win32/system_time.h"

#include <set>
#include <string>

inline constexpr const char* kSnapshotFolderName = "~Temp~SnapShots";

// The program's own folder (its path cut at the last separator).
std::string ProgramFolder();
std::string SnapshotFolderOf(const std::string& programFolder);

// Creates the folder when missing and hides it. False when it is missing afterwards or is not a
// folder; hiding is best effort (the folder works either way).
bool EnsureSnapshotFolder(const std::string& folder);

// Whether the file's own folder is `snapshotFolder` (not merely a path holding "~Temp~").
bool IsTemporaryImage(const std::string& path, const std::string& snapshotFolder);

// Only the letters and digits of the user's id go into a file name.
std::string FileNameSafeUserId(const std::string& userId);

// "<prefix>DDMMYYYYhhmmssmmmm.jpg" of a UTC time.
std::string SnapshotFileName(const std::string& prefix, const SYSTEMTIME& time);

// "folder/name", or with "-2", "-3"... before the extension when that path is in `taken` or, with
// `avoidExisting`, already exists. Never gives a path of `taken`.
std::string FreePath(const std::string& folder, const std::string& name, const std::set<std::string>& taken,
                     bool avoidExisting);

std::string JoinPath(const std::string& folder, const std::string& name);
std::string FolderOf(const std::string& path);

// Writes the frame as a JPEG at 72 dots per inch; false (and no file) when it cannot be written.
bool WriteSnapshotJpeg(const SnapshotFrame& frame, const std::string& path);
