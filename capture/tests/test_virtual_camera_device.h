// An in-process virtual camera for tests: the device's side channel and frame store by the rules
// the driver keeps, listed among the video capture devices under a name and a device path. The
// rules are plain functions, so tables of cases check them (and later the driver against them).
#pragma once

#include "platform/dshow/testing/device_hooks.h"
#include "platform/win32/device_namespace.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zv::capture::testing {

// The eight sizes the device keeps, written down apart from the program's table.
struct StoredFormat {
    std::uint32_t width, height, bytes;
};
constexpr std::array<StoredFormat, 8> kStoredFormats = {{{160, 120, 57600}, {176, 144, 76032}, {240, 176, 126720},
                                                         {240, 180, 129600}, {320, 240, 230400}, {352, 288, 304128},
                                                         {640, 480, 921600}, {720, 480, 1036800}}};
using InUseFlags = std::array<BYTE, 8>;

// Stored when longer than 4 bytes, its header naming an index below 8 whose flag is set, and
// inside that frame: 0 <= offset, offset <= size, length <= size - offset.
struct WriteVerdict {
    bool stored;
    int index;
    std::int32_t offset;
};
inline WriteVerdict JudgeWrite(const InUseFlags& flags, const BYTE* block, DWORD length)
{
    if (length <= 4) return {false, -1, 0};
    const auto offset = static_cast<std::int32_t>(block[1] | block[2] << 8 | block[3] << 16 | std::uint32_t{block[4]} << 24);
    if (block[0] >= 8 || flags[block[0]] == 0) return {false, block[0], offset};
    const std::int64_t size = kStoredFormats[block[0]].bytes;
    return {offset >= 0 && offset <= size && length <= size - offset, block[0], offset};
}

// The stored frame a client of w x h receives (-1: none) and where the copy starts: an exact size,
// or a format's width with a smaller height (the top rows; 240 wide goes to 240 x 180).
struct PullSource {
    int index;
    std::uint32_t start;
};
inline PullSource FindPullSource(std::int32_t width, std::int32_t height)
{
    const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
    for (int i = 0; i < 8; ++i)
        if (w == kStoredFormats[i].width && h == kStoredFormats[i].height) return {i, 0};
    for (const int i : {0, 1, 3, 4, 5, 6, 7})
        if (w == kStoredFormats[i].width && h < kStoredFormats[i].height) return {i, (kStoredFormats[i].height - h) * w * 3};
    return {-1, 0};
}

class TestVirtualCameraDevice {
public:
    struct Block {
        DWORD length;
        std::array<BYTE, 5> head; // as many of the first five bytes as were written
        bool stored;
    };

    explicit TestVirtualCameraDevice(std::string path, const char* name = "Zelvante Capture")
        : m_path(std::move(path)), m_state(std::make_shared<State>())
    {
        if (!win32::RegisterDeviceProvider(m_path, m_state) || !dshow::testing::ListTestVideoDevice(name, m_path))
            throw std::runtime_error("test virtual camera: path taken " + m_path);
    }
    ~TestVirtualCameraDevice()
    {
        dshow::testing::UnlistTestVideoDevice(m_path);
        win32::UnregisterDeviceProvider(m_path);
    }
    TestVirtualCameraDevice(const TestVirtualCameraDevice&) = delete;
    TestVirtualCameraDevice& operator=(const TestVirtualCameraDevice&) = delete;

    // Answers for the next transfers. A write answer of n bytes hands the device only the first n
    // bytes, one with an error nothing; a read answer of 0 bytes or with an error copies nothing.
    void ScriptWrite(win32::IoResult answer) { Locked()->writeAnswers.push_back(answer); }
    void ScriptRead(win32::IoResult answer) { Locked()->readAnswers.push_back(answer); }

    // A client of w x h asks for a frame into `buffer` (its size is the frame extent): the size is
    // marked in use and the stored frame, if any, copied. The data length reported, or nothing
    // when the buffer is smaller than the picture.
    std::optional<std::uint32_t> Pull(std::int32_t width, std::int32_t height, std::vector<BYTE>& buffer)
    {
        const std::uint32_t size = (static_cast<std::uint32_t>(width) * 24 + 31) / 32 * 4 * static_cast<std::uint32_t>(height);
        if (buffer.size() < size) return std::nullopt;
        const PullSource source = FindPullSource(width, height);
        if (source.index < 0) return size;
        std::lock_guard lock(m_state->mutex);
        m_state->flags[static_cast<std::size_t>(source.index)] = 1;
        const std::vector<BYTE>& frame = m_state->frames[static_cast<std::size_t>(source.index)];
        if (!frame.empty())
            std::memcpy(buffer.data(), frame.data() + source.start, std::min<std::size_t>(size, frame.size() - source.start));
        return size;
    }

    std::vector<Block> Writes() { return Locked()->writes; }
    std::optional<std::vector<BYTE>> StoredFrame(int index)
    {
        auto state = Locked();
        const std::vector<BYTE>& frame = state->frames.at(static_cast<std::size_t>(index));
        return frame.empty() ? std::nullopt : std::optional(frame);
    }

private:
    // Every open handle gets the device itself: one store for all of them.
    struct State final : win32::DeviceProvider, win32::IoObject, std::enable_shared_from_this<State> {
        std::shared_ptr<IoObject> Open(const std::string&, DWORD, DWORD&) override { return shared_from_this(); }

        win32::IoResult Write(const void* buffer, DWORD length) override
        {
            const auto* block = static_cast<const BYTE*>(buffer);
            std::lock_guard lock(mutex);
            const std::optional<win32::IoResult> answer = Next(writeAnswers);
            if (answer && !answer->Ok()) return *answer;
            const DWORD taken = answer ? std::min(answer->bytes, length) : length;
            if (taken == 0) return {0, ERROR_SUCCESS};
            const WriteVerdict verdict = JudgeWrite(flags, block, taken);
            Block written{taken, {}, verdict.stored};
            std::memcpy(written.head.data(), block, std::min<DWORD>(taken, 5));
            writes.push_back(written);
            if (verdict.stored) {
                std::vector<BYTE>& frame = frames[static_cast<std::size_t>(verdict.index)];
                if (frame.empty()) frame.assign(kStoredFormats[static_cast<std::size_t>(verdict.index)].bytes, 0);
                std::memcpy(frame.data() + verdict.offset, block, taken);
            }
            return {taken, ERROR_SUCCESS};
        }
        // Eight flag bytes when at least eight are asked for; the length asked is reported.
        win32::IoResult Read(void* buffer, DWORD length) override
        {
            std::lock_guard lock(mutex);
            const std::optional<win32::IoResult> answer = Next(readAnswers);
            if (answer && (!answer->Ok() || answer->bytes == 0)) return *answer;
            if (length >= flags.size()) std::memcpy(buffer, flags.data(), flags.size());
            return {length, ERROR_SUCCESS};
        }
        static std::optional<win32::IoResult> Next(std::deque<win32::IoResult>& answers)
        {
            if (answers.empty()) return std::nullopt;
            const win32::IoResult answer = answers.front();
            answers.pop_front();
            return answer;
        }

        std::mutex mutex;
        InUseFlags flags{};
        std::array<std::vector<BYTE>, 8> frames; // empty until the first stored write
        std::deque<win32::IoResult> writeAnswers, readAnswers;
        std::vector<Block> writes;
    };

    struct LockedState {
        std::unique_lock<std::mutex> lock;
        State* state;
        State* operator->() const { return state; }
    };
    LockedState Locked() { return {std::unique_lock(m_state->mutex), m_state.get()}; }

    std::string m_path;
    std::shared_ptr<State> m_state;
};

} // namespace zv::capture::testing
