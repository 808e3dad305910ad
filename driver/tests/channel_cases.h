// The side channel's write and read rules as plain data, so that the same cases run against
// the driver on the in-process port and against any other device that claims to follow them.
// A case: clients pull frames of some formats (which sets their in-use flags), the main
// program writes one block, then reads the flags; the block either lands whole in the stored
// frame of its format or leaves no trace.
#pragma once

#include <cstdint>

namespace zv::channel {

struct WriteCase {
    const char* name;
    std::uint8_t pulledFormats;  // bit i: a client of format i pulled a frame before the write
    std::uint8_t index;          // header byte 0
    std::int32_t offset;         // header bytes 1 to 4, little-endian
    std::uint32_t length;        // bytes written, header included
    bool stored;                 // the block lands at the offset in the format's frame
    std::uint8_t flags[8];       // what a flags read returns after the write
};

inline constexpr WriteCase kWriteCases[] = {
    {"whole 320x240 frame", 0x10, 4, 0, 230400, true, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"last five bytes", 0x10, 4, 230395, 5, true, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"three bytes past the end", 0x10, 4, 230396, 8, false, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"one byte longer than the frame", 0x10, 4, 0, 230401, false, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"offset at the end", 0x10, 4, 230400, 5, false, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"negative offset", 0x10, 4, -1, 100, false, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"most negative offset", 0x10, 4, INT32_MIN, 100, false, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"header only", 0x10, 4, 1000, 5, true, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"four bytes", 0x10, 4, 0, 4, false, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"index 8", 0x10, 8, 0, 100, false, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"index 9", 0x10, 9, 0, 100, false, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"index 255", 0x10, 255, 0, 100, false, {0, 0, 0, 0, 1, 0, 0, 0}},
    {"format not pulled", 0x00, 4, 0, 1000, false, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"another format pulled", 0x01, 4, 0, 1000, false, {1, 0, 0, 0, 0, 0, 0, 0}},
    {"whole 720x480 frame beside 160x120", 0x81, 7, 0, 1036800, true, {1, 0, 0, 0, 0, 0, 0, 1}},
    {"block inside 160x120", 0x81, 0, 28800, 28800, true, {1, 0, 0, 0, 0, 0, 0, 1}},
    {"240x176 and 240x180 apart", 0x0C, 2, 0, 126720, true, {0, 0, 1, 1, 0, 0, 0, 0}},
};

// A flags read of `length` bytes fills the first `filled` of them; the rest stay as they were.
struct ReadCase {
    std::uint32_t length;
    std::uint32_t filled;
};

inline constexpr ReadCase kReadCases[] = {{10, 8}, {8, 8}, {7, 0}, {1, 0}, {0, 0}, {64, 8}};

// Output formats 0 to 7 of the channel.
inline constexpr struct {
    std::int32_t width;
    std::int32_t height;
    std::uint32_t bytes;
} kFormats[8] = {{160, 120, 57600},  {176, 144, 76032},  {240, 176, 126720}, {240, 180, 129600},
                 {320, 240, 230400}, {352, 288, 304128}, {640, 480, 921600}, {720, 480, 1036800}};

}  // namespace zv::channel
