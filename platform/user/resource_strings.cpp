#include "platform/user/resource_strings.h"

#include "platform/user/text_out.h"
#include "platform/win32/string_conversion.h"

namespace zv::user {

std::optional<std::string> LoadResourceString(HINSTANCE module, UINT id)
{
    if (id > 0xFFFF) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return std::nullopt;
    }
    // Sixteen strings per block: block id/16 + 1, each a 16-bit count and UTF-16 text.
    const win32::ResourceBytes block =
        win32::FindResourceBytes(module, MAKEINTRESOURCEA(static_cast<WORD>(id / 16 + 1)), RT_STRING);
    if (!block.data)
        return std::nullopt;
    std::size_t offset = 0;
    const auto readWord = [&](std::size_t at) {
        return static_cast<unsigned>(block.data[at] | (block.data[at + 1] << 8));
    };
    for (UINT index = 0;; ++index) {
        if (offset + 2 > block.size) {
            SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
            return std::nullopt;
        }
        const unsigned length = readWord(offset);
        offset += 2;
        if (offset + 2u * length > block.size) {
            SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
            return std::nullopt;
        }
        if (index == id % 16) {
            if (length == 0) {
                SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
                return std::nullopt;
            }
            std::u16string wide(length, u'\0');
            for (unsigned i = 0; i < length; ++i)
                wide[i] = static_cast<char16_t>(readWord(offset + 2u * i));
            const LPCWSTR text = wide.data();
            const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
            std::string result(static_cast<std::size_t>(bytes), '\0');
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), result.data(), bytes, nullptr, nullptr);
            return result;
        }
        offset += 2u * length;
    }
}

} // namespace zv::user

int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax)
{
    if (!lpBuffer || cchBufferMax < 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::optional<std::string> text = zv::user::LoadResourceString(hInstance, uID);
    if (!text) {
        lpBuffer[0] = '\0';
        return 0;
    }
    return zv::user::CopyTextOut(*text, lpBuffer, cchBufferMax);
}
