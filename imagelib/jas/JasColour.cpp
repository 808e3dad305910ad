// Conversion to sRGB: grey is copied into red, green and blue; sYCC goes through BT.601 full
// range; components of a smaller size are sampled by the nearest sample. Everything comes out as
// 8-bit unsigned samples.
#include "imagelib/jas/Jas.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

namespace jas {
namespace {

    // The sample nearest to (x, y) of a width x height picture, as an unsigned value (signed samples
    // are moved up by half the range).
    double NearestSample(const Component& c, int x, int y, int width, int height)
    {
        const int cx = static_cast<int>(static_cast<std::int64_t>(x) * c.params.width / width);
        const int cy = static_cast<int>(static_cast<std::int64_t>(y) * c.params.height / height);
        const double v = c.samples[static_cast<std::size_t>(cy) * c.params.width + static_cast<std::size_t>(cx)];
        return c.params.sgnd ? v + std::ldexp(1.0, c.params.prec - 1) : v;
    }

    double Top(const Component& c)
    {
        return std::ldexp(1.0, c.params.prec) - 1;
    }

    // Scaled to 0..1.
    double Normalised(const Component& c, int x, int y, int width, int height)
    {
        return std::clamp(NearestSample(c, x, y, width, height) / Top(c), 0.0, 1.0);
    }

    // A chroma sample around its midpoint 2^(prec-1), scaled like the luma.
    double Chroma(const Component& c, int x, int y, int width, int height)
    {
        return (NearestSample(c, x, y, width, height) - std::ldexp(1.0, c.params.prec - 1)) / Top(c);
    }

    std::int32_t To8Bit(double value)
    {
        return static_cast<std::int32_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255));
    }

} // namespace

ColourProfile* CmProfCreateFromClrspc(ColourSpace clrspc)
{
    return new (std::nothrow) ColourProfile {clrspc};
}

void CmProfDestroy(ColourProfile* profile)
{
    delete profile;
}

Image* ImageChClrSpc(const Image* image, const ColourProfile* profile, int /*intent*/)
{
    if (!image || !profile || profile->clrspc != ColourSpace::Srgb || image->cmpts.empty())
        return nullptr;
    const bool grey
        = image->clrspc == ColourSpace::Sgray || (image->clrspc == ColourSpace::Unknown && image->cmpts.size() < 3);
    const bool sycc = image->clrspc == ColourSpace::Sycc && image->cmpts.size() >= 3;
    const bool rgb
        = (image->clrspc == ColourSpace::Srgb || image->clrspc == ColourSpace::Unknown) && image->cmpts.size() >= 3;
    if (!grey && !sycc && !rgb)
        return nullptr;

    const std::size_t used = grey ? 1 : 3;
    int width = 0;
    int height = 0;
    for (std::size_t i = 0; i < used; ++i) {
        width = std::max(width, image->cmpts[i].params.width);
        height = std::max(height, image->cmpts[i].params.height);
    }
    ComponentParams params[3];
    for (ComponentParams& p : params) {
        p.width = width;
        p.height = height;
        p.prec = 8;
    }
    std::unique_ptr<Image> out(ImageCreate(3, params, ColourSpace::Srgb));
    if (!out)
        return nullptr;
    for (int i = 0; i < 3; ++i)
        ImageSetCmptType(out.get(), i, kTypeRed + i);

    const auto& in = image->cmpts;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double r, g, b;
            if (grey) {
                r = g = b = Normalised(in[0], x, y, width, height);
            } else if (sycc) {
                const double luma = Normalised(in[0], x, y, width, height);
                const double cb = Chroma(in[1], x, y, width, height);
                const double cr = Chroma(in[2], x, y, width, height);
                r = luma + 1.402 * cr;
                g = luma - 0.344136 * cb - 0.714136 * cr;
                b = luma + 1.772 * cb;
            } else {
                r = Normalised(in[0], x, y, width, height);
                g = Normalised(in[1], x, y, width, height);
                b = Normalised(in[2], x, y, width, height);
            }
            const std::size_t at = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x);
            out->cmpts[0].samples[at] = To8Bit(r);
            out->cmpts[1].samples[at] = To8Bit(g);
            out->cmpts[2].samples[at] = To8Bit(b);
        }
    return out.release();
}

} // namespace jas
