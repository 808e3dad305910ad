// libtiff's client procedures over a CPixStream. Each handle gets its own diagnostic handlers and
// an allocation cap through the open options, so nothing is set library-wide and a hostile file
// cannot make libtiff ask for more than a picture may hold.
#include "imagelib/PixImageTIF.h"

#include "imagelib/PixStream.h"

#include <tiffio.h>

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

CPixStream* StreamOf(thandle_t handle)
{
    return static_cast<CPixStream*>(handle);
}

tmsize_t CPixStreamReadProc(thandle_t handle, void* buffer, tmsize_t size)
{
    if (size <= 0)
        return 0;
    return static_cast<tmsize_t>(StreamOf(handle)->Read(buffer, 1, static_cast<size_t>(size)));
}

tmsize_t CPixStreamWriteProc(thandle_t handle, void* buffer, tmsize_t size)
{
    if (size <= 0)
        return 0;
    return static_cast<tmsize_t>(StreamOf(handle)->Write(buffer, 1, static_cast<size_t>(size)));
}

// libtiff takes (toff_t)-1 as a failed seek; 0 would be taken for the start of the file.
toff_t CPixTiffSeekProc(thandle_t handle, toff_t offset, int whence)
{
    constexpr toff_t kFailed = static_cast<toff_t>(-1);
    // Relative seeks carry a negative offset as its two's complement.
    const auto signedOffset = static_cast<std::int64_t>(offset);
    if (whence < 0 || whence > 2 || signedOffset < std::numeric_limits<int32_t>::min()
        || signedOffset > std::numeric_limits<int32_t>::max())
        return kFailed;
    CPixStream* stream = StreamOf(handle);
    if (!stream->Seek(static_cast<int32_t>(signedOffset), whence))
        return kFailed;
    if (whence == 0)
        return offset;
    const int32_t position = stream->Tell();
    return position < 0 ? kFailed : static_cast<toff_t>(position);
}

toff_t CPixTiffSizeProc(thandle_t handle)
{
    const int32_t size = StreamOf(handle)->Size();
    return size < 0 ? 0 : static_cast<toff_t>(size);
}

// The stream belongs to the caller: libtiff never closes it.
int CPixTiffCloseProc(thandle_t)
{
    return 0;
}

// A page being read sees a copy of the whole stream as its mapped file. libtiff 4.5 reads tiled
// pages through its RGBA reader only from a mapped file ("Invalid tile byte count" otherwise);
// a stream larger than a picture may be is read through the procedures instead.
int CPixTiffMapProc(thandle_t handle, void** base, toff_t* size)
{
    CPixStream* stream = StreamOf(handle);
    const int32_t total = stream->Size();
    const int32_t position = stream->Tell();
    if (total <= 0 || position < 0 || static_cast<std::uint64_t>(total) > PIXIMAGE_MAX_MEMORY)
        return 0;
    void* copy = std::malloc(static_cast<size_t>(total));
    if (!copy)
        return 0;
    const bool read
        = stream->Seek(0, 0) && stream->Read(copy, 1, static_cast<size_t>(total)) == static_cast<size_t>(total);
    if (!stream->Seek(position, 0) || !read) {
        std::free(copy);
        return 0;
    }
    *base = copy;
    *size = static_cast<toff_t>(total);
    return 1;
}

void CPixTiffUnmapProc(thandle_t, void* base, toff_t)
{
    std::free(base);
}

// The library's own messages are not shown; the image gets the decoder's texts only.
int IgnoreTiffMessage(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct OpenOptions {
    OpenOptions()
        : options(TIFFOpenOptionsAlloc())
    {
        if (!options)
            return;
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(PIXIMAGE_MAX_MEMORY));
        TIFFOpenOptionsSetErrorHandlerExtR(options, IgnoreTiffMessage, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreTiffMessage, nullptr);
    }
    ~OpenOptions() { TIFFOpenOptionsFree(options); }
    OpenOptions(const OpenOptions&) = delete;
    OpenOptions& operator=(const OpenOptions&) = delete;

    TIFFOpenOptions* options;
};

} // namespace

TIFF* CPixTiffOpen(CPixStream* stream, const char* mode)
{
    if (!stream)
        return nullptr;
    OpenOptions open;
    if (!open.options)
        return nullptr;
    return TIFFClientOpenExt("TIFF IMAGE", mode, stream, CPixStreamReadProc, CPixStreamWriteProc, CPixTiffSeekProc,
        CPixTiffCloseProc, CPixTiffSizeProc, CPixTiffMapProc, CPixTiffUnmapProc, open.options);
}
