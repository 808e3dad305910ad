// The host client: the login to the host/studio web server, the status poll, and the shared data
// block the poll publishes for the snapshot manager.
//
// State lives on the application object (UserType, the credentials, the status values); these
// functions are its only writers. A login runs on the user-interface thread, polls also on the
// status thread (HostStatusThread.h); the strings are under the credentials' lock, the numbers
// atomic, and block writes of this process are serialised.
#pragma once

#include "app/HttpGetText.h"
#include "platform/win32/types.h"

#include <chrono>
#include <string>

// String ids of the host client.
inline constexpr UINT kHostStatusUrlString = 146;
inline constexpr UINT kHostLoginUrlString = 153;

// Ids a login dialog ends with besides OK and Cancel: its sign-up buttons.
inline constexpr int kSignupAdultButton = 1008;
inline constexpr int kSignupStandardButton = 1013;
inline constexpr int kSignupStudioButton = 1014;

// The login dialog, as the login procedure uses it.
class HostLoginPrompt {
public:
    struct Answer {
        int result = 2;  // 1 OK, 2 Cancel, or the id of the sign-up button pressed
        std::string name;
        std::string password;
        bool rememberName = false;
        bool rememberPassword = false;
    };
    virtual ~HostLoginPrompt() = default;
    // Shows the dialog with the name filled in and the password empty.
    virtual Answer Ask(const std::string& name) = 0;
    // Opens the sign-up page of a sign-up button; the dialog is shown again afterwards.
    virtual void OpenSignupPage(int buttonId) = 0;
};

// The login procedure: the stored credentials first, then the dialog until a login succeeds or
// the user cancels. True when the user is logged in.
bool HostLogin(HostLoginPrompt& prompt);

// One login request; every failure is shown in a message box. On success UserType and UserId
// are set and the status was polled once. The request (and the poll) end within the login bound.
bool HostLoginRequest(const std::string& name, const std::string& password);

// One status request, then the shared block written (also when the request failed). True when
// the request succeeded; HostStatusMessage has then been posted to the main dialog.
bool PollHostStatus(RequestCanceller* canceller = nullptr);

// How long one login request (and its poll) may take on the user-interface thread.
void SetHostLoginBound(std::chrono::milliseconds bound);
std::chrono::milliseconds HostLoginBound();
