#include "test_virtual_camera_device.h"

#include "platform/dshow/testing/device_hooks.h"
#include "platform/win32/device_namespace.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace zv::capture::testing {

using win32::IoResult;

WriteVerdict JudgeWrite(const InUseFlags& flags, const BYTE* block, DWORD length)
{
    if (length <= 4) return {false, -1, 0};
    const int index = block[0];
    std::uint32_t raw = 0;
    for (int i = 0; i < 4; ++i) raw |= static_cast<std::uint32_t>(block[1 + i]) << (8 * i);
    const auto offset = static_cast<std::int32_t>(raw);
    if (index >= 8 || flags[static_cast<std::size_t>(index)] == 0) return {false, index, offset};
    const std::int64_t size = kStoredFormats[static_cast<std::size_t>(index)].bytes;
    const bool inside = offset >= 0 && offset <= size && static_cast<std::int64_t>(length) <= size - offset;
    return {inside, index, offset};
}

PullSource FindPullSource(std::int32_t width, std::int32_t height)
{
    const auto w = static_cast<std::uint32_t>(width);
    const auto h = static_cast<std::uint32_t>(height);
    for (std::size_t i = 0; i < kStoredFormats.size(); ++i) {
        if (w == static_cast<std::uint32_t>(kStoredFormats[i].width) && h == static_cast<std::uint32_t>(kStoredFormats[i].height))
            return {static_cast<int>(i), 0};
    }
    // Index 2 (240 x 176) takes no shorter pictures: 240 wide and shorter than 180 goes to 3.
    for (const int i : {0, 1, 3, 4, 5, 6, 7}) {
        const StoredFormat& format = kStoredFormats[static_cast<std::size_t>(i)];
        if (w == static_cast<std::uint32_t>(format.width) && h < static_cast<std::uint32_t>(format.height))
            return {i, (static_cast<std::uint32_t>(format.height) - h) * w * 3};
    }
    return {-1, 0};
}

struct TestVirtualCameraDevice::State {
    std::mutex mutex;
    InUseFlags flags{};
    std::array<std::vector<BYTE>, 8> frames; // empty until the first stored write
    std::deque<IoResult> writeAnswers;
    std::deque<IoResult> readAnswers;
    std::vector<Block> writes;

    static std::optional<IoResult> Next(std::deque<IoResult>& answers)
    {
        if (answers.empty()) return std::nullopt;
        const IoResult answer = answers.front();
        answers.pop_front();
        return answer;
    }

    IoResult Write(const BYTE* block, DWORD length)
    {
        std::lock_guard lock(mutex);
        const std::optional<IoResult> scripted = Next(writeAnswers);
        if (scripted && !scripted->Ok()) return *scripted;
        const DWORD taken = scripted ? std::min(scripted->bytes, length) : length;
        if (taken == 0) return {0, ERROR_SUCCESS};
        const WriteVerdict verdict = JudgeWrite(flags, block, taken);
        writes.push_back({taken, std::vector<BYTE>(block, block + std::min<DWORD>(taken, 8)), verdict.stored});
        if (verdict.stored) {
            std::vector<BYTE>& frame = frames[static_cast<std::size_t>(verdict.index)];
            if (frame.empty()) frame.assign(kStoredFormats[static_cast<std::size_t>(verdict.index)].bytes, 0);
            std::memcpy(frame.data() + verdict.offset, block, taken);
        }
        return {taken, ERROR_SUCCESS};
    }

    IoResult Read(BYTE* buffer, DWORD length)
    {
        std::lock_guard lock(mutex);
        const std::optional<IoResult> scripted = Next(readAnswers);
        if (scripted && (!scripted->Ok() || scripted->bytes == 0)) return *scripted;
        if (length >= flags.size()) std::memcpy(buffer, flags.data(), flags.size());
        return {length, ERROR_SUCCESS};
    }
};

namespace {

class Connection final : public win32::IoObject {
public:
    explicit Connection(std::shared_ptr<TestVirtualCameraDevice::State> state) : m_state(std::move(state)) {}
    IoResult Read(void* buffer, DWORD bytes) override { return m_state->Read(static_cast<BYTE*>(buffer), bytes); }
    IoResult Write(const void* buffer, DWORD bytes) override
    {
        return m_state->Write(static_cast<const BYTE*>(buffer), bytes);
    }

private:
    std::shared_ptr<TestVirtualCameraDevice::State> m_state;
};

class Provider final : public win32::DeviceProvider {
public:
    explicit Provider(std::shared_ptr<TestVirtualCameraDevice::State> state) : m_state(std::move(state)) {}
    std::shared_ptr<win32::IoObject> Open(const std::string&, DWORD, DWORD&) override
    {
        return std::make_shared<Connection>(m_state);
    }

private:
    std::shared_ptr<TestVirtualCameraDevice::State> m_state;
};

} // namespace

TestVirtualCameraDevice::TestVirtualCameraDevice(std::string devicePath, std::string friendlyName)
    : m_path(std::move(devicePath)), m_state(std::make_shared<State>())
{
    if (!win32::RegisterDeviceProvider(m_path, std::make_shared<Provider>(m_state)) ||
        !dshow::testing::ListTestVideoDevice(friendlyName, m_path))
        throw std::runtime_error("test virtual camera: path taken " + m_path);
}

TestVirtualCameraDevice::~TestVirtualCameraDevice()
{
    dshow::testing::UnlistTestVideoDevice(m_path);
    win32::UnregisterDeviceProvider(m_path);
}

void TestVirtualCameraDevice::ScriptWrite(IoResult answer)
{
    std::lock_guard lock(m_state->mutex);
    m_state->writeAnswers.push_back(answer);
}

void TestVirtualCameraDevice::ScriptRead(IoResult answer)
{
    std::lock_guard lock(m_state->mutex);
    m_state->readAnswers.push_back(answer);
}

std::optional<std::uint32_t> TestVirtualCameraDevice::Pull(std::int32_t width, std::int32_t height, std::vector<BYTE>& buffer)
{
    const std::uint32_t size = ((static_cast<std::uint32_t>(width) * 24 + 31) / 32) * 4 * static_cast<std::uint32_t>(height);
    if (buffer.size() < size) return std::nullopt;
    const PullSource source = FindPullSource(width, height);
    if (source.index >= 0) {
        std::lock_guard lock(m_state->mutex);
        m_state->flags[static_cast<std::size_t>(source.index)] = 1;
        const std::vector<BYTE>& frame = m_state->frames[static_cast<std::size_t>(source.index)];
        if (!frame.empty())
            std::memcpy(buffer.data(), frame.data() + source.start, std::min<std::size_t>(size, frame.size() - source.start));
    }
    return size;
}

std::vector<TestVirtualCameraDevice::Block> TestVirtualCameraDevice::Writes()
{
    std::lock_guard lock(m_state->mutex);
    return m_state->writes;
}

InUseFlags TestVirtualCameraDevice::Flags()
{
    std::lock_guard lock(m_state->mutex);
    return m_state->flags;
}

std::optional<std::vector<BYTE>> TestVirtualCameraDevice::StoredFrame(int index)
{
    std::lock_guard lock(m_state->mutex);
    const std::vector<BYTE>& frame = m_state->frames.at(static_cast<std::size_t>(index));
    if (frame.empty()) return std::nullopt;
    return frame;
}

} // namespace zv::capture::testing
