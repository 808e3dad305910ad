// The output formats of the virtual camera: ten picture sizes, 24-bit bottom-up RGB, one index per
// size on both sides of the channel. The driver serves indices 0 to 7; the program produces all
// ten. Every width gives rows of a multiple of 4 bytes, so a format's rows carry no fill bytes.
#pragma once

#include "capture/FrameSize.h"
#include "imagelib/PixImage.h"

#include <array>
#include <cstddef>
#include <cstdint>

constexpr int kFormatCount = 10;

constexpr std::array<FrameSize, kFormatCount> g_FormatSizes = {{
    {160, 120}, {176, 144}, {240, 176}, {240, 180}, {320, 240},
    {352, 288}, {640, 480}, {720, 480}, {720, 540}, {720, 576},
}};

constexpr std::array<std::uint32_t, kFormatCount> g_nFormatBytes = {
    57600, 76032, 126720, 129600, 230400, 304128, 921600, 1036800, 1166400, 1244160,
};

// The peer picture is the size of format 4.
constexpr int kPeerFormat = 4;

// The header of every block written to the device, little-endian and unpadded on the wire. It is
// written over the first five bytes of the block it starts.
struct FrameWriteHeader {
    static constexpr std::size_t kBytes = 5;

    BYTE index;          // output-format index
    std::int32_t offset; // where the block starts inside the format's frame

    void WriteTo(BYTE* at) const
    {
        const auto value = static_cast<std::uint32_t>(offset);
        at[0] = index;
        for (int i = 0; i < 4; ++i) at[1 + i] = static_cast<BYTE>(value >> (8 * i));
    }
    static FrameWriteHeader ReadFrom(const BYTE* at)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(at[1 + i]) << (8 * i);
        return {at[0], static_cast<std::int32_t>(value)};
    }
};

// Image i holds the last frame scaled to format i. Created by CreateFormatImages and kept for the
// life of the process; written by one road at a time (the streaming thread while a live source
// runs, the user-interface thread for still pictures).
extern std::array<CPixImage, kFormatCount> g_FormatImages;

// The 320 x 240 picture handed to the peer sender. It is the sender's own, apart from the output
// images, so a frame being written to the virtual camera is never the one being encoded; the
// frame-ready event decides who may touch it.
extern CPixImage g_PeerImage;

// Creates the output images and the peer picture at their sizes (those already made are kept).
// False when one cannot be allocated.
bool CreateFormatImages();

// The pixel bytes of an image, or null when it is not a 24-bit image of that size.
BYTE* PixelsOfSize(const CPixImage& image, const FrameSize& size);
