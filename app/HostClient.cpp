#include "app/HostClient.h"

#include "app/FileVersion.h"
#include "app/HostReplies.h"
#include "app/ProgramMessages.h"
#include "app/ServerUrl.h"
#include "app/ZelvanteApp.h"
#include "capture/FrameCallback.h"
#include "platform/afx/afx_app.h"
#include "platform/user/message_box.h"
#include "platform/user/window.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace {

constexpr UINT kEmptyNameString = 125;
constexpr UINT kEmptyPasswordString = 126;
constexpr UINT kInvalidLoginString = 133;
constexpr const char* kNameBlob = "HostLoginName";
constexpr const char* kPasswordBlob = "HostLoginPass";
// Stored login values are read into a buffer of this size; a longer one counts as missing.
constexpr int kStoredValueBytes = 20;

// Shared data block layout (all integers little-endian, strings NUL-terminated in their field).
constexpr std::size_t kUserIdField = 0x004;
constexpr std::size_t kLoginNameField = 0x018;
constexpr std::size_t kLoginPasswordField = 0x02C;
constexpr std::size_t kTextFieldBytes = 20;
constexpr std::size_t kFolderField = 0x040;
constexpr std::size_t kFolderFieldBytes = 260;
constexpr std::size_t kUserTypeField = 0x34C;
constexpr std::size_t kUnreadMessagesField = 0x350;
constexpr std::size_t kHiddenMenuBitsField = 0x354;
constexpr std::size_t kProfilePhotoField = 0x358;
constexpr std::size_t kHostGroupField = 0x35C;
constexpr std::size_t kWrittenFlag = 0x360;
constexpr std::size_t kOkStartSessionField = 0x361;
constexpr std::size_t kActiveForSessionField = 0x362;

std::atomic<long long> g_loginBoundMs{30'000};
// The login's poll and the status thread's may end together: one writes the block at a time.
std::mutex g_blockMutex;

// Copies at most size - 1 bytes and a NUL; the rest of the field is zeroed.
void PutText(BYTE* block, std::size_t offset, std::size_t size, const std::string& value)
{
    std::memset(block + offset, 0, size);
    std::memcpy(block + offset, value.data(), std::min(value.size(), size - 1));
}

template <typename T>
void Put(BYTE* block, std::size_t offset, T value)
{
    std::memcpy(block + offset, &value, sizeof value);
}

void WriteSharedBlock(CZelvanteApp& app)
{
    std::lock_guard lock(g_blockMutex);
    BYTE* block = g_pSharedData.load();
    if (!block)
        return;
    const HostLoginStrings strings = app.Credentials.Get();
    PutText(block, kFolderField, kFolderFieldBytes, ProgramFolder());
    PutText(block, kUserIdField, kTextFieldBytes, strings.UserId);
    PutText(block, kLoginNameField, kTextFieldBytes, strings.LoginName);
    PutText(block, kLoginPasswordField, kTextFieldBytes, strings.LoginPassword);
    Put<std::int32_t>(block, kUserTypeField, app.UserType.load());
    Put<std::int32_t>(block, kUnreadMessagesField, app.UnreadMessages.load());
    Put<std::uint32_t>(block, kHiddenMenuBitsField, app.HiddenMenuBits.load());
    Put<std::int32_t>(block, kProfilePhotoField, app.ProfilePhoto.load());
    Put<std::int32_t>(block, kHostGroupField, app.HostGroup.load());
    block[kWrittenFlag] = 1;
    block[kOkStartSessionField] = app.OkStartSession.load();
    block[kActiveForSessionField] = app.ActiveForSession.load();
}

void ApplyStatus(CZelvanteApp& app, const HostStatusReply& reply)
{
    if (reply.unreadMessages)
        app.UnreadMessages = *reply.unreadMessages;
    if (reply.profilePhoto)
        app.ProfilePhoto = *reply.profilePhoto;
    if (reply.hostGroup)
        app.HostGroup = *reply.hostGroup;
    if (reply.okStartSession)
        app.OkStartSession = *reply.okStartSession;
    if (reply.activeForSession)
        app.ActiveForSession = *reply.activeForSession;
    app.HiddenMenuBits.fetch_or(reply.menuBitsToSet);
    app.HiddenMenuBits.fetch_and(~reply.menuBitsToClear);
}

std::string StoredValue(const ConfigStore& config, const char* name)
{
    char buffer[kStoredValueBytes] = {};
    int size = sizeof buffer;
    if (!config.GetBlob(name, buffer, &size))
        return {};
    return std::string(buffer, static_cast<std::size_t>(size));
}

void StoreValue(ConfigStore& config, const char* name, bool remember, const std::string& value)
{
    // Not remembered: a record without data.
    config.SetBlob(name, remember ? value.data() : nullptr, remember ? static_cast<int>(value.size()) : 0);
    config.dirty = true;
}

} // namespace

void SetHostLoginBound(std::chrono::milliseconds bound)
{
    g_loginBoundMs = bound.count();
}

std::chrono::milliseconds HostLoginBound()
{
    return std::chrono::milliseconds(g_loginBoundMs.load());
}

bool PollHostStatus(RequestCanceller* canceller)
{
    CZelvanteApp& app = ZelvanteApp();
    bool succeeded = false;
    std::string url;
    if (LoadServerUrl(kHostStatusUrlString, url)) {
        std::string reply;
        if (HttpGetText(WithUserId(url, app.Credentials.UserId()).c_str(), reply, canceller)) {
            if (const auto status = ReadStatusReply(reply))
                ApplyStatus(app, *status);
            if (const HWND main = g_hWndMain.load())
                PostMessageA(main, HostStatusMessage, 0, 0);
            succeeded = true;
        }
    }
    WriteSharedBlock(app);
    return succeeded;
}

bool HostLoginRequest(const std::string& name, const std::string& password)
{
    if (name.empty()) {
        AfxMessageBox(kEmptyNameString, MB_ICONERROR);
        return false;
    }
    if (password.empty()) {
        AfxMessageBox(kEmptyPasswordString, MB_ICONERROR);
        return false;
    }
    std::string format;
    LoadServerUrl(kHostLoginUrlString, format);  // a missing string is reported as an empty URL
    const std::string url = format.empty() ? std::string() : FormatUrl(format, {name, password});
    std::string reply;
    bool answered = false;
    if (!RunWithinBound([&](RequestCanceller& canceller) { answered = HttpGetText(url.c_str(), reply, &canceller); },
                        HostLoginBound()) &&
        !answered)
        reply = TimedOutText();
    if (!answered) {
        AfxMessageBox(reply.c_str(), MB_ICONERROR);
        return false;
    }

    CZelvanteApp& app = ZelvanteApp();
    // Any reply logs out first: a failed login leaves nobody logged in.
    app.Credentials.Set({});
    app.UserType = 0;
    const LoginReply login = ReadLoginReply(reply);
    if (!login.loggedIn) {
        AfxMessageBox(kInvalidLoginString, MB_ICONERROR);
        return false;
    }
    app.UserType = login.userType;
    app.Credentials.Set({"", "", login.userId});
    RunWithinBound([](RequestCanceller& canceller) { PollHostStatus(&canceller); }, HostLoginBound());
    return true;
}

bool HostLogin(HostLoginPrompt& prompt)
{
    CZelvanteApp& app = ZelvanteApp();
    HostLoginStrings stored = app.Credentials.Get();
    stored.LoginName = StoredValue(app.m_Config, kNameBlob);
    stored.LoginPassword = StoredValue(app.m_Config, kPasswordBlob);
    app.Credentials.Set(stored);
    if (!stored.LoginName.empty() && !stored.LoginPassword.empty() &&
        HostLoginRequest(stored.LoginName, stored.LoginPassword))
        return true;
    for (;;) {
        const HostLoginPrompt::Answer answer = prompt.Ask(app.Credentials.Get().LoginName);
        switch (answer.result) {
        case IDOK:
            if (HostLoginRequest(answer.name, answer.password)) {
                StoreValue(app.m_Config, kNameBlob, answer.rememberName, answer.name);
                StoreValue(app.m_Config, kPasswordBlob, answer.rememberPassword, answer.password);
                return true;
            }
            break;
        case kSignupAdultButton:
        case kSignupStandardButton:
        case kSignupStudioButton:
            prompt.OpenSignupPage(answer.result);
            break;
        default:
            return false;
        }
    }
}
