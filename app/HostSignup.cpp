#include "app/HostSignup.h"

#include "app/DlgBrowser.h"
#include "app/HostClient.h"
#include "app/ServerUrl.h"

#include <string>

UINT HostSignupPageString(int buttonId)
{
    switch (buttonId) {
    case kSignupAdultButton:
        return 162;
    case kSignupStandardButton:
        return 161;
    case kSignupStudioButton:
        return 163;
    default:
        return 0;
    }
}

bool OpenHostSignupPage(int buttonId)
{
    const UINT page = HostSignupPageString(buttonId);
    std::string url;
    if (page == 0 || !LoadServerUrl(page, url))
        return false;
    // Sign-up pages are opened without the user's id: nobody is logged in yet.
    CDlgHostRegister dialog(url.c_str(), nullptr, 1);
    return dialog.DoModal() == 1;
}
