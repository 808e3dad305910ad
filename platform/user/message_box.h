// Message boxes. On a display that shows them (gtk) the user answers, modally; otherwise a
// responder answers every box. Tests give it a script of
// answers; without one it answers the default button and writes the text to stderr. It never blocks.
#pragma once

#include "platform/user/user_types.h"

#include <string>
#include <vector>

// Buttons.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_CANCELTRYCONTINUE = 0x00000006;
constexpr UINT MB_TYPEMASK = 0x0000000F;
// Icons.
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
// Default button.
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;
// Modality and placement.
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDTRYAGAIN = 10;
constexpr int IDCONTINUE = 11;

// The answer to the box, or 0 when the responder's scripted answer is not one of its buttons
// (ERROR_INVALID_PARAMETER). A null caption is "Error".
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

namespace zv::user {

// The box's buttons from left to right, and the one MB_DEFBUTTONn picks (the first when the box
// has no n-th).
std::vector<int> MessageBoxButtons(UINT type);
int MessageBoxDefaultButton(UINT type);

class MessageBoxResponder {
public:
    struct Record {
        HWND owner;
        std::string text;
        std::string caption;
        UINT type;
        int answer;     // what MessageBoxA returned
        bool scripted;  // the answer came from the script
    };

    // The answers for the next boxes, in order; boxes beyond the script get their default button.
    static void SetScript(std::vector<int> answers);
    // Every box shown since the last Reset, oldest first.
    static std::vector<Record> History();
    // Clears the script and the history.
    static void Reset();

    // Answers one box (MessageBoxA calls this).
    static int Answer(HWND owner, const char* text, const char* caption, UINT type);
};

} // namespace zv::user
