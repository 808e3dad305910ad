// libjpeg's error handling for the JPEG format class: a fatal error puts the library's message
// in the image's last-error text and jumps back to the call that armed the jump buffer; warnings
// (a file cut short) are counted by the library and never printed.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

struct CPixJpgErrorManager {
    jpeg_error_mgr pub; // first, so the library's pointer is also ours
    std::jmp_buf jump;
    char* message;      // at least JMSG_LENGTH_MAX characters

    // Sets up the library's standard manager with our exit and silent output; returns the record
    // to hand to the library.
    jpeg_error_mgr* Install(char* messageBuffer);
};

// Error exit: formats the current message into the manager's buffer and longjmps with 1.
void CPixJpgErrorExit(j_common_ptr cinfo);
