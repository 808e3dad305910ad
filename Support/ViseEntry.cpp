// The library's one export, called by the installer at uninstall time.
#include "Support/SupportApp.h"
#include "Support/Uninstall.h"
#include "platform/user/message_box.h"

extern "C" __attribute__((visibility("default"))) int ViseEntry(int action, int, int)
{
    // Nothing is reported to the installer: the result is 0 whatever happened.
    if (action == 0) {
        CloseMainProgram();
        int restartNeeded = 0;
        UninstallDriver(&restartNeeded);
        if (restartNeeded)
            MessageBoxA(nullptr, "You need to reboot your computer\r\nto finish uninstalling Zelvante driver", "Support",
                        MB_ICONINFORMATION);
    } else if (action == 1) {
        CloseMainProgram();
        UnregisterSkinControl();
    }
    return 0;
}
