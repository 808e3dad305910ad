// PGX files (one component, as the JPEG-2000 conformance tests use): "PG", the byte order ("ML"
// big-endian, "LM" little-endian), the sign, precision, width and height, then the samples in 1,
// 2 or 4 bytes each.
#include "imagelib/jas/JasCodecs.h"

#include <memory>
#include <string>

namespace jas::detail {
namespace {

    std::size_t BytesPerSample(int prec)
    {
        return prec <= 8 ? 1 : prec <= 16 ? 2 : 4;
    }

} // namespace

Image* DecodePgx(const Bytes& file)
{
    HeaderReader header(file, 2);
    if (file.size() < 2 || file[0] != 'P' || file[1] != 'G' || !header.SkipSpace(false))
        return nullptr;
    char first = 0;
    char second = 0;
    if (!header.Char(first) || !header.Char(second))
        return nullptr;
    const bool bigEndian = first == 'M' && second == 'L';
    if (!bigEndian && !(first == 'L' && second == 'M'))
        return nullptr;
    bool sgnd = false;
    if (!header.SkipSpace(false))
        return nullptr;
    const std::size_t signAt = header.Position();
    if (file[signAt] == '+' || file[signAt] == '-') {
        sgnd = file[signAt] == '-';
        char sign = 0;
        header.Char(sign);
    }
    std::uint64_t prec = 0;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    char separator = 0;
    if (!header.Number(prec, 31) || prec == 0 || !header.Number(width, kMaxSamples)
        || !header.Number(height, kMaxSamples) || width * height > kMaxSamples || !header.Char(separator))
        return nullptr;

    // The samples must be there before any memory is taken for them.
    const std::size_t size = BytesPerSample(static_cast<int>(prec));
    std::size_t at = header.Position();
    if (file.size() < at || (file.size() - at) / size < width * height)
        return nullptr;

    ComponentParams params;
    params.width = static_cast<int>(width);
    params.height = static_cast<int>(height);
    params.prec = static_cast<int>(prec);
    params.sgnd = sgnd;
    std::unique_ptr<Image> image(ImageCreate(1, &params, ColourSpace::Sgray));
    if (!image)
        return nullptr;
    ImageSetCmptType(image.get(), 0, kTypeGrey);
    for (std::int32_t& sample : image->cmpts[0].samples) {
        std::uint32_t value = 0;
        for (std::size_t b = 0; b < size; ++b)
            value |= std::uint32_t {file[at + b]} << (8 * (bigEndian ? size - 1 - b : b));
        at += size;
        const std::uint32_t mask = prec == 32 ? ~0u : (1u << prec) - 1;
        value &= mask;
        // Two's complement within the precision.
        if (sgnd && (value >> (prec - 1)) != 0)
            sample = static_cast<std::int32_t>(static_cast<std::int64_t>(value) - (std::int64_t {1} << prec));
        else
            sample = static_cast<std::int32_t>(value);
    }
    return image.release();
}

bool EncodePgx(const Image& image, Bytes& file)
{
    if (image.cmpts.size() != 1)
        return false;
    const Component& c = image.cmpts[0];
    const std::string header = "PG ML " + std::string(c.params.sgnd ? "-" : "+") + " " + std::to_string(c.params.prec)
        + " " + std::to_string(c.params.width) + " " + std::to_string(c.params.height) + "\n";
    file.assign(header.begin(), header.end());
    const std::size_t size = BytesPerSample(c.params.prec);
    for (std::int32_t sample : c.samples) {
        const auto value = static_cast<std::uint32_t>(sample);
        for (std::size_t b = 0; b < size; ++b)
            file.push_back(static_cast<std::uint8_t>(value >> (8 * (size - 1 - b))));
    }
    return true;
}

} // namespace jas::detail
