#include "platform/user/resource_reader.h"

#include "platform/win32/string_conversion.h"

namespace zv::user {

namespace {

std::string Utf8(const std::u16string& wide)
{
    if (wide.empty())
        return {};
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), bytes, nullptr, nullptr);
    return text;
}

} // namespace

bool ResourceReader::Need(std::size_t count)
{
    if (!ok_ || count > size_ - offset_) {
        ok_ = false;
        return false;
    }
    return true;
}

WORD ResourceReader::PeekWord() const
{
    if (!ok_ || size_ - offset_ < 2)
        return 0;
    return static_cast<WORD>(data_[offset_] | (data_[offset_ + 1] << 8));
}

WORD ResourceReader::Word()
{
    if (!Need(2))
        return 0;
    const WORD value = static_cast<WORD>(data_[offset_] | (data_[offset_ + 1] << 8));
    offset_ += 2;
    return value;
}

DWORD ResourceReader::Dword()
{
    const DWORD low = Word();
    return low | (static_cast<DWORD>(Word()) << 16);
}

BYTE ResourceReader::Byte()
{
    if (!Need(1))
        return 0;
    return data_[offset_++];
}

std::vector<BYTE> ResourceReader::Bytes(std::size_t count)
{
    if (!Need(count))
        return {};
    std::vector<BYTE> bytes(data_ + offset_, data_ + offset_ + count);
    offset_ += count;
    return bytes;
}

std::string ResourceReader::String()
{
    std::u16string wide;
    for (;;) {
        const WORD c = Word();
        if (!ok_ || c == 0)
            break;
        wide += static_cast<char16_t>(c);
    }
    return Utf8(wide);
}

std::string ResourceReader::Chars(std::size_t count)
{
    if (count > (size_ - offset_) / 2) {
        ok_ = false;
        return {};
    }
    std::u16string wide(count, u'\0');
    for (std::size_t i = 0; i < count; ++i)
        wide[i] = static_cast<char16_t>(Word());
    return Utf8(wide);
}

void ResourceReader::Skip(std::size_t count)
{
    if (Need(count))
        offset_ += count;
}

void ResourceReader::AlignDword()
{
    Skip(((offset_ + 3) & ~static_cast<std::size_t>(3)) - offset_);
}

} // namespace zv::user
