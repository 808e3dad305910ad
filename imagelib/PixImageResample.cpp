// Resampling of CPixImage: nearest, bilinear, bicubic B-spline and the integer box filter, and the
// thumbnail built on them. Scale factors and filter weights are single-precision floats so that
// every platform rounds the same way.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageScratch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace {

using pix_scratch::Tick;

LONG ClampIndex(LONG value, LONG limit)
{
    return std::clamp<LONG>(value, 0, limit - 1);
}

BYTE ToByte(float value)
{
    return static_cast<BYTE>(std::clamp(static_cast<int>(value), 0, 255));
}

// Reads blue, green, red of a pixel inside the picture; palette images through their palette.
class ColorReader {
public:
    explicit ColorReader(const CPixImage& image)
        : m_pixels(image.GetRowPointer(0)), m_stride(image.GetStride()), m_bpp(image.GetBpp()),
          m_palette(image.GetPalette())
    {
    }

    void Read(LONG x, LONG y, BYTE out[3]) const
    {
        const BYTE* row = m_pixels + static_cast<std::size_t>(y) * m_stride;
        if (!m_palette) {
            const BYTE* p = row + 3 * static_cast<std::size_t>(x);
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
            return;
        }
        BYTE index;
        if (m_bpp == 8)
            index = row[x];
        else if (m_bpp == 4)
            index = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
        else
            index = (row[x >> 3] >> (7 - (x & 7))) & 1;
        const RGBQUAD& q = m_palette[index];
        out[0] = q.rgbBlue;
        out[1] = q.rgbGreen;
        out[2] = q.rgbRed;
    }

private:
    const BYTE* m_pixels;
    std::size_t m_stride;
    WORD m_bpp;
    const RGBQUAD* m_palette;
};

// Writes result colours. Palette images store the nearest palette index; the palette stays as it
// is while a resample runs, so each colour's index is searched once and remembered (exactly, keyed
// by the whole colour).
class ColorWriter {
public:
    explicit ColorWriter(CPixImage& image) : m_image(image), m_palette(image.GetPalette() != nullptr)
    {
        if (m_palette)
            m_memo.assign(kSlots, Slot{});
    }

    void Write(LONG x, LONG y, BYTE blue, BYTE green, BYTE red)
    {
        if (m_palette) {
            m_image.SetIndexAt(x, y, NearestIndex(MakePixColor(red, green, blue)));
            return;
        }
        BYTE* p = m_image.GetRowPointer(static_cast<DWORD>(y)) + 3 * static_cast<std::size_t>(x);
        p[0] = blue;
        p[1] = green;
        p[2] = red;
    }

    void Write(LONG x, LONG y, PixColor color) { Write(x, y, PixBlue(color), PixGreen(color), PixRed(color)); }

private:
    static constexpr unsigned kSlotBits = 12;
    static constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;
    struct Slot { PixColor color = 0; BYTE index = 0; bool used = false; };

    BYTE NearestIndex(PixColor color)
    {
        // Multiplicative hash: greys and other patterned colours spread over all slots.
        Slot& slot = m_memo[static_cast<std::uint32_t>(color * 2654435761u) >> (32 - kSlotBits)];
        if (!slot.used || slot.color != color)
            slot = Slot{color, m_image.FindNearestIndex(color), true};
        return slot.index;
    }

    CPixImage& m_image;
    bool m_palette;
    std::vector<Slot> m_memo;
};

// The source column (or row) that result position i maps onto: trunc(i × scale).
std::vector<LONG> NearestMap(LONG count, float scale, LONG sourceCount)
{
    std::vector<LONG> map(static_cast<std::size_t>(count));
    for (LONG i = 0; i < count; ++i)
        map[static_cast<std::size_t>(i)] = std::min(static_cast<LONG>(static_cast<float>(i) * scale), sourceCount - 1);
    return map;
}

void ResampleNearest(const CPixImage& src, CPixImage& dst, float sx, float sy, CPixImageInfo& progress)
{
    const LONG newWidth = dst.GetWidth();
    const LONG newHeight = dst.GetHeight();
    const std::vector<LONG> columns = NearestMap(newWidth, sx, src.GetWidth());
    const bool palette = src.GetPalette() != nullptr;
    ColorWriter writer(dst);
    for (LONG y = 0; y < newHeight; ++y) {
        if (!Tick(progress, static_cast<std::uint64_t>(y), static_cast<std::uint64_t>(newHeight)))
            return;
        const LONG sourceRow = std::min(static_cast<LONG>(static_cast<float>(y) * sy), src.GetHeight() - 1);
        if (palette) {
            for (LONG x = 0; x < newWidth; ++x) {
                writer.Write(x, y, src.GetPaletteEntry(src.GetIndexAt(columns[static_cast<std::size_t>(x)], sourceRow)));
            }
            continue;
        }
        const BYTE* in = src.GetRowPointer(static_cast<DWORD>(sourceRow));
        BYTE* out = dst.GetRowPointer(static_cast<DWORD>(y));
        for (LONG x = 0; x < newWidth; ++x, out += 3) {
            const BYTE* p = in + 3 * static_cast<std::size_t>(columns[static_cast<std::size_t>(x)]);
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
        }
    }
}

void ResampleBilinear(const CPixImage& src, CPixImage& dst, float sx, float sy, CPixImageInfo& progress)
{
    const LONG width = src.GetWidth();
    const LONG height = src.GetHeight();
    const LONG newWidth = dst.GetWidth();
    const LONG newHeight = dst.GetHeight();
    struct Column { LONG x0; LONG x1; float dx; };
    std::vector<Column> columns(static_cast<std::size_t>(newWidth));
    for (LONG x = 0; x < newWidth; ++x) {
        const float fx = static_cast<float>(x) * sx;
        const LONG ix = static_cast<LONG>(fx);
        columns[static_cast<std::size_t>(x)] =
            Column{std::min(ix, width - 1), std::min(ix + 1, width - 1), fx - static_cast<float>(ix)};
    }
    const ColorReader reader(src);
    ColorWriter writer(dst);
    for (LONG y = 0; y < newHeight; ++y) {
        if (!Tick(progress, static_cast<std::uint64_t>(y), static_cast<std::uint64_t>(newHeight)))
            return;
        const float fy = static_cast<float>(y) * sy;
        const LONG iy = static_cast<LONG>(fy);
        const LONG y0 = std::min(iy, height - 1);
        const LONG y1 = std::min(iy + 1, height - 1);
        const float dy = fy - static_cast<float>(iy);
        for (LONG x = 0; x < newWidth; ++x) {
            const Column& col = columns[static_cast<std::size_t>(x)];
            BYTE c00[3], c01[3], c10[3], c11[3]; // c<column><row>
            reader.Read(col.x0, y0, c00);
            reader.Read(col.x0, y1, c01);
            reader.Read(col.x1, y0, c10);
            reader.Read(col.x1, y1, c11);
            BYTE out[3];
            for (int k = 0; k < 3; ++k) {
                const float left = static_cast<float>(c01[k]) * dy + static_cast<float>(c00[k]) * (1.0f - dy);
                const float right = static_cast<float>(c11[k]) * dy + static_cast<float>(c10[k]) * (1.0f - dy);
                out[k] = ToByte(col.dx * right + (1.0f - col.dx) * left);
            }
            writer.Write(x, y, out[0], out[1], out[2]);
        }
    }
}

// Cubic B-spline kernel.
float BSpline(float t)
{
    auto cube = [](float u) { return u > 0.0f ? u * u * u : 0.0f; };
    return (cube(t + 2.0f) - 4.0f * cube(t + 1.0f) + 6.0f * cube(t) - 4.0f * cube(t - 1.0f)) * 0.16666667f;
}

void ResampleBicubic(const CPixImage& src, CPixImage& dst, float sx, float sy, CPixImageInfo& progress)
{
    const LONG width = src.GetWidth();
    const LONG height = src.GetHeight();
    const LONG newWidth = dst.GetWidth();
    const LONG newHeight = dst.GetHeight();
    // Taps n = -1 .. 2 of each result column: source columns and weights R(dx - n).
    struct Column { LONG x[4]; float w[4]; };
    std::vector<Column> columns(static_cast<std::size_t>(newWidth));
    for (LONG x = 0; x < newWidth; ++x) {
        const float fx = static_cast<float>(x) * sx - 0.5f;
        const float fl = std::floor(fx);
        const LONG ix = static_cast<LONG>(fl);
        const float dx = fx - fl;
        Column& col = columns[static_cast<std::size_t>(x)];
        for (int n = -1; n <= 2; ++n) {
            col.x[n + 1] = ClampIndex(ix + n, width);
            col.w[n + 1] = BSpline(dx - static_cast<float>(n));
        }
    }
    const ColorReader reader(src);
    ColorWriter writer(dst);
    const bool palette = src.GetPalette() != nullptr;
    for (LONG y = 0; y < newHeight; ++y) {
        if (!Tick(progress, static_cast<std::uint64_t>(y), static_cast<std::uint64_t>(newHeight)))
            return;
        const float fy = static_cast<float>(y) * sy - 0.5f;
        const float fl = std::floor(fy);
        const LONG iy = static_cast<LONG>(fl);
        const float dy = fy - fl;
        LONG rows[4];
        float rowWeights[4];
        const BYTE* rowBytes[4] = {}; // 24 bpp reads the rows directly
        for (int m = -1; m <= 2; ++m) {
            rows[m + 1] = ClampIndex(iy + m, height);
            rowWeights[m + 1] = BSpline(static_cast<float>(m) - dy);
            if (!palette)
                rowBytes[m + 1] = src.GetRowPointer(static_cast<DWORD>(rows[m + 1]));
        }
        for (LONG x = 0; x < newWidth; ++x) {
            const Column& col = columns[static_cast<std::size_t>(x)];
            float sum[3] = {0.0f, 0.0f, 0.0f};
            for (int m = 0; m < 4; ++m) {
                for (int n = 0; n < 4; ++n) {
                    const float weight = rowWeights[m] * col.w[n];
                    BYTE read[3];
                    const BYTE* c = read;
                    if (rowBytes[m])
                        c = rowBytes[m] + 3 * static_cast<std::size_t>(col.x[n]);
                    else
                        reader.Read(col.x[n], rows[m], read);
                    sum[0] += weight * static_cast<float>(c[0]);
                    sum[1] += weight * static_cast<float>(c[1]);
                    sum[2] += weight * static_cast<float>(c[2]);
                }
            }
            writer.Write(x, y, ToByte(sum[0]), ToByte(sum[1]), ToByte(sum[2]));
        }
    }
}

// Area average of a 24-bpp picture shrinking both ways, in integer thousandths of a source pixel,
// with two accumulator rows. Accumulators are 64-bit: one result pixel may cover millions of
// source pixels.
void ResampleBox(const CPixImage& src, CPixImage& dst, float sx, float sy, CPixImageInfo& progress)
{
    const LONG width = src.GetWidth();
    const LONG height = src.GetHeight();
    const LONG newWidth = dst.GetWidth();
    const LONG newHeight = dst.GetHeight();
    const std::int64_t area = static_cast<std::int64_t>(sx * sy * 1000.0f);
    // One slot per result column plus one that takes the last partial column.
    const std::size_t slots = 3 * (static_cast<std::size_t>(newWidth) + 1);
    std::vector<std::int64_t> current(slots, 0);
    std::vector<std::int64_t> next(slots, 0);
    float ybound = sy - 1.0f;
    LONG r = 0;

    auto emit = [&](LONG c) {
        if (r >= newHeight || c >= newWidth)
            return;
        BYTE* out = dst.GetRowPointer(static_cast<DWORD>(r)) + 3 * static_cast<std::size_t>(c);
        const std::int64_t* sum = &current[3 * static_cast<std::size_t>(c)];
        for (int k = 0; k < 3; ++k)
            out[k] = static_cast<BYTE>(std::min<std::int64_t>(sum[k] / area, 255));
    };

    for (LONG y = 0; y < height; ++y) {
        if (!Tick(progress, static_cast<std::uint64_t>(y), static_cast<std::uint64_t>(height)))
            return;
        const BYTE* row = src.GetRowPointer(static_cast<DWORD>(y));
        float xbound = sx - 1.0f;
        LONG c = 0;
        // Once every result column is done (float drift at the right edge), the rest of the row
        // goes to the spare slot.
        if (static_cast<float>(y) < ybound) {
            for (LONG x = 0; x < width; ++x) {
                const BYTE* px = row + 3 * static_cast<std::size_t>(x);
                std::int64_t* cur = &current[3 * static_cast<std::size_t>(c)];
                if (static_cast<float>(x) < xbound || c == newWidth) {
                    for (int k = 0; k < 3; ++k)
                        cur[k] += 1000 * std::int64_t{px[k]};
                    continue;
                }
                const std::int64_t f = static_cast<std::int64_t>((static_cast<float>(x) - xbound) * 1000.0f);
                for (int k = 0; k < 3; ++k) {
                    cur[k] += (1000 - f) * px[k];
                    cur[3 + k] += f * px[k];
                }
                ++c;
                xbound += sx;
            }
            continue;
        }

        // This row crosses into the next result row.
        const std::int64_t g = static_cast<std::int64_t>((static_cast<float>(y) - ybound) * 1000.0f);
        const std::int64_t h = 1000 - g;
        LONG emitted = 0;
        for (LONG x = 0; x < width; ++x) {
            const BYTE* px = row + 3 * static_cast<std::size_t>(x);
            const std::size_t slot = 3 * static_cast<std::size_t>(c);
            std::int64_t* cur = &current[slot];
            std::int64_t* nxt = &next[slot];
            if (static_cast<float>(x) < xbound || c == newWidth) {
                for (int k = 0; k < 3; ++k) {
                    cur[k] += h * px[k];
                    nxt[k] += g * px[k];
                }
                continue;
            }
            const std::int64_t f = static_cast<std::int64_t>((static_cast<float>(x) - xbound) * 1000.0f);
            const std::int64_t e = 1000 - f;
            for (int k = 0; k < 3; ++k)
                cur[k] += px[k] * h * e / 1000;
            emit(c);
            for (int k = 0; k < 3; ++k) {
                nxt[k] += px[k] * e * g / 1000;
                cur[3 + k] += px[k] * h * f / 1000;
                nxt[3 + k] = px[k] * g * f / 1000;
            }
            ++c;
            ++emitted;
            xbound += sx;
        }
        if (emitted < newWidth)
            emit(c);
        // Every slot of the new "next" row is set by its first contribution, bar the first; a
        // full reset keeps the spare slot bounded as well.
        std::swap(current, next);
        std::fill(next.begin(), next.end(), 0);
        ++r;
        ybound += sy;
    }
    if (r < newHeight) {
        for (LONG c = 0; c < newWidth; ++c)
            emit(c);
    }
}

} // namespace

bool CPixImage::Resample(LONG newWidth, LONG newHeight, LONG mode, CPixImage* destination)
{
    if (!m_pDib || newWidth <= 0 || newHeight <= 0)
        return false;
    const LONG width = m_header.biWidth;
    const LONG height = m_header.biHeight;
    if (newWidth == width && newHeight == height) {
        if (destination && destination != this)
            return destination->Copy(*this, true, true, true);
        return true;
    }

    const float sx = static_cast<float>(width) / static_cast<float>(newWidth);
    const float sy = static_cast<float>(height) / static_cast<float>(newHeight);
    CPixImage scratch;
    if (!pix_scratch::Start(*this, scratch, static_cast<std::uint64_t>(newWidth), static_cast<std::uint64_t>(newHeight),
                            m_header.biBitCount, true))
        return false;

    // The filters' row and column tables are small next to the picture, but a very wide one could
    // still exhaust memory: that is a failure, not an exception.
    try {
        if (mode == 1)
            ResampleNearest(*this, scratch, sx, sy, m_info);
        else if (mode == 2)
            ResampleBicubic(*this, scratch, sx, sy, m_info);
        else if (newWidth < width && newHeight < height && m_header.biBitCount == 24)
            ResampleBox(*this, scratch, sx, sy, m_info);
        else
            ResampleBilinear(*this, scratch, sx, sy, m_info);
        scratch.m_info.progress = m_info.progress;

        if (m_pAlpha) {
            if (!pix_scratch::StartAlpha(*this, scratch))
                return false;
            const std::vector<LONG> columns = NearestMap(newWidth, sx, width);
            BYTE* out = scratch.m_pAlpha;
            for (LONG y = 0; y < newHeight; ++y) {
                const LONG sourceRow = std::min(static_cast<LONG>(static_cast<float>(y) * sy), height - 1);
                const BYTE* in = m_pAlpha + static_cast<std::size_t>(sourceRow) * static_cast<std::size_t>(width);
                for (LONG x = 0; x < newWidth; ++x)
                    *out++ = in[columns[static_cast<std::size_t>(x)]];
            }
        }
    } catch (const std::bad_alloc&) {
        SetLastErrorText("CPixImage::Create can't allocate memory");
        return false;
    }
    pix_scratch::Deliver(*this, destination, scratch);
    return true;
}

bool CPixImage::Thumbnail(LONG width, LONG height, PixColor canvas, CPixImage* destination)
{
    if (!m_pDib || width < 1 || height < 1)
        return false;
    // The centred Expand drops the planes, so the working copy needs none.
    CPixImage work;
    if (!work.Copy(*this, true, false, false)) {
        SetLastErrorText(work.GetLastErrorText());
        return false;
    }
    const float w = static_cast<float>(m_header.biWidth);
    const float h = static_cast<float>(m_header.biHeight);
    const float scale = static_cast<float>(width) / static_cast<float>(height) * h > w
        ? static_cast<float>(height) / h
        : static_cast<float>(width) / w;
    // A very long side may round the other to nothing, or a rounding step past the target; both
    // stay inside 1 .. target so the Expand below always fits.
    const LONG scaledWidth = std::clamp<LONG>(static_cast<LONG>(scale * w), 1, width);
    const LONG scaledHeight = std::clamp<LONG>(static_cast<LONG>(scale * h), 1, height);
    if (!work.Resample(scaledWidth, scaledHeight, 0)) {
        SetLastErrorText(work.GetLastErrorText());
        return false;
    }
    if (destination) {
        if (!work.Expand(width, height, canvas, destination)) {
            SetLastErrorText(work.GetLastErrorText());
            return false;
        }
        return true;
    }
    if (!work.Expand(width, height, canvas)) {
        SetLastErrorText(work.GetLastErrorText());
        return false;
    }
    Transfer(work);
    return true;
}
