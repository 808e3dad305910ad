#include "platform/win32/string_conversion.h"

#include "platform/win32/last_error.h"

#include <climits>
#include <cstring>
#include <string>

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsUtf8CodePage(UINT codePage)
{
    return codePage == CP_ACP || codePage == CP_UTF8;
}

// Counts every unit of the result but stores only those that fit, so one pass both sizes and
// fills; the caller then tells a short buffer by the count.
template <typename Unit>
class BoundedOutput {
public:
    BoundedOutput(Unit* buffer, int capacity) : m_buffer(buffer), m_capacity(static_cast<std::size_t>(capacity)) {}

    void Put(Unit unit)
    {
        if (m_buffer != nullptr && m_count < m_capacity) m_buffer[m_count] = unit;
        ++m_count;
    }

    // The result for the caller: the unit count, or 0 with the last error set.
    int Finish() const
    {
        if (m_count > static_cast<std::size_t>(INT_MAX) || (m_buffer != nullptr && m_count > m_capacity)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        return static_cast<int>(m_count);
    }

private:
    Unit* m_buffer;
    std::size_t m_capacity;
    std::size_t m_count = 0;
};

void PutUtf16(BoundedOutput<WCHAR>& out, char32_t cp)
{
    if (cp < 0x10000) {
        out.Put(static_cast<WCHAR>(cp));
        return;
    }
    cp -= 0x10000;
    out.Put(static_cast<WCHAR>(0xD800 + (cp >> 10)));
    out.Put(static_cast<WCHAR>(0xDC00 + (cp & 0x3FF)));
}

void PutUtf8(BoundedOutput<CHAR>& out, char32_t cp)
{
    if (cp < 0x80) {
        out.Put(static_cast<CHAR>(cp));
    } else if (cp < 0x800) {
        out.Put(static_cast<CHAR>(0xC0 | (cp >> 6)));
        out.Put(static_cast<CHAR>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.Put(static_cast<CHAR>(0xE0 | (cp >> 12)));
        out.Put(static_cast<CHAR>(0x80 | ((cp >> 6) & 0x3F)));
        out.Put(static_cast<CHAR>(0x80 | (cp & 0x3F)));
    } else {
        out.Put(static_cast<CHAR>(0xF0 | (cp >> 18)));
        out.Put(static_cast<CHAR>(0x80 | ((cp >> 12) & 0x3F)));
        out.Put(static_cast<CHAR>(0x80 | ((cp >> 6) & 0x3F)));
        out.Put(static_cast<CHAR>(0x80 | (cp & 0x3F)));
    }
}

struct DecodedCharacter {
    char32_t codePoint;
    std::size_t length; // bytes consumed, at least 1
    bool valid;
};

// Decodes one character at text[0..size). An invalid sequence consumes its maximal valid prefix
// (at least one byte) so that each one turns into a single replacement character.
DecodedCharacter DecodeUtf8(const unsigned char* text, std::size_t size)
{
    const unsigned char lead = text[0];
    if (lead < 0x80) return {lead, 1, true};

    std::size_t needed;
    char32_t cp;
    unsigned char low = 0x80; // the range allowed for the second byte excludes overlong and
    unsigned char high = 0xBF; // surrogate encodings and code points past U+10FFFF
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        cp = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return {kReplacementCharacter, 1, false};
    }

    std::size_t length = 1;
    for (std::size_t i = 0; i < needed; ++i, low = 0x80, high = 0xBF) {
        if (length >= size || text[length] < low || text[length] > high)
            return {kReplacementCharacter, length, false};
        cp = (cp << 6) | (text[length] & 0x3F);
        ++length;
    }
    return {cp, length, true};
}

} // namespace

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar)
{
    if (!IsUtf8CodePage(CodePage) || lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 ||
        cchWideChar < 0 || (cchWideChar > 0 && lpWideCharStr == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const DWORD allowedFlags = CodePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : MB_ERR_INVALID_CHARS | MB_PRECOMPOSED;
    if ((dwFlags & ~allowedFlags) != 0) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }

    const std::size_t size = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
    const auto* text = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    BoundedOutput<WCHAR> out(cchWideChar > 0 ? lpWideCharStr : nullptr, cchWideChar);
    for (std::size_t pos = 0; pos < size;) {
        const DecodedCharacter c = DecodeUtf8(text + pos, size - pos);
        if (!c.valid && (dwFlags & MB_ERR_INVALID_CHARS) != 0) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        PutUtf16(out, c.codePoint);
        pos += c.length;
    }
    return out.Finish();
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar)
{
    if (!IsUtf8CodePage(CodePage) || lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 ||
        cbMultiByte < 0 || (cbMultiByte > 0 && lpMultiByteStr == nullptr) ||
        (CodePage == CP_UTF8 && (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((dwFlags & ~WC_ERR_INVALID_CHARS) != 0) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }

    const std::size_t size = cchWideChar == -1 ? std::char_traits<WCHAR>::length(lpWideCharStr) + 1
                                               : static_cast<std::size_t>(cchWideChar);
    BoundedOutput<CHAR> out(cbMultiByte > 0 ? lpMultiByteStr : nullptr, cbMultiByte);
    bool usedDefault = false;
    for (std::size_t pos = 0; pos < size;) {
        const char32_t unit = lpWideCharStr[pos++];
        const bool highSurrogate = unit >= 0xD800 && unit <= 0xDBFF;
        const bool lowSurrogate = unit >= 0xDC00 && unit <= 0xDFFF;
        if (highSurrogate && pos < size && lpWideCharStr[pos] >= 0xDC00 && lpWideCharStr[pos] <= 0xDFFF) {
            PutUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (lpWideCharStr[pos++] - 0xDC00));
        } else if (highSurrogate || lowSurrogate) {
            // A surrogate without its partner is not a character.
            if ((dwFlags & WC_ERR_INVALID_CHARS) != 0) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return 0;
            }
            usedDefault = true;
            if (lpDefaultChar != nullptr)
                out.Put(*lpDefaultChar);
            else
                PutUtf8(out, kReplacementCharacter);
        } else {
            PutUtf8(out, unit);
        }
    }
    const int result = out.Finish();
    if (result != 0 && lpUsedDefaultChar != nullptr) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    return result;
}
