// The application's registry profile, as the framework's application object keeps it: values
// under HKEY_CURRENT_USER\Software\<registry key>\<application>\<section>. Integers are stored as
// REG_DWORD, strings as REG_SZ with their terminating zero, binary values as REG_BINARY.
//
// A profile without a registry key reads every value as its default and writes nothing (there
// is no .ini file behind it).
#pragma once

#include "platform/win32/types.h"

#include <string>
#include <vector>

namespace zv::win32 {

class Profile {
public:
    Profile() = default;
    Profile(std::string registryKey, std::string applicationName);

    const std::string& KeyName() const { return m_registryKey; }
    const std::string& ApplicationName() const { return m_applicationName; }

    // The stored REG_DWORD; `defaultValue` when the value is missing or of another type or size.
    UINT GetProfileInt(const char* section, const char* entry, int defaultValue) const;
    // The stored REG_SZ up to its first zero; `defaultValue` (null: empty) when missing or of
    // another type.
    std::string GetProfileString(const char* section, const char* entry, const char* defaultValue = nullptr) const;
    // True with the stored REG_BINARY bytes; false (data emptied) when missing or of another type.
    bool GetProfileBinary(const char* section, const char* entry, std::vector<BYTE>& data) const;

    bool WriteProfileInt(const char* section, const char* entry, int value) const;
    // A null entry deletes the section (when it has no subkeys); a null value deletes the entry.
    bool WriteProfileString(const char* section, const char* entry, const char* value) const;
    bool WriteProfileBinary(const char* section, const char* entry, const BYTE* data, UINT bytes) const;

private:
    std::string ApplicationPath() const;
    bool ReadValue(const char* section, const char* entry, DWORD& type, std::vector<BYTE>& data) const;
    bool WriteValue(const char* section, const char* entry, DWORD type, const BYTE* data, DWORD bytes) const;

    std::string m_registryKey;
    std::string m_applicationName;
};

// The profile of the running application, which the application object sets when it chooses its
// registry key; code that keeps settings in the application's profile reads it from here.
Profile ApplicationProfile();
void SetApplicationProfile(const Profile& profile);

} // namespace zv::win32
