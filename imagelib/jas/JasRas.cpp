// Sun raster files: types 0-3 (old, standard, run-length encoded, RGB order) at 1, 8, 24 and 32
// bits, with or without an RGB colour map, read; grey written at 8 bits and colour at 24 (BGR).
#include "imagelib/jas/JasCodecs.h"

#include <algorithm>
#include <memory>

namespace jas::detail {
namespace {

    constexpr std::uint32_t kMagic = 0x59A66A95;
    constexpr std::uint32_t kTypeEncoded = 2;
    constexpr std::uint32_t kTypeRgb = 3;
    constexpr std::uint32_t kMapRgb = 1;
    constexpr std::size_t kHeaderBytes = 32;
    constexpr std::uint8_t kEscape = 0x80;

    std::uint32_t Load32(const Bytes& file, std::size_t at)
    {
        return std::uint32_t {file[at]} << 24 | std::uint32_t {file[at + 1]} << 16 | std::uint32_t {file[at + 2]} << 8
            | file[at + 3];
    }

    void Put32(Bytes& file, std::uint32_t value)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            file.push_back(static_cast<std::uint8_t>(value >> shift));
    }

    // Run-length data: 0x80 0 is one 0x80, 0x80 n v is n + 1 copies of v, any other byte itself.
    bool Unpack(const Bytes& file, std::size_t at, Bytes& out)
    {
        std::size_t done = 0;
        while (done < out.size()) {
            if (at >= file.size())
                return false;
            const std::uint8_t b = file[at++];
            if (b != kEscape) {
                out[done++] = b;
                continue;
            }
            if (at >= file.size())
                return false;
            const std::size_t count = file[at++];
            if (count == 0) {
                out[done++] = kEscape;
                continue;
            }
            if (at >= file.size())
                return false;
            const std::uint8_t value = file[at++];
            for (std::size_t i = 0; i <= count && done < out.size(); ++i)
                out[done++] = value;
        }
        return true;
    }

} // namespace

Image* DecodeRas(const Bytes& file)
{
    if (file.size() < kHeaderBytes || Load32(file, 0) != kMagic)
        return nullptr;
    const std::uint64_t width = Load32(file, 4);
    const std::uint64_t height = Load32(file, 8);
    const std::uint32_t depth = Load32(file, 12);
    const std::uint32_t type = Load32(file, 20);
    const std::uint32_t mapType = Load32(file, 24);
    const std::uint64_t mapLength = Load32(file, 28);
    if (width == 0 || height == 0 || width * height > kMaxSamples / 3 || type > kTypeRgb
        || (depth != 1 && depth != 8 && depth != 24 && depth != 32) || mapLength > file.size() - kHeaderBytes)
        return nullptr;

    const std::uint8_t* map = mapType == kMapRgb && mapLength >= 3 ? file.data() + kHeaderBytes : nullptr;
    const std::size_t mapEntries = map ? mapLength / 3 : 0;
    const std::size_t rowBytes = (width * depth + 15) / 16 * 2;
    const std::size_t dataAt = kHeaderBytes + mapLength;
    // The data must be there before memory is taken for the pixels; a run of three bytes gives
    // at most 256.
    const std::uint64_t raw = std::uint64_t {rowBytes} * height;
    const std::uint64_t available = file.size() - dataAt;
    if (type == kTypeEncoded ? available * 86 < raw : available < raw)
        return nullptr;
    Bytes pixels(rowBytes * height);
    if (type == kTypeEncoded) {
        if (!Unpack(file, dataAt, pixels))
            return nullptr;
    } else {
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(dataAt), pixels.size(), pixels.begin());
    }

    // A colour map makes any depth a colour picture.
    const bool colour = depth >= 24 || map != nullptr;
    const int channels = colour ? 3 : 1;
    ComponentParams params[3];
    for (ComponentParams& p : params) {
        p.width = static_cast<int>(width);
        p.height = static_cast<int>(height);
        p.prec = depth == 1 && !map ? 1 : 8;
    }
    std::unique_ptr<Image> image(ImageCreate(channels, params, colour ? ColourSpace::Srgb : ColourSpace::Sgray));
    if (!image)
        return nullptr;
    for (int c = 0; c < channels; ++c)
        ImageSetCmptType(image.get(), c, colour ? kTypeRed + c : kTypeGrey);

    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels.data() + y * rowBytes;
        for (std::size_t x = 0; x < width; ++x) {
            const std::size_t at = y * width + x;
            if (depth >= 24) {
                const std::uint8_t* p = row + x * (depth / 8) + (depth == 32 ? 1 : 0);
                const bool rgbOrder = type == kTypeRgb;
                image->cmpts[0].samples[at] = p[rgbOrder ? 0 : 2];
                image->cmpts[1].samples[at] = p[1];
                image->cmpts[2].samples[at] = p[rgbOrder ? 2 : 0];
                continue;
            }
            const std::size_t index = depth == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
            if (map) {
                for (int c = 0; c < 3; ++c)
                    image->cmpts[static_cast<std::size_t>(c)].samples[at]
                        = index < mapEntries ? map[static_cast<std::size_t>(c) * mapEntries + index] : 0;
            } else {
                // Without a map a set bit is black.
                image->cmpts[0].samples[at] = static_cast<std::int32_t>(depth == 1 ? 1 - index : index);
            }
        }
    }
    return image.release();
}

bool EncodeRas(const Image& image, Bytes& file)
{
    const std::size_t channels = image.cmpts.size();
    if (channels != 1 && channels != 3)
        return false;
    const ComponentParams& first = image.cmpts[0].params;
    for (const Component& c : image.cmpts)
        if (c.params.width != first.width || c.params.height != first.height || c.params.prec > 8 || c.params.sgnd)
            return false;
    const std::uint32_t depth = channels == 3 ? 24 : 8;
    const std::size_t width = static_cast<std::size_t>(first.width);
    const std::size_t rowBytes = (width * depth + 15) / 16 * 2;
    file.clear();
    Put32(file, kMagic);
    Put32(file, static_cast<std::uint32_t>(first.width));
    Put32(file, static_cast<std::uint32_t>(first.height));
    Put32(file, depth);
    Put32(file, static_cast<std::uint32_t>(rowBytes * static_cast<std::size_t>(first.height)));
    Put32(file, 1); // standard
    Put32(file, 0); // no colour map
    Put32(file, 0);
    for (std::size_t y = 0; y < static_cast<std::size_t>(first.height); ++y) {
        const std::size_t rowStart = file.size();
        for (std::size_t x = 0; x < width; ++x) {
            const std::size_t at = y * width + x;
            for (std::size_t c = channels; c-- > 0;)
                file.push_back(static_cast<std::uint8_t>(image.cmpts[c].samples[at]));
        }
        file.resize(rowStart + rowBytes, 0);
    }
    return true;
}

} // namespace jas::detail
