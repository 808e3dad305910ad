// Netpbm files: P1-P6 read (samples up to 16 bits, big-endian), grey written as P5 and colour as P6.
// A bitmap's 1 is black, so its samples are inverted into a grey picture where 1 is white.
#include "imagelib/jas/JasCodecs.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

namespace jas::detail {
namespace {

    bool Binary(char kind)
    {
        return kind >= '4';
    }

} // namespace

Image* DecodePnm(const Bytes& file)
{
    if (file.size() < 2 || file[0] != 'P' || file[1] < '1' || file[1] > '6')
        return nullptr;
    const char kind = static_cast<char>(file[1]);
    const bool bitmap = kind == '1' || kind == '4';
    const int channels = kind == '3' || kind == '6' ? 3 : 1;
    HeaderReader header(file, 2);
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint64_t maxval = 1;
    if (!header.Number(width, kMaxSamples) || !header.Number(height, kMaxSamples) || width == 0 || height == 0
        || width * height > kMaxSamples / static_cast<std::uint64_t>(channels))
        return nullptr;
    if (!bitmap && (!header.Number(maxval, 65535) || maxval == 0))
        return nullptr;
    char separator = 0;
    if (Binary(kind) && (!header.Char(separator) || !std::isspace(static_cast<unsigned char>(separator))))
        return nullptr;

    // The samples must be there before any memory is taken for them: at least one byte for each
    // plain sample, their exact size for raw ones.
    const std::size_t bytesPerSample = maxval > 255 ? 2 : 1;
    const std::size_t bitmapRow = (width + 7) / 8;
    const std::uint64_t samples = width * height * static_cast<std::uint64_t>(channels);
    const std::uint64_t needed = kind == '4' ? bitmapRow * height : Binary(kind) ? samples * bytesPerSample : samples;
    if (file.size() - header.Position() < needed)
        return nullptr;

    ComponentParams params[3];
    for (ComponentParams& p : params) {
        p.width = static_cast<int>(width);
        p.height = static_cast<int>(height);
        p.prec = PrecisionFor(maxval);
    }
    std::unique_ptr<Image> image(ImageCreate(channels, params, channels == 3 ? ColourSpace::Srgb : ColourSpace::Sgray));
    if (!image)
        return nullptr;
    for (int c = 0; c < channels; ++c)
        ImageSetCmptType(image.get(), c, channels == 3 ? kTypeRed + c : kTypeGrey);

    std::size_t at = header.Position();
    for (std::uint64_t y = 0; y < height; ++y)
        for (std::uint64_t x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                std::uint64_t value = 0;
                if (kind == '4') {
                    const std::size_t byte = header.Position() + y * bitmapRow + x / 8;
                    if (byte >= file.size())
                        return nullptr;
                    value = (file[byte] >> (7 - x % 8)) & 1;
                } else if (Binary(kind)) {
                    if (at + bytesPerSample > file.size())
                        return nullptr;
                    value = bytesPerSample == 2 ? (file[at] << 8 | file[at + 1]) : file[at];
                    at += bytesPerSample;
                } else if (kind == '1') {
                    char digit = 0;
                    if (!header.SkipSpace(true) || !header.Char(digit) || (digit != '0' && digit != '1'))
                        return nullptr;
                    value = static_cast<std::uint64_t>(digit - '0');
                } else if (!header.Number(value, 65535)) {
                    return nullptr;
                }
                if (bitmap)
                    value = 1 - value;
                image->cmpts[static_cast<std::size_t>(c)].samples[y * width + x]
                    = static_cast<std::int32_t>(std::min(value, maxval));
            }
    return image.release();
}

bool EncodePnm(const Image& image, Bytes& file)
{
    const std::size_t channels = image.cmpts.size();
    if (channels != 1 && channels != 3)
        return false;
    const ComponentParams& first = image.cmpts[0].params;
    for (const Component& c : image.cmpts)
        if (c.params.width != first.width || c.params.height != first.height || c.params.prec != first.prec
            || c.params.sgnd || c.params.prec > 16)
            return false;
    const std::uint32_t maxval = (1u << first.prec) - 1;
    const std::string header = std::string(channels == 3 ? "P6" : "P5") + "\n" + std::to_string(first.width) + " "
        + std::to_string(first.height) + "\n" + std::to_string(maxval) + "\n";
    file.assign(header.begin(), header.end());
    const std::size_t samples = static_cast<std::size_t>(first.width) * static_cast<std::size_t>(first.height);
    for (std::size_t i = 0; i < samples; ++i)
        for (const Component& c : image.cmpts) {
            const auto value = static_cast<std::uint32_t>(
                std::clamp<std::int32_t>(c.samples[i], 0, static_cast<std::int32_t>(maxval)));
            if (maxval > 255)
                file.push_back(static_cast<std::uint8_t>(value >> 8));
            file.push_back(static_cast<std::uint8_t>(value));
        }
    return true;
}

} // namespace jas::detail
