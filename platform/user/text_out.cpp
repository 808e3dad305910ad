#include "platform/user/text_out.h"

#include <cstring>

namespace zv::user {

int CopyTextOut(std::string_view text, char* buffer, int capacity)
{
    std::size_t length = text.size();
    if (length > static_cast<std::size_t>(capacity - 1)) {
        length = static_cast<std::size_t>(capacity - 1);
        // Back off continuation bytes so the cut falls between characters.
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

} // namespace zv::user
