// The picture size a JPEG stream declares in its frame header, read without decoding: a received
// picture can be judged by its size before any pixel memory is taken for it.
#pragma once

#include <cstddef>
#include <cstdint>

struct JpegFrameSize {
    int width = 0;
    int height = 0;
};

// Walks the marker segments from the start-of-image marker to the first frame header. False when
// the bytes are not such a stream (no start-of-image, a segment running past the end, stray bytes
// between segments, a scan or the end before any frame header) or declare an empty picture.
bool ReadJpegFrameSize(const std::uint8_t* bytes, std::size_t length, JpegFrameSize& size);
