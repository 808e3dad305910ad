// The snapshot manager's upload client: each picture takes a GET that registers its title and
// options ("snapshot.asp"), then, only when the server answered 200, a multipart POST of the JPEG
// ("fotoUpload.asp"). Every request opens and closes its own internet session.
//
// Nothing here shows a window: each call returns whether the server took it and, when not, the
// text the user is to be shown (from the program's string table), which the dialog puts in a
// message box.
#pragma once

#include "platform/win32/types.h"

#include <cstdint>
#include <string>

// Multipart boundaries: 27 '-' and three 4-digit hexadecimal values of a 15-bit generator
// (x = x * 214013 + 2531011, (x >> 16) & 0x7FFF) started at 1, so that every run sends the same
// boundaries in the same order, as the servers have always seen them.
class CBoundaryGenerator {
public:
    std::string Next();

private:
    int NextValue();
    std::uint32_t m_state = 1;
};

// The boundary of the program's next upload (one generator per process).
std::string MakeBoundary();

// The choices of the dialog's upload row.
struct SnapshotUploadOptions {
    bool adultGroup = false;     // "Adult group": Category 2, else 1
    bool makeMaster = false;     // "Make it profile photo"
    bool highResolution = false; // "High resolution"; else "Standard resolution": sent as 320 x 240
};

struct SnapshotUploadResult {
    bool accepted = false;   // the server answered 200
    UINT messageId = 0;      // string shown to the user (105, 107, 108, 110, 111, 113), 0 for none
    DWORD internetError = 0; // the failing internet call's error, 0 for none
    std::string message;     // the whole text to show; empty when accepted
};

// Cut to its first 50 characters, then percent-encoded as a form value (blanks as '+').
std::string EncodeSnapshotTitle(const std::string& title);
// Percent-encoded as a form value (blanks as '+'); letters, digits and "-_.~" stay as they are.
std::string EncodeQueryValue(const std::string& value);
// The internet client's text for an error code, trailing blanks trimmed; for "extended error" the
// server's last response when there is one. Empty when the code is unknown.
std::string InternetErrorTextOf(DWORD code);

class CSnapshotUploader {
public:
    // registrationFormat: the "snapshot.asp" URL with the placeholders %s (user id), %d (category),
    // %s (title), %d (make master), %d (resolution), in this order; uploadUrl: the "fotoUpload.asp"
    // URL; agent: the name the requests carry; temporaryFile: where the JPEG is written for the
    // time of one upload.
    CSnapshotUploader(std::string registrationFormat, std::string uploadUrl, std::string agent,
                      std::string temporaryFile);

    // The program's own: strings 112 and 104 of its string table, the application's name, and
    // "~temp~submit.jpg" beside the program.
    static CSnapshotUploader FromProgram();

    // Registers a picture for the user logged in to the main program. A null user id (the main
    // program's shared data cannot be reached) or an empty one (nobody logged in) gives string 105
    // without a request.
    SnapshotUploadResult Register(const char* userId, const std::string& title, const SnapshotUploadOptions& options);
    // Sends the picture file as JPEG at 72 dots per inch (320 x 240 at standard resolution). The
    // temporary file is gone again when this returns, whatever happened.
    SnapshotUploadResult Upload(const std::string& imagePath, const SnapshotUploadOptions& options);

    const std::string& TemporaryFile() const { return m_temporaryFile; }

private:
    std::string m_registrationFormat;
    std::string m_uploadUrl;
    std::string m_agent;
    std::string m_temporaryFile;
};
