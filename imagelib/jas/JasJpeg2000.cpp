// JP2 files and JPEG-2000 code streams through OpenJPEG, from and to memory.
#include "imagelib/jas/JasCodecs.h"

#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

namespace jas::detail {
namespace {

    struct MemoryFile {
        Bytes* data;
        std::size_t at;
    };

    OPJ_SIZE_T ReadMemory(void* buffer, OPJ_SIZE_T count, void* user)
    {
        auto* file = static_cast<MemoryFile*>(user);
        if (file->at >= file->data->size())
            return static_cast<OPJ_SIZE_T>(-1);
        const std::size_t n = std::min<std::size_t>(count, file->data->size() - file->at);
        std::memcpy(buffer, file->data->data() + file->at, n);
        file->at += n;
        return n;
    }

    OPJ_SIZE_T WriteMemory(void* buffer, OPJ_SIZE_T count, void* user)
    {
        auto* file = static_cast<MemoryFile*>(user);
        if (file->data->size() < file->at + count)
            file->data->resize(file->at + count);
        std::memcpy(file->data->data() + file->at, buffer, count);
        file->at += count;
        return count;
    }

    OPJ_BOOL SeekMemory(OPJ_OFF_T offset, void* user)
    {
        auto* file = static_cast<MemoryFile*>(user);
        if (offset < 0 || static_cast<std::uint64_t>(offset) > kMaxSamples * 4)
            return OPJ_FALSE;
        file->at = static_cast<std::size_t>(offset);
        return OPJ_TRUE;
    }

    OPJ_OFF_T SkipMemory(OPJ_OFF_T count, void* user)
    {
        auto* file = static_cast<MemoryFile*>(user);
        const OPJ_OFF_T target = static_cast<OPJ_OFF_T>(file->at) + count;
        if (!SeekMemory(target, user))
            return -1;
        return count;
    }

    void Quiet(const char*, void*)
    {
    }

    struct CodecCloser {
        void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
    };
    struct StreamCloser {
        void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
    };
    struct ImageCloser {
        void operator()(opj_image_t* image) const { opj_image_destroy(image); }
    };
    using CodecPtr = std::unique_ptr<opj_codec_t, CodecCloser>;
    using StreamPtr = std::unique_ptr<opj_stream_t, StreamCloser>;
    using OpjImagePtr = std::unique_ptr<opj_image_t, ImageCloser>;

    CodecPtr MakeCodec(opj_codec_t* codec)
    {
        if (codec) {
            opj_set_error_handler(codec, Quiet, nullptr);
            opj_set_warning_handler(codec, Quiet, nullptr);
            opj_set_info_handler(codec, Quiet, nullptr);
        }
        return CodecPtr(codec);
    }

    StreamPtr MakeStream(MemoryFile& file, bool input)
    {
        StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE));
        if (!stream)
            return stream;
        opj_stream_set_user_data(stream.get(), &file, nullptr);
        if (input) {
            opj_stream_set_read_function(stream.get(), ReadMemory);
            opj_stream_set_user_data_length(stream.get(), file.data->size());
        } else {
            opj_stream_set_write_function(stream.get(), WriteMemory);
        }
        opj_stream_set_skip_function(stream.get(), SkipMemory);
        opj_stream_set_seek_function(stream.get(), SeekMemory);
        return stream;
    }

    std::uint32_t CeilDiv(std::uint32_t a, std::uint32_t b)
    {
        return static_cast<std::uint32_t>((std::uint64_t {a} + b - 1) / b);
    }

    // The header's picture must fit the memory limits before OpenJPEG decodes (and allocates) it.
    bool HeaderFits(const opj_image_t& image)
    {
        if (image.numcomps == 0 || image.numcomps > static_cast<OPJ_UINT32>(kMaxComponents) || !image.comps
            || image.x1 <= image.x0 || image.y1 <= image.y0)
            return false;
        std::uint64_t total = 0;
        for (OPJ_UINT32 i = 0; i < image.numcomps; ++i) {
            const opj_image_comp_t& c = image.comps[i];
            if (c.dx == 0 || c.dy == 0 || c.prec == 0 || c.prec > 31)
                return false;
            const std::uint64_t w = CeilDiv(image.x1, c.dx) - CeilDiv(image.x0, c.dx);
            const std::uint64_t h = CeilDiv(image.y1, c.dy) - CeilDiv(image.y0, c.dy);
            total += w * h;
            if (total > kMaxSamples)
                return false;
        }
        return true;
    }

    std::uint32_t BigEndian(const Bytes& file, std::size_t at, int size)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i)
            value = value << 8 | file[at + static_cast<std::size_t>(i)];
        return value;
    }

    // Where the code stream starts: at once in a bare stream, in the top-level "jp2c" box of a JP2 file.
    std::optional<std::size_t> CodeStreamStart(const Bytes& file, bool jp2)
    {
        if (!jp2)
            return 0;
        std::size_t at = 0;
        while (at + 8 <= file.size()) {
            std::uint64_t length = BigEndian(file, at, 4);
            const std::uint32_t type = BigEndian(file, at + 4, 4);
            std::size_t header = 8;
            if (length == 1) {
                if (at + 16 > file.size())
                    return std::nullopt;
                length = std::uint64_t {BigEndian(file, at + 8, 4)} << 32 | BigEndian(file, at + 12, 4);
                header = 16;
            }
            if (type == 0x6A703263) // "jp2c"
                return at + header;
            if (length < header || length > file.size() - at)
                return std::nullopt;
            at += static_cast<std::size_t>(length);
        }
        return std::nullopt;
    }

    // Every tile has at least one tile-part, whose header alone takes 12 bytes, so a stream that claims
    // more tiles than its bytes can hold is damaged. OpenJPEG sets up every tile and component already
    // while reading the header (hundreds of megabytes for a few bytes of input), so the SIZ segment is
    // weighed before it is handed over. What cannot be read here is left to OpenJPEG to refuse.
    bool TilesFitData(const Bytes& file, bool jp2)
    {
        const std::optional<std::size_t> start = CodeStreamStart(file, jp2);
        if (!start || *start + 42 > file.size() || BigEndian(file, *start, 4) != 0xFF4FFF51)
            return true;
        const std::size_t siz = *start + 8;
        const std::uint32_t width = BigEndian(file, siz, 4), height = BigEndian(file, siz + 4, 4);
        const std::uint32_t tileWidth = BigEndian(file, siz + 16, 4), tileHeight = BigEndian(file, siz + 20, 4);
        const std::uint32_t tileLeft = BigEndian(file, siz + 24, 4), tileTop = BigEndian(file, siz + 28, 4);
        const std::uint32_t components = BigEndian(file, siz + 32, 2);
        if (tileWidth == 0 || tileHeight == 0 || width <= tileLeft || height <= tileTop || components == 0)
            return false;
        const std::uint64_t tiles
            = std::uint64_t {CeilDiv(width - tileLeft, tileWidth)} * CeilDiv(height - tileTop, tileHeight);
        constexpr std::uint64_t kTilePartHeader = 12;
        constexpr std::uint64_t kMaxTileComponents = 1u << 16;
        return tiles <= file.size() / kTilePartHeader && tiles * components <= kMaxTileComponents;
    }

    ColourSpace SpaceOf(const opj_image_t& image)
    {
        switch (image.color_space) {
        case OPJ_CLRSPC_SRGB: return ColourSpace::Srgb;
        case OPJ_CLRSPC_GRAY: return ColourSpace::Sgray;
        case OPJ_CLRSPC_SYCC: return ColourSpace::Sycc;
        case OPJ_CLRSPC_UNSPECIFIED: return image.numcomps >= 3 ? ColourSpace::Srgb : ColourSpace::Sgray;
        default: return ColourSpace::Unknown;
        }
    }

} // namespace

Image* DecodeJpeg2000(const Bytes& file, bool jp2)
{
    if (!TilesFitData(file, jp2))
        return nullptr;
    MemoryFile memory {const_cast<Bytes*>(&file), 0};
    StreamPtr stream = MakeStream(memory, true);
    CodecPtr codec = MakeCodec(opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!stream || !codec)
        return nullptr;
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec.get(), &parameters))
        return nullptr;
    opj_image_t* header = nullptr;
    const bool read = opj_read_header(stream.get(), codec.get(), &header) != 0;
    OpjImagePtr decoded(header);
    if (!read || !decoded || !HeaderFits(*decoded))
        return nullptr;
    if (!opj_decode(codec.get(), stream.get(), decoded.get()) || !opj_end_decompress(codec.get(), stream.get()))
        return nullptr;

    std::vector<ComponentParams> params(decoded->numcomps);
    for (OPJ_UINT32 i = 0; i < decoded->numcomps; ++i) {
        const opj_image_comp_t& c = decoded->comps[i];
        if (!c.data || c.w == 0 || c.h == 0 || c.w > kMaxSamples || c.h > kMaxSamples)
            return nullptr;
        params[i] = ComponentParams {static_cast<int>(c.x0), static_cast<int>(c.y0), static_cast<int>(c.dx),
            static_cast<int>(c.dy), static_cast<int>(c.w), static_cast<int>(c.h), static_cast<int>(c.prec),
            c.sgnd != 0};
    }
    std::unique_ptr<Image> image(ImageCreate(static_cast<int>(params.size()), params.data(), SpaceOf(*decoded)));
    if (!image)
        return nullptr;
    for (OPJ_UINT32 i = 0; i < decoded->numcomps; ++i) {
        Component& c = image->cmpts[i];
        std::copy_n(decoded->comps[i].data, c.samples.size(), c.samples.begin());
        c.type = decoded->numcomps >= 3 && i < 3 ? static_cast<int>(i) : kTypeUnknown;
    }
    return image.release();
}

bool EncodeJpeg2000(const Image& image, Bytes& file, double rate, bool jp2)
{
    const std::size_t count = image.cmpts.size();
    std::vector<opj_image_cmptparm_t> params(count);
    int smallest = image.cmpts[0].params.width;
    for (std::size_t i = 0; i < count; ++i) {
        const ComponentParams& p = image.cmpts[i].params;
        params[i] = opj_image_cmptparm_t {};
        params[i].dx = static_cast<OPJ_UINT32>(p.hstep);
        params[i].dy = static_cast<OPJ_UINT32>(p.vstep);
        params[i].w = static_cast<OPJ_UINT32>(p.width);
        params[i].h = static_cast<OPJ_UINT32>(p.height);
        params[i].x0 = static_cast<OPJ_UINT32>(p.tlx);
        params[i].y0 = static_cast<OPJ_UINT32>(p.tly);
        params[i].prec = static_cast<OPJ_UINT32>(p.prec);
        params[i].sgnd = p.sgnd ? 1 : 0;
        smallest = std::min({smallest, p.width, p.height});
    }
    const OPJ_COLOR_SPACE space = image.clrspc == ColourSpace::Sgray ? OPJ_CLRSPC_GRAY
        : image.clrspc == ColourSpace::Sycc                          ? OPJ_CLRSPC_SYCC
                                                                     : OPJ_CLRSPC_SRGB;
    OpjImagePtr picture(opj_image_create(static_cast<OPJ_UINT32>(count), params.data(), space));
    if (!picture)
        return false;
    const ComponentParams& first = image.cmpts[0].params;
    picture->x0 = static_cast<OPJ_UINT32>(first.tlx);
    picture->y0 = static_cast<OPJ_UINT32>(first.tly);
    picture->x1 = picture->x0 + static_cast<OPJ_UINT32>((first.width - 1) * first.hstep + 1);
    picture->y1 = picture->y0 + static_cast<OPJ_UINT32>((first.height - 1) * first.vstep + 1);
    for (std::size_t i = 0; i < count; ++i)
        std::copy(image.cmpts[i].samples.begin(), image.cmpts[i].samples.end(), picture->comps[i].data);

    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.cp_disto_alloc = 1;
    // A rate below 1 is the coded size as a share of the raw size; OpenJPEG takes the ratio.
    parameters.tcp_rates[0] = rate < 1 ? static_cast<float>(1 / std::max(rate, 0.001)) : 0;
    // OpenJPEG refuses more resolution levels than the smaller side allows.
    parameters.numresolution = std::min(6, 1 + static_cast<int>(std::floor(std::log2(smallest))));
    parameters.tcp_mct = count >= 3 ? 1 : 0;

    CodecPtr codec = MakeCodec(opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!codec || !opj_setup_encoder(codec.get(), &parameters, picture.get()))
        return false;
    file.clear();
    MemoryFile memory {&file, 0};
    StreamPtr stream = MakeStream(memory, false);
    return stream && opj_start_compress(codec.get(), picture.get(), stream.get())
        && opj_encode(codec.get(), stream.get()) && opj_end_compress(codec.get(), stream.get());
}

} // namespace jas::detail
