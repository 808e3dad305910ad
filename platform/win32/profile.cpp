#include "platform/win32/profile.h"

#include "platform/win32/registry.h"

#include <cstring>
#include <mutex>

namespace zv::win32 {

namespace {

// Closes a key when the scope ends.
class KeyCloser {
public:
    explicit KeyCloser(HKEY key) : m_key(key) {}
    ~KeyCloser()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;

private:
    HKEY m_key;
};

std::mutex& ApplicationProfileMutex()
{
    static auto* mutex = new std::mutex();
    return *mutex;
}

Profile& ApplicationProfileSlot()
{
    static auto* profile = new Profile();
    return *profile;
}

} // namespace

Profile::Profile(std::string registryKey, std::string applicationName)
    : m_registryKey(std::move(registryKey)), m_applicationName(std::move(applicationName))
{
}

std::string Profile::ApplicationPath() const
{
    return "Software\\" + m_registryKey + "\\" + m_applicationName;
}

bool Profile::ReadValue(const char* section, const char* entry, DWORD& type, std::vector<BYTE>& data) const
{
    data.clear();
    if (m_registryKey.empty() || !section || !entry)
        return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (ApplicationPath() + "\\" + section).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    KeyCloser closer(key);
    // Another process may change the value between the two calls; try again when it grew.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegQueryValueExA(key, entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        data.resize(size);
        const LONG status = RegQueryValueExA(key, entry, nullptr, &type, data.data(), &size);
        if (status == ERROR_SUCCESS) {
            data.resize(size);
            return true;
        }
        if (status != ERROR_MORE_DATA)
            break;
    }
    data.clear();
    return false;
}

bool Profile::WriteValue(const char* section, const char* entry, DWORD type, const BYTE* data, DWORD bytes) const
{
    if (m_registryKey.empty() || !section || !entry)
        return false;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, (ApplicationPath() + "\\" + section).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    KeyCloser closer(key);
    return RegSetValueExA(key, entry, 0, type, data, bytes) == ERROR_SUCCESS;
}

UINT Profile::GetProfileInt(const char* section, const char* entry, int defaultValue) const
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(section, entry, type, data) || type != REG_DWORD || data.size() != sizeof(DWORD))
        return static_cast<UINT>(defaultValue);
    DWORD value = 0;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

std::string Profile::GetProfileString(const char* section, const char* entry, const char* defaultValue) const
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(section, entry, type, data) || type != REG_SZ)
        return defaultValue ? defaultValue : "";
    std::string text(data.begin(), data.end());
    if (const std::size_t end = text.find('\0'); end != std::string::npos)
        text.resize(end);
    return text;
}

bool Profile::GetProfileBinary(const char* section, const char* entry, std::vector<BYTE>& data) const
{
    DWORD type = 0;
    if (ReadValue(section, entry, type, data) && type == REG_BINARY)
        return true;
    data.clear();
    return false;
}

bool Profile::WriteProfileInt(const char* section, const char* entry, int value) const
{
    const auto stored = static_cast<DWORD>(value);
    BYTE bytes[sizeof stored];
    std::memcpy(bytes, &stored, sizeof stored);
    return WriteValue(section, entry, REG_DWORD, bytes, sizeof bytes);
}

bool Profile::WriteProfileString(const char* section, const char* entry, const char* value) const
{
    if (m_registryKey.empty() || !section)
        return false;
    if (!entry) {
        HKEY application = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, ApplicationPath().c_str(), 0, KEY_WRITE, &application) != ERROR_SUCCESS)
            return false;
        KeyCloser closer(application);
        return RegDeleteKeyA(application, section) == ERROR_SUCCESS;
    }
    if (!value) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, (ApplicationPath() + "\\" + section).c_str(), 0, KEY_WRITE, &key) !=
            ERROR_SUCCESS)
            return false;
        KeyCloser closer(key);
        return RegDeleteValueA(key, entry) == ERROR_SUCCESS;
    }
    return WriteValue(section, entry, REG_SZ, reinterpret_cast<const BYTE*>(value),
                      static_cast<DWORD>(std::strlen(value) + 1));
}

bool Profile::WriteProfileBinary(const char* section, const char* entry, const BYTE* data, UINT bytes) const
{
    return WriteValue(section, entry, REG_BINARY, data, bytes);
}

Profile ApplicationProfile()
{
    std::lock_guard<std::mutex> lock(ApplicationProfileMutex());
    return ApplicationProfileSlot();
}

void SetApplicationProfile(const Profile& profile)
{
    std::lock_guard<std::mutex> lock(ApplicationProfileMutex());
    ApplicationProfileSlot() = profile;
}

} // namespace zv::win32
