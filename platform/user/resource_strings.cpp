#include "platform/user/resource_strings.h"

#include "platform/user/text_out.h"
#include "platform/user/resource_reader.h"

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
    ResourceReader in(block.data, block.size);
    for (UINT index = 0; index < id % 16; ++index)
        in.Skip(2u * in.Word());
    const WORD length = in.Word();
    std::string text = in.Chars(length);
    if (!in.ok()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return std::nullopt;
    }
    if (length == 0) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return std::nullopt;
    }
    return text;
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
