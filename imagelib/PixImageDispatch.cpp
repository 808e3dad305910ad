// Loading and saving: the format dispatch of Decode and Encode, and the wrappers by FILE, file name
// and memory block.
#include "imagelib/PixImage.h"

#include "imagelib/PixFileStream.h"
#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixMemStream.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kUnknownDecodeType = "Decode: Unknown or wrong format";
constexpr const char* kUnknownEncodeType = "Encode: Unknown format";
constexpr const char* kWriteFailed = "Can't write file";

struct ProbeStep {
    LONG lookup; // whose format class to try
    LONG type;   // the type number its decoder is given
};

// Cheap and distinctive signatures first; the JPEG-2000 family class recognises its five types
// itself, so it is asked once, with type 0.
constexpr ProbeStep kProbeOrder[] = {
    {PIXIMAGE_BMP, PIXIMAGE_BMP}, {PIXIMAGE_JPG, PIXIMAGE_JPG}, {PIXIMAGE_ICO, PIXIMAGE_ICO},
    {PIXIMAGE_GIF, PIXIMAGE_GIF}, {PIXIMAGE_PNG, PIXIMAGE_PNG}, {PIXIMAGE_TIF, PIXIMAGE_TIF},
    {PIXIMAGE_TGA, PIXIMAGE_TGA}, {PIXIMAGE_PCX, PIXIMAGE_PCX}, {PIXIMAGE_WBMP, PIXIMAGE_WBMP},
    {PIXIMAGE_WMF, PIXIMAGE_WMF}, {PIXIMAGE_JP2, PIXIMAGE_UNKNOWN},
};

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

std::string FolderOf(const std::string& path)
{
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A fresh file beside `target`, created with the usual permissions so the umask applies.
int CreateTempBeside(const std::string& target, std::string& tempName)
{
    static std::atomic<unsigned> counter{0};
    const std::string prefix = FolderOf(target) + "/.~zvsave-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = prefix + std::to_string(counter.fetch_add(1)) + ".tmp";
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

bool CPixImage::Decode(CPixStream* stream, LONG type)
{
    if (!stream) {
        SetLastErrorText("null file handler");
        return false;
    }

    if (type == PIXIMAGE_UNKNOWN) {
        const int32_t start = stream->Tell();
        for (const ProbeStep& step : kProbeOrder) {
            const std::optional<PixFormat> format = FindPixFormat(step.lookup);
            if (!format || !format->decode)
                continue;
            std::unique_ptr<CPixImage> candidate = format->create();
            if (!candidate)
                continue;
            // The caller's settings (frame to decode, escape) reach the decoder.
            candidate->CopyInfo(*this);
            if (format->decode(*candidate, stream, step.type)) {
                Transfer(*candidate);
                return true;
            }
            // The next candidate must see the data from where this one started.
            if (start < 0 || !stream->Seek(start, 0))
                break;
        }
        SetLastErrorText(kUnknownDecodeType);
        return false;
    }

    const std::optional<PixFormat> format = FindPixFormat(type);
    std::unique_ptr<CPixImage> decoder = format && format->decode ? format->create() : nullptr;
    if (!decoder) {
        SetLastErrorText(kUnknownDecodeType);
        return false;
    }
    if (format->multiFrame)
        decoder->SetFrame(m_info.frame);
    if (format->decode(*decoder, stream, type)) {
        Transfer(*decoder);
        return true;
    }
    if (format->multiFrame)
        m_info.frameCount = decoder->m_info.frameCount;
    SetLastErrorText(decoder->m_info.lastError);
    return false;
}

bool CPixImage::Encode(CPixStream* stream, LONG type)
{
    const std::optional<PixFormat> format = FindPixFormat(type);
    std::unique_ptr<CPixImage> encoder = format && format->encode ? format->create() : nullptr;
    if (!encoder) {
        SetLastErrorText(kUnknownEncodeType);
        return false;
    }
    // The encoder borrows this image's buffers; nothing is copied and nothing freed.
    encoder->ShareFrom(*this);
    if (format->encode(*encoder, stream, type))
        return true;
    SetLastErrorText(encoder->m_info.lastError);
    return false;
}

bool CPixImage::CheckEncodeArgs(CPixStream* stream)
{
    if (!stream) {
        SetLastErrorText("null file handler");
        return true;
    }
    if (!m_pDib) {
        SetLastErrorText("null image!!!");
        return true;
    }
    return false;
}

bool CPixImage::DecodeFile(FILE* file, LONG type)
{
    if (!file) {
        SetLastErrorText("null file handler");
        return false;
    }
    CPixFileStream stream(file);
    return Decode(&stream, type);
}

bool CPixImage::EncodeFile(FILE* file, LONG type)
{
    if (!file) {
        SetLastErrorText("null file handler");
        return false;
    }
    CPixFileStream stream(file);
    if (!Encode(&stream, type))
        return false;
    // Buffered bytes that cannot be written (a full disk) are a failed save.
    if (!stream.Flush()) {
        SetLastErrorText(kWriteFailed);
        return false;
    }
    return true;
}

bool CPixImage::Load(const char* fileName, LONG type)
{
    if (!fileName)
        return false;
    if (type > PIXIMAGE_UNKNOWN && type < PIXIMAGE_TYPE_COUNT) {
        const FilePtr file(std::fopen(fileName, "rbe"));
        if (!file)
            return false;
        if (DecodeFile(file.get(), type))
            return true;
    }
    // The file may be of another format than its caller thought: probe. When that fails too, the
    // typed attempt's reason is the more useful one.
    const std::string typedReason = m_info.lastError;
    const FilePtr file(std::fopen(fileName, "rbe"));
    if (!file)
        return false;
    const bool decoded = DecodeFile(file.get(), PIXIMAGE_UNKNOWN);
    if (!decoded && type != PIXIMAGE_UNKNOWN)
        SetLastErrorText(typedReason.c_str());
    return decoded;
}

bool CPixImage::Save(const char* fileName, LONG type)
{
    // Everything that can be refused is refused before the file is touched.
    if (!fileName)
        return false;
    if (!m_pDib) {
        SetLastErrorText("null image!!!");
        return false;
    }
    const std::optional<PixFormat> format = FindPixFormat(type);
    if (!format || !format->encode) {
        SetLastErrorText(kUnknownEncodeType);
        return false;
    }

    struct stat existing {};
    const bool exists = ::stat(fileName, &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or pipe cannot be replaced by renaming; write to it as it is.
        FILE* file = std::fopen(fileName, "wbe");
        if (!file)
            return false;
        bool saved = EncodeFile(file, type);
        if (std::fclose(file) != 0 && saved) {
            SetLastErrorText(kWriteFailed);
            saved = false;
        }
        return saved;
    }

    // Write a new file beside the old one and put it in place only when it is complete. A symbolic
    // link stays a link: its target is replaced.
    std::string target = fileName;
    if (exists) {
        if (char* resolved = ::realpath(fileName, nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    std::string tempName;
    const int fd = CreateTempBeside(target, tempName);
    if (fd < 0)
        return false;
    if (exists)
        ::fchmod(fd, existing.st_mode & 07777);
    FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        ::unlink(tempName.c_str());
        return false;
    }
    bool saved = EncodeFile(file, type);
    if (saved && ::fsync(::fileno(file)) != 0) {
        SetLastErrorText(kWriteFailed);
        saved = false;
    }
    if (std::fclose(file) != 0 && saved) {
        SetLastErrorText(kWriteFailed);
        saved = false;
    }
    if (saved && ::rename(tempName.c_str(), target.c_str()) != 0) {
        SetLastErrorText(kWriteFailed);
        saved = false;
    }
    if (!saved)
        ::unlink(tempName.c_str());
    return saved;
}

bool CPixImage::DecodeFromMemory(const BYTE* block, LONG length, LONG type)
{
    // A stream over a caller's block only reads it.
    CPixMemStream stream(const_cast<BYTE*>(block), length);
    return Decode(&stream, type);
}

bool CPixImage::EncodeToMemory(BYTE*& block, LONG& length, LONG type)
{
    if (block)
        return false;
    CPixMemStream stream;
    if (!Encode(&stream, type))
        return false;
    length = stream.Size();
    block = stream.Release();
    return true;
}
