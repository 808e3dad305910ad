// An in-process virtual camera for tests: the device's side channel and frame store by the rules
// the driver keeps, listed among the video capture devices under a name and a device path. Its
// rules are plain functions so that tables of cases can check them, and later the driver too.
#pragma once

#include "platform/win32/io_object.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zv::capture::testing {

// The device keeps frames of these eight sizes only, written independently of the program's table.
struct StoredFormat {
    std::int32_t width;
    std::int32_t height;
    std::uint32_t bytes;
};
constexpr std::array<StoredFormat, 8> kStoredFormats = {{{160, 120, 57600}, {176, 144, 76032}, {240, 176, 126720},
                                                         {240, 180, 129600}, {320, 240, 230400}, {352, 288, 304128},
                                                         {640, 480, 921600}, {720, 480, 1036800}}};

using InUseFlags = std::array<BYTE, 8>;

// A block is stored when it is longer than 4 bytes, its header names an index below 8 whose flag
// is set, and it lies inside that frame: 0 <= offset, offset <= size, length <= size - offset.
struct WriteVerdict {
    bool stored;
    int index;
    std::int32_t offset;
};
WriteVerdict JudgeWrite(const InUseFlags& flags, const BYTE* block, DWORD length);

// The stored frame a client of w x h receives (-1: none) and where its copy starts: an exact size,
// or a format's width with a smaller height (the top rows of the taller frame).
struct PullSource {
    int index;
    std::uint32_t start;
};
PullSource FindPullSource(std::int32_t width, std::int32_t height);

class TestVirtualCameraDevice {
public:
    explicit TestVirtualCameraDevice(std::string devicePath, std::string friendlyName = "Zelvante Capture");
    ~TestVirtualCameraDevice();
    TestVirtualCameraDevice(const TestVirtualCameraDevice&) = delete;
    TestVirtualCameraDevice& operator=(const TestVirtualCameraDevice&) = delete;

    // Answers for the next transfers, in order. A write answer of n bytes hands the device only the
    // first n bytes; an answer with an error hands it nothing. A read answer of 0 bytes copies nothing.
    void ScriptWrite(win32::IoResult answer);
    void ScriptRead(win32::IoResult answer);

    // A client of w x h asks for a frame into `buffer` (its size is the frame extent): marks the
    // size in use and copies the stored frame when there is one. The data length reported, or
    // nothing when the buffer is smaller than the picture.
    std::optional<std::uint32_t> Pull(std::int32_t width, std::int32_t height, std::vector<BYTE>& buffer);

    struct Block {
        DWORD length;
        std::vector<BYTE> head; // up to the first 8 bytes
        bool stored;
    };
    std::vector<Block> Writes();
    InUseFlags Flags();
    std::optional<std::vector<BYTE>> StoredFrame(int index);
    const std::string& Path() const { return m_path; }

    struct State; // shared with the open handles

private:
    std::string m_path;
    std::shared_ptr<State> m_state;
};

} // namespace zv::capture::testing
