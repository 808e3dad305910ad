#include "platform/win32/device_namespace.h"
#include "platform/win32/files.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using zv::win32::IoObject;
using zv::win32::IoResult;

// What a fake device answers and what it saw.
struct DeviceScript {
    std::mutex mutex;
    std::deque<IoResult> writeAnswers; // empty: accept everything
    std::deque<std::string> reads;     // each read hands out the next chunk; none left: fail
    DWORD readError = ERROR_GEN_FAILURE;
    std::vector<std::string> written;
    std::vector<DWORD> openedWith;
    DWORD openError = ERROR_SUCCESS;
    int closes = 0;
};

class FakeConnection final : public IoObject {
public:
    explicit FakeConnection(std::shared_ptr<DeviceScript> script) : m_script(std::move(script)) {}
    ~FakeConnection() override
    {
        std::lock_guard lock(m_script->mutex);
        ++m_script->closes;
    }

    IoResult Read(void* buffer, DWORD bytes) override
    {
        std::lock_guard lock(m_script->mutex);
        if (m_script->reads.empty())
            return IoResult{0, m_script->readError};
        const std::string chunk = m_script->reads.front();
        m_script->reads.pop_front();
        const DWORD count = std::min<DWORD>(bytes, static_cast<DWORD>(chunk.size()));
        std::memcpy(buffer, chunk.data(), count);
        return IoResult{count, ERROR_SUCCESS};
    }

    IoResult Write(const void* buffer, DWORD bytes) override
    {
        std::lock_guard lock(m_script->mutex);
        IoResult answer{bytes, ERROR_SUCCESS};
        if (!m_script->writeAnswers.empty()) {
            answer = m_script->writeAnswers.front();
            m_script->writeAnswers.pop_front();
        }
        if (answer.Ok())
            m_script->written.emplace_back(static_cast<const char*>(buffer), std::min(answer.bytes, bytes));
        return answer;
    }

private:
    std::shared_ptr<DeviceScript> m_script;
};

class FakeProvider final : public zv::win32::DeviceProvider {
public:
    explicit FakeProvider(std::shared_ptr<DeviceScript> script) : m_script(std::move(script)) {}

    std::shared_ptr<IoObject> Open(const std::string&, DWORD desiredAccess, DWORD& error) override
    {
        std::lock_guard lock(m_script->mutex);
        m_script->openedWith.push_back(desiredAccess);
        if (m_script->openError != ERROR_SUCCESS) {
            error = m_script->openError;
            return nullptr;
        }
        return std::make_shared<FakeConnection>(m_script);
    }

private:
    std::shared_ptr<DeviceScript> m_script;
};

constexpr const char* kPath = "\\\\?\\root#image#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

class DeviceNamespaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_script = std::make_shared<DeviceScript>();
        ASSERT_TRUE(zv::win32::RegisterDeviceProvider(kPath, std::make_shared<FakeProvider>(m_script)));
    }
    void TearDown() override { zv::win32::UnregisterDeviceProvider(kPath); }

    HANDLE Open(const char* path = kPath)
    {
        return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    std::shared_ptr<DeviceScript> m_script;
};

TEST_F(DeviceNamespaceTest, PathsMatchWhateverTheCaseAndPrefix)
{
    struct Case {
        const char* path;
        bool opens;
    };
    const Case cases[] = {
        {kPath, true},
        {"\\\\?\\ROOT#IMAGE#0000#{65E8773D-8F56-11D0-A3B9-00A0C9223196}\\GLOBAL", true},
        {"\\\\.\\root#image#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global", true},
        {"\\\\?\\root#image#0001#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global", false},
        {"\\\\?\\", false},
    };
    for (const Case& c : cases) {
        HANDLE device = Open(c.path);
        EXPECT_EQ(device != INVALID_HANDLE_VALUE, c.opens) << c.path;
        if (device != INVALID_HANDLE_VALUE)
            CloseHandle(device);
        else
            EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << c.path;
    }
    EXPECT_EQ(m_script->openedWith.size(), 3u);
    EXPECT_EQ(m_script->openedWith[0], GENERIC_READ | GENERIC_WRITE);
    EXPECT_EQ(m_script->closes, 3);
}

TEST_F(DeviceNamespaceTest, WritesReportWhatTheDeviceTook)
{
    m_script->writeAnswers = {IoResult{4, ERROR_SUCCESS}, IoResult{0, ERROR_SUCCESS},
                              IoResult{0, ERROR_INVALID_FUNCTION}};
    HANDLE device = Open();
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    DWORD done = 99;
    EXPECT_TRUE(WriteFile(device, "0123456789", 10, &done, nullptr));
    EXPECT_EQ(done, 4u);
    EXPECT_TRUE(WriteFile(device, "456789", 6, &done, nullptr));
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(WriteFile(device, "456789", 6, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(done, 0u);
    EXPECT_TRUE(WriteFile(device, "456789", 6, &done, nullptr));
    EXPECT_EQ(done, 6u);
    EXPECT_EQ(m_script->written, (std::vector<std::string>{"0123", "", "456789"}));
    CloseHandle(device);
}

TEST_F(DeviceNamespaceTest, ReadsFollowTheScriptAndFailuresCarryTheDeviceError)
{
    m_script->reads = {std::string("\x01\x00\x01\x00\x00\x00\x00\x01", 8), ""};
    m_script->readError = ERROR_BAD_COMMAND;
    HANDLE device = Open();
    unsigned char flags[10];
    std::memset(flags, 0xEE, sizeof flags);
    DWORD done = 0;
    EXPECT_TRUE(ReadFile(device, flags, sizeof flags, &done, nullptr));
    EXPECT_EQ(done, 8u);
    EXPECT_EQ(flags[0], 1);
    EXPECT_EQ(flags[1], 0);
    EXPECT_EQ(flags[7], 1);
    EXPECT_EQ(flags[8], 0xEE); // the device filled only what it said
    EXPECT_TRUE(ReadFile(device, flags, sizeof flags, &done, nullptr));
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(ReadFile(device, flags, sizeof flags, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_BAD_COMMAND);
    // A device handle has no file position or size.
    EXPECT_EQ(SetFilePointer(device, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetFileSize(device, nullptr), INVALID_FILE_SIZE);
    CloseHandle(device);
}

TEST_F(DeviceNamespaceTest, FailedOpenGivesTheProviderError)
{
    m_script->openError = ERROR_ACCESS_DENIED;
    EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(DeviceNamespaceTest, RegistrationIsOnePerPathAndOpenHandlesOutliveIt)
{
    auto other = std::make_shared<DeviceScript>();
    EXPECT_FALSE(zv::win32::RegisterDeviceProvider(kPath, std::make_shared<FakeProvider>(other)));
    EXPECT_FALSE(zv::win32::RegisterDeviceProvider("C:/not/a/device", std::make_shared<FakeProvider>(other)));
    HANDLE device = Open();
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(zv::win32::UnregisterDeviceProvider(kPath));
    EXPECT_FALSE(zv::win32::UnregisterDeviceProvider(kPath));
    EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    DWORD done = 0;
    EXPECT_TRUE(WriteFile(device, "abc", 3, &done, nullptr));
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(m_script->closes, 0);
    EXPECT_TRUE(CloseHandle(device));
    EXPECT_EQ(m_script->closes, 1);
    EXPECT_FALSE(WriteFile(device, "abc", 3, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// The frame callback and the user-interface thread write to one device handle without a lock.
TEST_F(DeviceNamespaceTest, HandleServesSeveralThreadsAtOnce)
{
    HANDLE device = Open();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([device] {
            for (int i = 0; i < 50; ++i) {
                DWORD done = 0;
                WriteFile(device, "frame", 5, &done, nullptr);
            }
        });
    }
    for (auto& writer : writers)
        writer.join();
    EXPECT_EQ(m_script->written.size(), 200u);
    CloseHandle(device);
}

} // namespace
