// Frames passed between a test and its helper programs as files: width and height (int32), then
// the bytes.
#pragma once

#include "capture/FrameSize.h"
#include "platform/win32/types.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace zv::capture::testing {

struct FrameFile {
    FrameSize size{};
    std::vector<BYTE> bytes;
};

inline bool WriteFrameFile(const std::string& path, const FrameSize& size, const BYTE* bytes, std::size_t length)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const std::int32_t dimensions[2] = {size.width, size.height};
    file.write(reinterpret_cast<const char*>(dimensions), sizeof dimensions);
    file.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(length));
    return static_cast<bool>(file);
}

inline FrameFile ReadFrameFile(const std::string& path)
{
    FrameFile frame;
    std::ifstream file(path, std::ios::binary);
    std::int32_t dimensions[2] = {};
    if (!file.read(reinterpret_cast<char*>(dimensions), sizeof dimensions)) return frame;
    frame.size = {dimensions[0], dimensions[1]};
    frame.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return frame;
}

} // namespace zv::capture::testing
