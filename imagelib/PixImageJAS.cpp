#include "imagelib/PixImageJAS.h"

#include "imagelib/PixStream.h"
#include "imagelib/jas/Jas.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr int kMaxComponents = 64;

struct StreamCloser {
    void operator()(jas::Stream* stream) const { jas::StreamClose(stream); }
};
struct ImageCloser {
    void operator()(jas::Image* image) const { jas::ImageDestroy(image); }
};
struct MatrixCloser {
    void operator()(jas::Matrix* matrix) const { jas::MatrixDestroy(matrix); }
};
struct ProfileCloser {
    void operator()(jas::ColourProfile* profile) const { jas::CmProfDestroy(profile); }
};
using StreamPtr = std::unique_ptr<jas::Stream, StreamCloser>;
using ImagePtr = std::unique_ptr<jas::Image, ImageCloser>;
using MatrixPtr = std::unique_ptr<jas::Matrix, MatrixCloser>;
using ProfilePtr = std::unique_ptr<jas::ColourProfile, ProfileCloser>;

// Initialises the library for one call and cleans it up whatever way the call ends.
class JasSession {
public:
    JasSession()
        : m_ready(jas::Init() == 0)
    {
    }
    ~JasSession()
    {
        if (m_ready)
            jas::Cleanup();
    }
    JasSession(const JasSession&) = delete;
    JasSession& operator=(const JasSession&) = delete;
    bool Ready() const { return m_ready; }

private:
    bool m_ready;
};

CPixStream* StreamOf(void* object)
{
    return static_cast<CPixStream*>(object);
}

int CPixStreamReadProc(void* object, char* buffer, unsigned count)
{
    return static_cast<int>(
        StreamOf(object)->Read(buffer, 1, std::min<unsigned>(count, std::numeric_limits<int>::max())));
}

int CPixStreamWriteProc(void* object, const char* buffer, unsigned count)
{
    return static_cast<int>(
        StreamOf(object)->Write(buffer, 1, std::min<unsigned>(count, std::numeric_limits<int>::max())));
}

long CPixJasSeekProc(void* object, long offset, int origin)
{
    if (offset < std::numeric_limits<int32_t>::min() || offset > std::numeric_limits<int32_t>::max())
        return -1;
    CPixStream* stream = StreamOf(object);
    if (!stream->Seek(static_cast<int32_t>(offset), origin))
        return -1;
    return stream->Tell();
}

// The CPixStream stays open: it belongs to the caller.
int CPixJasCloseProc(void*)
{
    return 1;
}

std::vector<MatrixPtr> RowMatrices(const jas::Image& image, const char* error)
{
    std::vector<MatrixPtr> rows;
    for (const jas::Component& c : image.cmpts) {
        rows.emplace_back(jas::MatrixCreate(1, c.params.width));
        if (!rows.back())
            throw error;
    }
    return rows;
}

const char* FormatName(LONG type)
{
    switch (type) {
    case PIXIMAGE_JP2: return "jp2";
    case PIXIMAGE_JPC: return "jpc";
    case PIXIMAGE_PGX: return "pgx";
    case PIXIMAGE_PNM: return "pnm";
    case PIXIMAGE_RAS: return "ras";
    default: return "";
    }
}

} // namespace

void CPixImageJAS::AttachStream(CPixStream* stream, jas::Stream* libraryStream)
{
    if (libraryStream->ops.close && libraryStream->object)
        libraryStream->ops.close(libraryStream->object);
    libraryStream->object = stream;
    libraryStream->ops = jas::StreamOps {CPixStreamReadProc, CPixStreamWriteProc, CPixJasSeekProc, CPixJasCloseProc};
}

bool CPixImageJAS::Decode(CPixStream* stream, LONG type)
{
    if (!stream)
        return false;
    try {
        JasSession session;
        if (!session.Ready())
            throw "cannot initialize jasper";
        StreamPtr in(jas::StreamFdOpen(-1, "rb"));
        if (!in)
            throw "error: cannot open standard input";
        AttachStream(stream, in.get());

        ImagePtr image(jas::ImageDecode(in.get(), -1, nullptr));
        if (!image)
            throw "error: cannot load image data";
        // The count is checked before any component is looked at: a picture may have none.
        const int count = static_cast<int>(image->cmpts.size());
        if (count < 1 || count > kMaxComponents)
            throw "error: too much components";
        const int prec = image->cmpts[0].params.prec;
        // sYCC pictures are turned into RGB whatever their precision.
        if ((prec != 1 && prec != 4 && prec != 8) || image->clrspc == jas::ColourSpace::Sycc) {
            ProfilePtr profile(jas::CmProfCreateFromClrspc(jas::ColourSpace::Srgb));
            if (!profile)
                throw "cannot create sRGB profile";
            ImagePtr converted(jas::ImageChClrSpc(image.get(), profile.get(), jas::kIntentPerceptual));
            if (!converted)
                throw "cannot convert to sRGB";
            image = std::move(converted);
        }
        std::vector<MatrixPtr> rows = RowMatrices(*image, "error: cannot allocate memory");

        const auto& cmpts = image->cmpts;
        const jas::ComponentParams& first = cmpts[0].params;
        const bool colour
            = cmpts.size() == 3 && std::all_of(cmpts.begin(), cmpts.end(), [&first](const jas::Component& c) {
                  return c.params.width == first.width && c.params.height == first.height
                      && c.params.prec == first.prec;
              });
        if (colour) {
            if (!Create(static_cast<DWORD>(first.width), static_cast<DWORD>(first.height), 24, type))
                throw "Can't allocate memory";
            // Samples of 1 and 4 bits are stretched over 0-255; 8-bit ones are taken as they are.
            const int top = (1 << std::min(first.prec, 8)) - 1;
            auto level = [top](std::int32_t v) {
                return static_cast<BYTE>(top == 255 ? v : (v & top) * 255 / top);
            };
            for (int y = 0; y < first.height; ++y) {
                for (int c = 0; c < 3; ++c)
                    jas::ImageReadCmpt(image.get(), c, 0, y, first.width, 1, rows[static_cast<std::size_t>(c)].get());
                BYTE* pixel = GetRowPointer(static_cast<DWORD>(first.height - 1 - y));
                for (int x = 0; x < first.width; ++x, pixel += 3) {
                    pixel[0] = level(rows[2]->Get(0, x));
                    pixel[1] = level(rows[1]->Get(0, x));
                    pixel[2] = level(rows[0]->Get(0, x));
                }
            }
            return true;
        }

        m_info.frameCount = static_cast<LONG>(cmpts.size());
        const LONG frame = m_info.frame;
        if (frame < 0 || frame >= m_info.frameCount)
            throw "wrong frame!";
        const jas::ComponentParams& chosen = cmpts[static_cast<std::size_t>(frame)].params;
        if (!Create(static_cast<DWORD>(chosen.width), static_cast<DWORD>(chosen.height),
                static_cast<DWORD>(std::min(chosen.prec, 8)), type))
            throw "Can't allocate memory";
        SetGrayRamp();
        jas::Matrix* row = rows[static_cast<std::size_t>(frame)].get();
        for (int y = 0; y < chosen.height; ++y) {
            jas::ImageReadCmpt(image.get(), static_cast<int>(frame), 0, y, chosen.width, 1, row);
            for (int x = 0; x < chosen.width; ++x)
                SetIndexAt(x, chosen.height - 1 - y, static_cast<BYTE>(row->Get(0, x)));
        }
        return true;
    } catch (const char* message) {
        SetLastErrorText(message);
    }
    return false;
}

bool CPixImageJAS::Encode(CPixStream* stream, LONG type)
{
    if (CheckEncodeArgs(stream))
        return false;
    try {
        const bool grey = GetBpp() <= 8;
        if (grey && !IsGrayPalette())
            throw "JasPer can save only RGB or GrayScale images";
        JasSession session;
        if (!session.Ready())
            throw "cannot initialize jasper";
        StreamPtr out(jas::StreamFdOpen(-1, "w+b"));
        if (!out)
            throw "error: cannot open standard output";
        AttachStream(stream, out.get());

        const LONG width = GetWidth();
        const LONG height = GetHeight();
        const int count = grey ? 1 : 3;
        jas::ComponentParams params[3];
        for (jas::ComponentParams& p : params) {
            p.width = static_cast<int>(width);
            p.height = static_cast<int>(height);
            p.prec = 8;
        }
        ImagePtr image(jas::ImageCreate(count, params, grey ? jas::ColourSpace::Sgray : jas::ColourSpace::Srgb));
        if (!image)
            throw "error : jas_image_create";
        for (int c = 0; c < count; ++c)
            jas::ImageSetCmptType(image.get(), c, grey ? jas::kTypeGrey : jas::kTypeRed + c);
        std::vector<MatrixPtr> rows = RowMatrices(*image, "error : can't allocate memory");

        for (LONG y = 0; y < height; ++y) {
            for (LONG x = 0; x < width; ++x) {
                if (grey) {
                    rows[0]->Set(0, static_cast<int>(x), GetIndexAt(x, y));
                    continue;
                }
                const PixColor color = GetColorAt(x, y);
                rows[0]->Set(0, static_cast<int>(x), PixRed(color));
                rows[1]->Set(0, static_cast<int>(x), PixGreen(color));
                rows[2]->Set(0, static_cast<int>(x), PixBlue(color));
            }
            for (int c = 0; c < count; ++c)
                if (jas::ImageWriteCmpt(image.get(), c, 0, static_cast<int>(height - 1 - y), static_cast<int>(width), 1,
                        rows[static_cast<std::size_t>(c)].get())
                    != 0)
                    throw "error : jas_image_writecmpt";
        }

        if (type == PIXIMAGE_PGX && !grey)
            throw "PGX can save only GrayScale images";
        char options[32];
        std::snprintf(options, sizeof options, "rate=%.3f", m_info.jpegQuality * 0.01);
        if (jas::ImageEncode(image.get(), out.get(), jas::ImageStrToFmt(FormatName(type)), options) != 0)
            throw "error: cannot encode image\n";
        jas::StreamFlush(out.get());
        return true;
    } catch (const char* message) {
        SetLastErrorText(message);
    }
    return false;
}

PixFormat PixJasFormat()
{
    PixFormat format;
    format.create = []() -> std::unique_ptr<CPixImage> {
        return std::unique_ptr<CPixImage>(new (std::nothrow) CPixImageJAS);
    };
    format.decode = [](CPixImage& image, CPixStream* stream, LONG type) {
        return static_cast<CPixImageJAS&>(image).Decode(stream, type);
    };
    format.encode = [](CPixImage& image, CPixStream* stream, LONG type) {
        return static_cast<CPixImageJAS&>(image).Encode(stream, type);
    };
    return format;
}
