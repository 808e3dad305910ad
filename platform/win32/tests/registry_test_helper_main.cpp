// A second process for the registry tests. One command per run, given as arguments:
//   set-many SUBKEY PREFIX COUNT   values PREFIX0 .. PREFIX<COUNT-1> = REG_DWORD i under
//                                  HKEY_CURRENT_USER\SUBKEY, each in its own create-set-close
//   set-string SUBKEY NAME TEXT    one REG_SZ value
//   get-string SUBKEY NAME         prints the REG_SZ value
// The exit code is 0 when every call succeeded; on failure the failing call's error is printed.
#include "platform/win32/registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Fail(const char* call, LONG status)
{
    std::printf("%s failed: %ld\n", call, static_cast<long>(status));
    return 1;
}

int SetValue(const char* subKey, const std::string& name, DWORD type, const BYTE* data, DWORD size)
{
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return Fail("RegCreateKeyExA", status);
    status = RegSetValueExA(key, name.c_str(), 0, type, data, size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : Fail("RegSetValueExA", status);
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "set-many") {
        const int count = std::atoi(args[3].c_str());
        for (int i = 0; i < count; ++i) {
            const DWORD value = static_cast<DWORD>(i);
            BYTE bytes[4];
            std::memcpy(bytes, &value, sizeof bytes);
            if (SetValue(args[1].c_str(), args[2] + std::to_string(i), REG_DWORD, bytes, sizeof bytes) != 0)
                return 1;
        }
        return 0;
    }
    if (args.size() == 4 && args[0] == "set-string") {
        return SetValue(args[1].c_str(), args[2], REG_SZ, reinterpret_cast<const BYTE*>(args[3].c_str()),
                        static_cast<DWORD>(args[3].size() + 1));
    }
    if (args.size() == 3 && args[0] == "get-string") {
        HKEY key = nullptr;
        LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, args[1].c_str(), 0, KEY_READ, &key);
        if (status != ERROR_SUCCESS)
            return Fail("RegOpenKeyExA", status);
        char text[256] = {};
        DWORD size = sizeof text - 1;
        DWORD type = 0;
        status = RegQueryValueExA(key, args[2].c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return Fail("RegQueryValueExA", status);
        if (type != REG_SZ)
            return Fail("type", static_cast<LONG>(type));
        std::printf("%s\n", text);
        return 0;
    }
    std::printf("unknown command\n");
    return 2;
}
