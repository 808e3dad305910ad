#include "platform/win32/registry.h"
#include "platform/win32/registry_format.h"
#include "platform/win32/registry_store.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using zv::win32::testing::TempZvRoot;

// A run of the registry test helper; its standard output is collected when it ends.
class HelperRun {
public:
    explicit HelperRun(const std::vector<std::string>& args)
    {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::string program = REGISTRY_TEST_HELPER_PATH;
        std::vector<std::string> strings = args;
        std::vector<char*> argv{program.data()};
        for (std::string& arg : strings)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const int spawned = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        m_out = out[0];
        if (spawned != 0) {
            close(m_out);
            throw std::runtime_error("cannot start the registry test helper");
        }
    }
    ~HelperRun()
    {
        if (m_pid > 0)
            Wait();
    }
    HelperRun(const HelperRun&) = delete;
    HelperRun& operator=(const HelperRun&) = delete;

    // Waits for the end; the exit code (-1 when it did not exit normally).
    int Wait()
    {
        char buffer[512];
        ssize_t count;
        while ((count = read(m_out, buffer, sizeof buffer)) > 0)
            m_output.append(buffer, static_cast<std::size_t>(count));
        close(m_out);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& Output() const { return m_output; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_output;
};

class Key {
public:
    Key() = default;
    ~Key()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    PHKEY Out() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

LONG CreateKey(HKEY root, const char* path, Key& key, DWORD* disposition = nullptr)
{
    return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Out(),
                           disposition);
}

LONG SetString(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

LONG SetDword(HKEY key, const char* name, DWORD value)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The value's type and bytes; the status of the query.
LONG Query(HKEY key, const char* name, DWORD& type, std::vector<BYTE>& data)
{
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS)
        return status;
    data.assign(size, 0);
    status = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
    data.resize(size);
    return status;
}

std::string QueryString(HKEY key, const char* name)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (Query(key, name, type, data) != ERROR_SUCCESS || type != REG_SZ)
        return "<missing>";
    return std::string(reinterpret_cast<const char*>(data.data()));
}

std::vector<std::string> SubkeyNames(HKEY key)
{
    std::vector<std::string> names;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        const LONG status = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            EXPECT_EQ(status, static_cast<LONG>(ERROR_NO_MORE_ITEMS));
            return names;
        }
        names.emplace_back(name, size);
    }
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// ---- the store file ----

TEST(RegistryFormatTest, EveryKindOfNameAndDataSurvivesTheText)
{
    zv::win32::RegistryKey machine;
    bool created = false;
    zv::win32::RegistryKey& software = machine.ChildOrNew("HKEY_CURRENT_USER", created).ChildOrNew("Software", created);
    zv::win32::RegistryKey& odd = software.ChildOrNew("Device Parameters %20 #GLOBAL", created);
    odd.SetValue("", REG_SZ, {'d', 0});
    odd.SetValue("with space\\and back\\slash", REG_BINARY, {0x00, 0xFF, 0x25});
    odd.SetValue("\xC3\xA9t\xC3\xA9", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});
    odd.SetValue("empty", REG_BINARY, {});
    software.ChildOrNew("Empty key", created);
    machine.ChildOrNew("HKEY_LOCAL_MACHINE", created);

    const std::string text = zv::win32::FormatRegistry(machine);
    zv::win32::RegistryKey parsed;
    ASSERT_TRUE(zv::win32::ParseRegistry(text, parsed)) << text;
    EXPECT_EQ(zv::win32::FormatRegistry(parsed), text);
    zv::win32::RegistryKey* back = parsed.Find({"hkey_current_user", "SOFTWARE", "device parameters %20 #global"});
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->Values().size(), 4u);
    EXPECT_EQ(back->Values()[1].name, "with space\\and back\\slash");
    EXPECT_EQ(back->Values()[1].data, (std::vector<BYTE>{0x00, 0xFF, 0x25}));
    EXPECT_EQ(back->Values()[2].type, REG_MULTI_SZ);
    EXPECT_TRUE(back->Values()[3].data.empty());
    EXPECT_NE(parsed.Find({"HKEY_CURRENT_USER", "Software", "Empty key"}), nullptr);
    EXPECT_NE(parsed.Find({"HKEY_LOCAL_MACHINE"}), nullptr);
}

TEST(RegistryFormatTest, DamagedTextIsRefused)
{
    const std::string header = "ZELVANTE-REGISTRY 1\n";
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty file", ""},
        {"wrong header", "ZELVANTE-REGISTRY 2\nEND\n"},
        {"cut before END", header + "K HKEY_CURRENT_USER\n"},
        {"no final newline", header + "END"},
        {"text after END", header + "END\nK HKEY_CURRENT_USER\n"},
        {"value before any key", header + "V 1 =a =00\nEND\n"},
        {"odd hex", header + "K A\nV 3 =a =0\nEND\n"},
        {"bad hex digit", header + "K A\nV 3 =a =0G\nEND\n"},
        {"type not a number", header + "K A\nV x =a =00\nEND\n"},
        {"type too large", header + "K A\nV 4294967296 =a =00\nEND\n"},
        {"missing data field", header + "K A\nV 1 =a\nEND\n"},
        {"same value twice, other case", header + "K A\nV 1 =Name =00\nV 4 =NAME =00000000\nEND\n"},
        {"same key twice, other case", header + "K A\nK a\nEND\n"},
        {"child before its parent", header + "K A\\B\nEND\n"},
        {"empty name in a path", header + "K A\nK A\\\\B\nEND\n"},
        {"broken escape", header + "K A%2\nEND\n"},
        {"unknown line", header + "X A\nEND\n"},
    };
    for (const auto& c : cases) {
        zv::win32::RegistryKey machine;
        EXPECT_FALSE(zv::win32::ParseRegistry(c.text, machine)) << c.what;
    }
}

TEST(RegistryStoreTest, ACorruptStoreIsKeptAsideAndTheRegistryStartsEmpty)
{
    TempZvRoot root;
    const std::string store = zv::win32::RegistryStorePath();
    const std::string damaged = "ZELVANTE-REGISTRY 1\nK HKEY_CURRENT_USER\nV 1 =cut";
    WriteText(store, damaged);

    Key key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.Out()),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ReadText(store + ".corrupt-1"), damaged);
    EXPECT_FALSE(std::filesystem::exists(store));

    // The registry works on; a second damaged store does not overwrite the first one kept.
    ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, "Software\\Kestrova", key), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key.Get(), "Kept", "yes"), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(key.Get(), "Kept"), "yes");
    WriteText(store, "garbage");
    EXPECT_EQ(QueryString(key.Get(), "Kept"), "<missing>");
    EXPECT_EQ(ReadText(store + ".corrupt-1"), damaged);
    EXPECT_EQ(ReadText(store + ".corrupt-2"), "garbage");
}

TEST(RegistryStoreTest, AFailedWriteReportsAnErrorAndKeepsTheStoredValues)
{
    TempZvRoot root;
    Key key;
    ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, "Software\\Kestrova", key), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.Get(), "Value", "old"), ERROR_SUCCESS);
    const std::string before = ReadText(zv::win32::RegistryStorePath());

    // The temporary file cannot be made while a folder stands in its place.
    const std::string temporary = zv::win32::RegistryStorePath() + ".tmp-" + std::to_string(getpid());
    ASSERT_TRUE(std::filesystem::create_directory(temporary));
    EXPECT_EQ(SetString(key.Get(), "Value", "new"), static_cast<LONG>(ERROR_REGISTRY_IO_FAILED));
    EXPECT_EQ(QueryString(key.Get(), "Value"), "old");
    EXPECT_EQ(ReadText(zv::win32::RegistryStorePath()), before);

    std::filesystem::remove(temporary);
    EXPECT_EQ(SetString(key.Get(), "Value", "new"), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(key.Get(), "Value"), "new");
}

// ---- keys ----

TEST(RegistryKeyTest, CreateTellsNewFromExistingAndOpenFindsOnlyExisting)
{
    TempZvRoot root;
    Key missing;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kestrova", 0, KEY_READ, missing.Out()),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(missing.Get(), nullptr);

    DWORD disposition = 0;
    Key first;
    ASSERT_EQ(CreateKey(HKEY_LOCAL_MACHINE, "Software\\Kestrova\\Zelvante", first, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    Key second;
    ASSERT_EQ(CreateKey(HKEY_LOCAL_MACHINE, "Software\\Kestrova\\Zelvante", second, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    Key intermediate;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kestrova", 0, KEY_READ, intermediate.Out()),
              ERROR_SUCCESS);
    // The hives are apart.
    Key other;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrova", 0, KEY_READ, other.Out()),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST(RegistryKeyTest, NamesIgnoreCaseAndKeepTheCaseTheyWereCreatedWith)
{
    TempZvRoot root;
    Key created;
    ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, "Software\\Kestrova\\MixedCase", created), ERROR_SUCCESS);
    ASSERT_EQ(SetString(created.Get(), "OverlayText", "hello"), ERROR_SUCCESS);

    DWORD disposition = 0;
    Key again;
    ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, "SOFTWARE\\kestrova\\MIXEDCASE\\Child", again, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    Key opened;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\KESTROVA\\mixedcase", 0, KEY_ALL_ACCESS, opened.Out()),
              ERROR_SUCCESS);
    EXPECT_EQ(QueryString(opened.Get(), "overlaytext"), "hello");

    // Setting under another case replaces the value and keeps its first name.
    ASSERT_EQ(SetString(opened.Get(), "OVERLAYTEXT", "again"), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(created.Get(), "OverlayText"), "again");
    EXPECT_NE(ReadText(zv::win32::RegistryStorePath()).find("=OverlayText ="), std::string::npos);

    Key kestrova;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrova", 0, KEY_READ, kestrova.Out()), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(kestrova.Get()), std::vector<std::string>{"MixedCase"});
    EXPECT_EQ(SubkeyNames(opened.Get()), std::vector<std::string>{"Child"});
}

TEST(RegistryKeyTest, BadPathsAndHandlesAreRefused)
{
    TempZvRoot root;
    Key key;
    EXPECT_EQ(CreateKey(HKEY_CURRENT_USER, "\\Software", key), static_cast<LONG>(ERROR_BAD_PATHNAME));
    EXPECT_EQ(CreateKey(HKEY_CURRENT_USER, "Software\\\\Kestrova", key), static_cast<LONG>(ERROR_BAD_PATHNAME));
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 1 /* volatile */, KEY_ALL_ACCESS, nullptr,
                              key.Out(), nullptr),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));
    ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, "Software\\Kestrova\\", key), ERROR_SUCCESS);

    HKEY bogus = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x7FF0));
    Key child;
    EXPECT_EQ(RegOpenKeyExA(bogus, "x", 0, KEY_READ, child.Out()), static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(SetDword(bogus, "x", 1), static_cast<LONG>(ERROR_INVALID_HANDLE));

    HKEY closed = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software", &closed), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(closed), static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(SetDword(closed, "x", 1), static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST(RegistryKeyTest, AccessRightsOfTheHandleAreEnforced)
{
    TempZvRoot root;
    Key writable;
    ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, "Software\\Kestrova", writable), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(writable.Get(), "n", 7), ERROR_SUCCESS);

    Key readOnly;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrova", 0, KEY_READ, readOnly.Out()), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(readOnly.Get(), "n", 8), static_cast<LONG>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(RegDeleteValueA(readOnly.Get(), "n"), static_cast<LONG>(ERROR_ACCESS_DENIED));
    Key child;
    EXPECT_EQ(CreateKey(readOnly.Get(), "Child", child), static_cast<LONG>(ERROR_ACCESS_DENIED));

    Key writeOnly;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrova", 0, KEY_SET_VALUE, writeOnly.Out()),
              ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(writeOnly.Get(), "n", nullptr, nullptr, nullptr, &size),
              static_cast<LONG>(ERROR_ACCESS_DENIED));
    char name[16];
    EXPECT_EQ(RegEnumKeyA(writeOnly.Get(), 0, name, sizeof name), static_cast<LONG>(ERROR_ACCESS_DENIED));

    // RegOpenKeyA asks for everything it may have.
    HKEY full = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Kestrova", &full), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(full, "n", 9), ERROR_SUCCESS);
    RegCloseKey(full);
}

TEST(RegistryKeyTest, ClassesRootIsTheMachinesSoftwareClasses)
{
    TempZvRoot root;
    Key classes;
    ASSERT_EQ(CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{17CCA71B-ECD7-11D0-B908-00A0C9223196}", classes), ERROR_SUCCESS);
    ASSERT_EQ(SetString(classes.Get(), nullptr, "proxy"), ERROR_SUCCESS);
    Key machine;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\{17CCA71B-ECD7-11D0-B908-00A0C9223196}", 0,
                            KEY_READ, machine.Out()),
              ERROR_SUCCESS);
    EXPECT_EQ(QueryString(machine.Get(), ""), "proxy");
}

TEST(RegistryKeyTest, EnumerationRunsInNameOrderAndReportsShortBuffers)
{
    TempZvRoot root;
    Key parent;
    ASSERT_EQ(CreateKey(HKEY_LOCAL_MACHINE, "Enum\\Root\\MEDIA", parent), ERROR_SUCCESS);
    for (const char* name : {"0002", "0000", "beta", "Alpha", "0001"}) {
        Key child;
        ASSERT_EQ(CreateKey(parent.Get(), name, child), ERROR_SUCCESS);
    }
    EXPECT_EQ(SubkeyNames(parent.Get()), (std::vector<std::string>{"0000", "0001", "0002", "Alpha", "beta"}));

    char name[8];
    DWORD size = 5; // "Alpha" needs 6 with its zero
    EXPECT_EQ(RegEnumKeyExA(parent.Get(), 3, name, &size, nullptr, nullptr, nullptr, nullptr),
              static_cast<LONG>(ERROR_MORE_DATA));
    size = 6;
    char keyClass[4] = "x";
    DWORD classSize = sizeof keyClass;
    FILETIME written{1, 1};
    ASSERT_EQ(RegEnumKeyExA(parent.Get(), 3, name, &size, nullptr, keyClass, &classSize, &written), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Alpha");
    EXPECT_EQ(size, 5u);
    EXPECT_STREQ(keyClass, "");
    EXPECT_EQ(classSize, 0u);

    EXPECT_EQ(RegEnumKeyA(parent.Get(), 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "0000");
    EXPECT_EQ(RegEnumKeyA(parent.Get(), 4, name, 4), static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(RegEnumKeyA(parent.Get(), 5, name, sizeof name), static_cast<LONG>(ERROR_NO_MORE_ITEMS));
}

TEST(RegistryKeyTest, DeletingKeys)
{
    TempZvRoot root;
    Key device;
    ASSERT_EQ(CreateKey(HKEY_LOCAL_MACHINE, "Enum\\Root\\MEDIA\\0000\\Sub", device), ERROR_SUCCESS);
    Key media;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Enum\\Root\\MEDIA", media.Out()), ERROR_SUCCESS);

    // A key with subkeys stays.
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum\\Root\\MEDIA\\0000"), static_cast<LONG>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(RegDeleteKeyA(media.Get(), "0000\\sub"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(media.Get(), "0000\\Sub"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    // A handle of a deleted key fails from then on.
    EXPECT_EQ(SetDword(device.Get(), "x", 1), static_cast<LONG>(ERROR_KEY_DELETED));

    HKEY self = nullptr;
    ASSERT_EQ(RegOpenKeyA(media.Get(), "0000", &self), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(self, ""), ERROR_SUCCESS);
    RegCloseKey(self);
    EXPECT_TRUE(SubkeyNames(media.Get()).empty());
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), static_cast<LONG>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, nullptr), static_cast<LONG>(ERROR_INVALID_PARAMETER));
}

// ---- values ----

TEST(RegistryValueTest, EachTypeKeepsItsBytes)
{
    TempZvRoot root;
    Key key;
    ASSERT_EQ(CreateKey(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Class\\MEDIA\\0000", key),
              ERROR_SUCCESS);
    const struct {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
    } cases[] = {
        {"DevLoader", REG_SZ, {'*', 'n', 't', 'k', 'e', 'r', 'n', 0}},
        {"RefCount", REG_DWORD, {1, 0, 0, 0}},
        {"Serial", REG_BINARY, {0x34, 0x02, 0, 0, 0, 0, 0, 0}},
        {"HardwareIDs", REG_MULTI_SZ, {'z', 'e', 'l', 0, 'Z', 'V', 0, 0}},
        {"Empty", REG_BINARY, {}},
    };
    for (const auto& c : cases)
        ASSERT_EQ(RegSetValueExA(key.Get(), c.name, 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS)
            << c.name;
    for (const auto& c : cases) {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_EQ(Query(key.Get(), c.name, type, data), ERROR_SUCCESS) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(data, c.data) << c.name;
    }
}

TEST(RegistryValueTest, QuerySizesAndShortBuffers)
{
    TempZvRoot root;
    Key key;
    ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", key), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.Get(), "Zelvante", "/opt/zelvante /play"), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Zelvante", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 20u);

    char buffer[32] = "untouched";
    size = 10;
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Zelvante", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
              static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 20u);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Zelvante", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 20u);
    EXPECT_STREQ(buffer, "/opt/zelvante /play");
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Zelvante", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), nullptr),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));

    EXPECT_EQ(RegQueryValueExA(key.Get(), "Other", nullptr, &type, nullptr, &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegDeleteValueA(key.Get(), "zelvante"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key.Get(), "Zelvante"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Zelvante", nullptr, &type, nullptr, &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST(RegistryValueTest, NullAndEmptyNamesAreTheDefaultValue)
{
    TempZvRoot root;
    Key key;
    ASSERT_EQ(CreateKey(HKEY_LOCAL_MACHINE, "Interfaces\\{C6E13343-30AC-11d0-A18C-00A0C9118956}", key), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.Get(), nullptr, "{C6E13343-30AC-11d0-A18C-00A0C9118956}"), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(key.Get(), ""), "{C6E13343-30AC-11d0-A18C-00A0C9118956}");
    EXPECT_EQ(QueryString(key.Get(), nullptr), "{C6E13343-30AC-11d0-A18C-00A0C9118956}");
}

// ---- several threads and processes ----

TEST(RegistrySharingTest, ValuesSurviveIntoAnotherProcessAndBack)
{
    TempZvRoot root;
    Key key;
    ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, "Software\\Kestrova\\Zelvante\\Params", key), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.Get(), "SkinPath", "/skins/blue.skn"), ERROR_SUCCESS);

    HelperRun reader({"get-string", "SOFTWARE\\kestrova\\ZELVANTE\\params", "skinpath"});
    EXPECT_EQ(reader.Wait(), 0) << reader.Output();
    EXPECT_EQ(reader.Output(), "/skins/blue.skn\n");

    HelperRun writer({"set-string", "Software\\Kestrova\\Zelvante\\Params", "LastVideo", "/videos/a clip.avi"});
    EXPECT_EQ(writer.Wait(), 0) << writer.Output();
    EXPECT_EQ(QueryString(key.Get(), "LastVideo"), "/videos/a clip.avi");
}

TEST(RegistrySharingTest, ProcessesAndThreadsWritingAtOnceLoseNothing)
{
    TempZvRoot root;
    constexpr int kEach = 60;
    const char* const subKey = "Software\\Kestrova\\Shared";
    {
        HelperRun first({"set-many", subKey, "first", std::to_string(kEach)});
        HelperRun second({"set-many", subKey, "second", std::to_string(kEach)});
        std::vector<std::thread> threads;
        for (int t = 0; t < 2; ++t) {
            threads.emplace_back([t, subKey] {
                for (int i = 0; i < kEach; ++i) {
                    Key key;
                    ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, subKey, key), ERROR_SUCCESS);
                    const std::string name = "thread" + std::to_string(t) + "_" + std::to_string(i);
                    ASSERT_EQ(SetDword(key.Get(), name.c_str(), static_cast<DWORD>(i)), ERROR_SUCCESS);
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_EQ(first.Wait(), 0) << first.Output();
        EXPECT_EQ(second.Wait(), 0) << second.Output();
    }
    Key key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_READ, key.Out()), ERROR_SUCCESS);
    for (const std::string prefix : {"first", "second", "thread0_", "thread1_"}) {
        for (int i = 0; i < kEach; ++i) {
            const std::string name = prefix + std::to_string(i);
            DWORD value = 0xFFFFFFFF;
            DWORD size = sizeof value;
            ASSERT_EQ(RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                                       &size),
                      ERROR_SUCCESS)
                << name;
            EXPECT_EQ(value, static_cast<DWORD>(i)) << name;
        }
    }
}

} // namespace
