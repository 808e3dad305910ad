#include "imagelib/jas/Jas.h"
#include "imagelib/jas/JasCodecs.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>

namespace jas {
namespace {

    using detail::Bytes;

    enum Format { kPnm, kRas, kJp2, kJpc, kPgx, kFormatCount };

    constexpr const char* kFormatNames[kFormatCount] = {"pnm", "ras", "jp2", "jpc", "pgx"};

    // A file read into memory is never larger than this.
    constexpr std::size_t kMaxFileBytes = 512u << 20;

    std::atomic<int> g_users {0};

    bool StartsWith(const Bytes& file, std::initializer_list<std::uint8_t> magic)
    {
        return file.size() >= magic.size() && std::equal(magic.begin(), magic.end(), file.begin());
    }

    int DetectFormat(const Bytes& file)
    {
        if (StartsWith(file, {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A}))
            return kJp2;
        if (StartsWith(file, {0xFF, 0x4F, 0xFF, 0x51}))
            return kJpc;
        if (file.size() >= 2 && file[0] == 'P' && file[1] >= '1' && file[1] <= '6')
            return kPnm;
        if (StartsWith(file, {0x59, 0xA6, 0x6A, 0x95}))
            return kRas;
        if (StartsWith(file, {'P', 'G'}))
            return kPgx;
        return -1;
    }

    bool ReadAll(Stream* in, Bytes& file)
    {
        if (!in || !in->ops.read)
            return false;
        char chunk[65536];
        for (;;) {
            const int n = in->ops.read(in->object, chunk, sizeof chunk);
            if (n < 0)
                return false;
            if (n == 0)
                return true;
            if (file.size() + static_cast<std::size_t>(n) > kMaxFileBytes)
                return false;
            file.insert(file.end(), chunk, chunk + n);
        }
    }

    bool WriteAll(Stream* out, const Bytes& file)
    {
        if (!out || !out->ops.write)
            return false;
        std::size_t done = 0;
        while (done < file.size()) {
            const unsigned part = static_cast<unsigned>(std::min<std::size_t>(file.size() - done, 1u << 20));
            const int n = out->ops.write(out->object, reinterpret_cast<const char*>(file.data() + done), part);
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // The "rate=R" option; 1 (lossless) without one.
    double RateOption(const char* options)
    {
        if (!options)
            return 1.0;
        const char* found = std::strstr(options, "rate=");
        return found ? std::strtod(found + 5, nullptr) : 1.0;
    }

    bool FitsComponent(const Image* image, int cmpt, int x, int y, int width, int height, const Matrix* matrix)
    {
        if (!image || !matrix || cmpt < 0 || cmpt >= static_cast<int>(image->cmpts.size()) || x < 0 || y < 0
            || width < 0 || height < 0 || matrix->rows < height || matrix->cols < width)
            return false;
        const ComponentParams& p = image->cmpts[static_cast<std::size_t>(cmpt)].params;
        return x <= p.width - width && y <= p.height - height;
    }

} // namespace

int Init()
{
    g_users.fetch_add(1);
    return 0;
}

void Cleanup()
{
    g_users.fetch_sub(1);
}

Image* ImageCreate(int numcmpts, const ComponentParams* params, ColourSpace clrspc)
{
    if (numcmpts <= 0 || numcmpts > detail::kMaxComponents || !params)
        return nullptr;
    std::uint64_t total = 0;
    for (int i = 0; i < numcmpts; ++i) {
        const ComponentParams& p = params[i];
        if (p.width <= 0 || p.height <= 0 || p.hstep <= 0 || p.vstep <= 0 || p.prec < 1 || p.prec > 31)
            return nullptr;
        total += static_cast<std::uint64_t>(p.width) * static_cast<std::uint64_t>(p.height);
        if (total > detail::kMaxSamples)
            return nullptr;
    }
    try {
        auto* image = new Image;
        image->clrspc = clrspc;
        image->cmpts.resize(static_cast<std::size_t>(numcmpts));
        for (int i = 0; i < numcmpts; ++i) {
            Component& c = image->cmpts[static_cast<std::size_t>(i)];
            c.params = params[i];
            c.samples.assign(static_cast<std::size_t>(params[i].width) * static_cast<std::size_t>(params[i].height), 0);
        }
        return image;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void ImageDestroy(Image* image)
{
    delete image;
}

void ImageSetCmptType(Image* image, int cmpt, int type)
{
    if (image && cmpt >= 0 && cmpt < static_cast<int>(image->cmpts.size()))
        image->cmpts[static_cast<std::size_t>(cmpt)].type = type;
}

Matrix* MatrixCreate(int rows, int cols)
{
    if (rows < 0 || cols < 0)
        return nullptr;
    try {
        auto* matrix = new Matrix;
        matrix->rows = rows;
        matrix->cols = cols;
        matrix->values.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), 0);
        return matrix;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void MatrixDestroy(Matrix* matrix)
{
    delete matrix;
}

int ImageReadCmpt(const Image* image, int cmpt, int x, int y, int width, int height, Matrix* matrix)
{
    if (!FitsComponent(image, cmpt, x, y, width, height, matrix))
        return -1;
    const Component& c = image->cmpts[static_cast<std::size_t>(cmpt)];
    for (int r = 0; r < height; ++r)
        for (int col = 0; col < width; ++col)
            matrix->Set(r, col,
                c.samples[static_cast<std::size_t>(y + r) * c.params.width + static_cast<std::size_t>(x + col)]);
    return 0;
}

int ImageWriteCmpt(Image* image, int cmpt, int x, int y, int width, int height, const Matrix* matrix)
{
    if (!FitsComponent(image, cmpt, x, y, width, height, matrix))
        return -1;
    Component& c = image->cmpts[static_cast<std::size_t>(cmpt)];
    for (int r = 0; r < height; ++r)
        for (int col = 0; col < width; ++col)
            c.samples[static_cast<std::size_t>(y + r) * c.params.width + static_cast<std::size_t>(x + col)]
                = matrix->Get(r, col);
    return 0;
}

int ImageStrToFmt(const char* name)
{
    if (!name)
        return -1;
    for (int i = 0; i < kFormatCount; ++i)
        if (std::strcmp(name, kFormatNames[i]) == 0)
            return i;
    return -1;
}

Image* ImageDecode(Stream* in, int format, const char* /*options*/)
{
    Bytes file;
    try {
        if (!ReadAll(in, file))
            return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (format < 0)
        format = DetectFormat(file);
    try {
        switch (format) {
        case kJp2: return detail::DecodeJpeg2000(file, true);
        case kJpc: return detail::DecodeJpeg2000(file, false);
        case kPnm: return detail::DecodePnm(file);
        case kRas: return detail::DecodeRas(file);
        case kPgx: return detail::DecodePgx(file);
        default: return nullptr;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int ImageEncode(const Image* image, Stream* out, int format, const char* options)
{
    if (!image || image->cmpts.empty())
        return -1;
    Bytes file;
    bool encoded = false;
    try {
        switch (format) {
        case kJp2: encoded = detail::EncodeJpeg2000(*image, file, RateOption(options), true); break;
        case kJpc: encoded = detail::EncodeJpeg2000(*image, file, RateOption(options), false); break;
        case kPnm: encoded = detail::EncodePnm(*image, file); break;
        case kRas: encoded = detail::EncodeRas(*image, file); break;
        case kPgx: encoded = detail::EncodePgx(*image, file); break;
        default: return -1;
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return encoded && WriteAll(out, file) ? 0 : -1;
}

namespace detail {

    bool HeaderReader::SkipSpace(bool comments)
    {
        while (m_at < m_file.size()) {
            const char c = static_cast<char>(m_file[m_at]);
            if (comments && c == '#') {
                while (m_at < m_file.size() && m_file[m_at] != '\n' && m_file[m_at] != '\r')
                    ++m_at;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++m_at;
            } else {
                return true;
            }
        }
        return false;
    }

    bool HeaderReader::Number(std::uint64_t& value, std::uint64_t max)
    {
        if (!SkipSpace(true) || !std::isdigit(m_file[m_at]))
            return false;
        value = 0;
        while (m_at < m_file.size() && std::isdigit(m_file[m_at])) {
            value = value * 10 + (m_file[m_at++] - '0');
            if (value > max)
                return false;
        }
        return true;
    }

    bool HeaderReader::Char(char& c)
    {
        if (m_at >= m_file.size())
            return false;
        c = static_cast<char>(m_file[m_at++]);
        return true;
    }

    int PrecisionFor(std::uint64_t max)
    {
        int prec = 1;
        while (prec < 32 && (max >> prec) != 0)
            ++prec;
        return prec;
    }

} // namespace detail
} // namespace jas
