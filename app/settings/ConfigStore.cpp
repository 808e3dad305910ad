#include "app/settings/ConfigStore.h"

#include "platform/win32/files.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/paths.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::size_t kLevelBytes = ConfigStore::kLevelCount * 4;

class FileCloser {
public:
    explicit FileCloser(HANDLE file) : m_file(file) {}
    ~FileCloser() { CloseHandle(m_file); }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    HANDLE m_file;
};

std::uint32_t U32At(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void AppendU32(std::vector<std::uint8_t>& image, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        image.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Levels live in 0..1; a file holding anything else was not written by this program.
float SaneLevel(float level)
{
    if (!std::isfinite(level))
        return ConfigStore::kNeutralLevel;
    return std::clamp(level, 0.0f, 1.0f);
}

// Reads a settings file front to back. It knows how many bytes are left, so that no length taken
// from the file is believed beyond them.
class SettingsReader {
public:
    explicit SettingsReader(HANDLE file) : m_file(file)
    {
        DWORD high = 0;
        const DWORD low = GetFileSize(file, &high);
        if (low != INVALID_FILE_SIZE || GetLastError() == ERROR_SUCCESS)
            m_left = static_cast<std::uint64_t>(high) << 32 | low;
    }

    // True when all `size` bytes arrived. Anything less is the end of the data: the caller keeps
    // the destination's previous content.
    bool Read(void* destination, std::size_t size)
    {
        if (size > m_left) {
            m_left = 0;
            return false;
        }
        DWORD got = 0;
        if (!ReadFile(m_file, destination, static_cast<DWORD>(size), &got, nullptr) || got != size) {
            m_left = 0;
            return false;
        }
        m_left -= size;
        return true;
    }

    bool ReadU32(std::uint32_t& value)
    {
        std::uint8_t bytes[4];
        if (!Read(bytes, sizeof bytes))
            return false;
        value = U32At(bytes);
        return true;
    }

    // A length field that fits both the cap and the rest of the file.
    bool ReadLength(std::uint32_t& length)
    {
        std::uint32_t value = 0;
        if (!ReadU32(value) || value > ConfigStore::kMaxRecordBytes || value > m_left)
            return false;
        length = value;
        return true;
    }

private:
    HANDLE m_file;
    std::uint64_t m_left = 0;
};

// One whole record, or nothing when the file ends inside it or it claims more than is there.
std::optional<NamedBlob> ReadRecord(SettingsReader& in)
{
    NamedBlob blob;
    std::uint32_t nameLength = 0;
    if (!in.ReadLength(nameLength))
        return std::nullopt;
    blob.name.resize(nameLength);
    if (!in.Read(blob.name.data(), nameLength))
        return std::nullopt;
    std::uint32_t dataLength = 0;
    if (!in.ReadLength(dataLength))
        return std::nullopt;
    if (dataLength > 0) {
        blob.data.emplace(dataLength);
        if (!in.Read(blob.data->data(), dataLength))
            return std::nullopt;
    }
    return blob;
}

bool WriteWholeFile(const char* path, const std::vector<std::uint8_t>& image)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // WriteFile hands the bytes straight to the system, so once it reports them all the file is
    // complete; nothing is buffered on our side.
    DWORD written = 0;
    const bool wrote = WriteFile(file, image.data(), static_cast<DWORD>(image.size()), &written, nullptr) &&
                       written == image.size();
    const bool closed = CloseHandle(file);
    return wrote && closed;
}

} // namespace

void ConfigStore::Init()
{
    levels.fill(kNeutralLevel);
    dirty = false;
    resolutionMask = 255;
    driverFlags = 0;
    blobs.clear();
}

bool ConfigStore::GetFilePath(char* path) const
{
    char module[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    // A cut path names some other file.
    if (length == 0 || length >= MAX_PATH)
        return false;
    return FilePathForModule(module, path);
}

bool ConfigStore::FilePathForModule(const char* modulePath, char* path)
{
    if (!modulePath || !path)
        return false;
    const std::string_view module(modulePath);
    if (module.size() >= MAX_PATH)
        return false;
    std::string settings(module);
    const auto separator = module.find_last_of("/\\");
    const auto dot = module.find_last_of('.');
    if (dot != std::string_view::npos && (separator == std::string_view::npos || dot > separator))
        settings.resize(dot + 1);
    settings += "config";
    // Cutting "config" short would name some other file.
    if (settings.size() > kMaxFilePathLength)
        return false;
    std::memcpy(path, settings.c_str(), settings.size() + 1);
    return true;
}

void ConfigStore::Load()
{
    char path[MAX_PATH];
    if (GetFilePath(path))
        Load(path);
    dirty = false;
}

void ConfigStore::Load(const char* path)
{
    HANDLE file = path ? CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                       : INVALID_HANDLE_VALUE;
    dirty = false;
    if (file == INVALID_HANDLE_VALUE)
        return;
    FileCloser closer(file);
    SettingsReader in(file);

    // A header cut short keeps these, so an empty file reads as a current file without content.
    std::uint8_t header[kHeaderBytes] = {'Z', 'V', kFileVersion & 0xFF, kFileVersion >> 8};
    std::uint8_t read[kHeaderBytes];
    if (in.Read(read, sizeof read))
        std::memcpy(header, read, sizeof header);
    const unsigned version = header[2] | header[3] << 8;
    if (header[0] != 'Z' || header[1] != 'V' || version > kFileVersion)
        return;

    // Each field is taken whole or not at all; the file ending early keeps the rest as they are.
    std::uint32_t value = 0;
    bool more = in.ReadU32(value);
    if (more)
        resolutionMask = static_cast<std::int32_t>(value);
    if (more && version >= 2) {
        more = in.ReadU32(value);
        if (more)
            driverFlags = static_cast<std::int32_t>(value);
    }
    if (more && version >= 3) {
        std::uint8_t raw[kLevelBytes];
        more = in.Read(raw, sizeof raw);
        for (std::size_t i = 0; more && i < kLevelCount; ++i)
            levels[i] = SaneLevel(std::bit_cast<float>(U32At(raw + 4 * i)));
    }
    if (version < 4)
        return;
    blobs.clear();
    // The count is not believed either: records are read while they are whole.
    std::uint32_t count = 0;
    if (!more || !in.ReadU32(count))
        return;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::optional<NamedBlob> blob = ReadRecord(in);
        if (!blob)
            break;
        blobs.push_back(std::move(*blob));
    }
}

void ConfigStore::Save()
{
    if (!dirty)
        return;
    char path[MAX_PATH];
    if (GetFilePath(path))
        Save(path);
}

void ConfigStore::Save(const char* path)
{
    if (!dirty || !path)
        return;
    // The old file stays whole until the new one is complete beside it.
    const std::string temporary = std::string(path) + ".tmp";
    if (WriteWholeFile(temporary.c_str(), FileImage()) && std::rename(temporary.c_str(), path) == 0) {
        dirty = false;
        return;
    }
    DeleteFileA(temporary.c_str());
}

std::vector<std::uint8_t> ConfigStore::FileImage() const
{
    std::vector<std::uint8_t> image{'Z', 'V', kFileVersion & 0xFF, kFileVersion >> 8};
    AppendU32(image, static_cast<std::uint32_t>(resolutionMask));
    AppendU32(image, static_cast<std::uint32_t>(driverFlags));
    for (const float level : levels)
        AppendU32(image, std::bit_cast<std::uint32_t>(level));
    AppendU32(image, static_cast<std::uint32_t>(blobs.size()));
    for (const NamedBlob& blob : blobs) {
        AppendU32(image, static_cast<std::uint32_t>(blob.name.size()));
        image.insert(image.end(), blob.name.begin(), blob.name.end());
        AppendU32(image, static_cast<std::uint32_t>(blob.length()));
        if (blob.data)
            image.insert(image.end(), blob.data->begin(), blob.data->end());
    }
    return image;
}

void ConfigStore::SetBlob(const char* name, const void* data, int length)
{
    if (!name || length < 0)
        return;
    if (!data)
        length = 0;
    if (static_cast<std::uint32_t>(length) > kMaxRecordBytes || std::strlen(name) > kMaxRecordBytes)
        return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);

    NamedBlob* blob = FindBlob(name);
    if (!blob) {
        NamedBlob added;
        added.name = name;
        if (bytes)
            added.data.emplace(bytes, bytes + length);
        blobs.push_back(std::move(added));
        dirty = true;
        return;
    }
    if (blob->length() == length && (length == 0 || std::equal(bytes, bytes + length, blob->data->begin())))
        return;
    if (!bytes)
        blob->data.reset();
    else if (blob->data)
        blob->data->assign(bytes, bytes + length);
    else
        blob->data.emplace(bytes, bytes + length);
    dirty = true;
}

bool ConfigStore::GetBlob(const char* name, void* buffer, int* size) const
{
    if (!size)
        return false;
    const NamedBlob* blob = FindBlob(name);
    if (!blob) {
        *size = 0;
        return false;
    }
    const std::int32_t length = blob->length();
    if (!buffer || *size < length) {
        *size = length;
        return false;
    }
    if (blob->data) {
        if (length > 0)
            std::memcpy(buffer, blob->data->data(), static_cast<std::size_t>(length));
        *size = length;
        return true;
    }
    std::memset(buffer, 0, static_cast<std::size_t>(*size));
    *size = 0;
    return true;
}

NamedBlob* ConfigStore::FindBlob(const char* name)
{
    return const_cast<NamedBlob*>(std::as_const(*this).FindBlob(name));
}

const NamedBlob* ConfigStore::FindBlob(const char* name) const
{
    if (!name)
        return nullptr;
    const auto found = std::find_if(blobs.begin(), blobs.end(), [name](const NamedBlob& blob) { return blob.name == name; });
    return found == blobs.end() ? nullptr : &*found;
}
