// The three GIF image data coders: one plain code per pixel, hash-table LZW, and runs written as
// codes that any LZW decoder expands. All write codes least-significant bit first in sub-blocks.
#include "imagelib/PixImageGIF.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int kMaxCode = 4095;
constexpr int kTableSize = 4096;
constexpr int kHashSize = 5003;
constexpr int kHashShift = 4;

// Codes needed to spell `count` equal pixels from a fresh table with at most `codes` codes per
// table: runs of 1, 2, 3, ... pixels, k codes covering k(k+1)/2 pixels.
std::uint64_t TriangleCost(std::uint64_t count, std::uint64_t codes)
{
    const std::uint64_t perTable = codes * (codes + 1) / 2;
    std::uint64_t cost = count / perTable * codes;
    count %= perTable;
    if (count > 0) {
        auto k = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(count)));
        while (k > 0 && k * (k + 1) >= 2 * count)
            --k;
        while (k * (k + 1) < 2 * count)
            ++k;
        cost += k;
    }
    return cost;
}

} // namespace

void CPixImageGIF::StartCodes(int initialWidth, CPixStream* stream, std::size_t blockLimit)
{
    m_pOut = stream;
    m_blockLimit = blockLimit;
    m_initialWidth = m_width = initialWidth;
    m_maxCode = (1 << m_width) - 1;
    m_encClearCode = 1 << (initialWidth - 1);
    m_encEndCode = m_encClearCode + 1;
    m_freeCode = m_encClearCode + 2;
    m_clearFlag = false;
    m_bitBuffer = 0;
    m_bitCount = 0;
    m_outCount = 0;
}

void CPixImageGIF::PutCodeByte(BYTE value)
{
    m_outBlock[m_outCount++] = value;
    if (m_outCount < m_blockLimit)
        return;
    const BYTE size = static_cast<BYTE>(m_outCount);
    WriteBytes(m_pOut, &size, 1);
    WriteBytes(m_pOut, m_outBlock.data(), m_outCount);
    m_outCount = 0;
}

void CPixImageGIF::PutCode(int code, int width)
{
    m_bitBuffer |= static_cast<DWORD>(code) << m_bitCount;
    m_bitCount += width;
    while (m_bitCount >= 8) {
        PutCodeByte(static_cast<BYTE>(m_bitBuffer & 0xFF));
        m_bitBuffer >>= 8;
        m_bitCount -= 8;
    }
}

void CPixImageGIF::FlushCodeBits()
{
    if (m_bitCount > 0)
        PutCodeByte(static_cast<BYTE>(m_bitBuffer & 0xFF));
    m_bitBuffer = 0;
    m_bitCount = 0;
    if (m_outCount > 0) {
        const BYTE size = static_cast<BYTE>(m_outCount);
        WriteBytes(m_pOut, &size, 1);
        WriteBytes(m_pOut, m_outBlock.data(), m_outCount);
        m_outCount = 0;
    }
}

void CPixImageGIF::OutputCode(int code)
{
    PutCode(code, m_width);
    // The width follows the decoder's table: back to the start after a clear, one more bit once
    // the next free code no longer fits.
    if (m_clearFlag) {
        m_width = m_initialWidth;
        m_maxCode = (1 << m_width) - 1;
        m_clearFlag = false;
    } else if (m_freeCode > m_maxCode) {
        ++m_width;
        m_maxCode = m_width == 12 ? kTableSize : (1 << m_width) - 1;
    }
    if (code == m_encEndCode)
        FlushCodeBits();
}

void CPixImageGIF::EncodeUncompressed(int initialWidth, CPixStream* stream)
{
    StartCodes(initialWidth, stream, 254);
    OutputCode(m_encClearCode);
    for (int pixel = NextPixel(); pixel >= 0; pixel = NextPixel()) {
        OutputCode(pixel);
        // Each code after the first adds an entry to the decoder's table; before it is full, a
        // clear starts it again.
        if (m_freeCode > kMaxCode) {
            m_freeCode = m_encClearCode + 2;
            m_clearFlag = true;
            OutputCode(m_encClearCode);
        } else {
            ++m_freeCode;
        }
    }
    OutputCode(m_encEndCode);
}

void CPixImageGIF::EncodeLzw(int initialWidth, CPixStream* stream)
{
    StartCodes(initialWidth, stream, 254);
    m_hashKeys.fill(-1);
    OutputCode(m_encClearCode);
    int string = NextPixel();
    if (string < 0) {
        OutputCode(m_encEndCode);
        return;
    }
    for (int pixel = NextPixel(); pixel >= 0; pixel = NextPixel()) {
        const LONG key = (static_cast<LONG>(pixel) << 12) + string;
        int slot = (pixel << kHashShift) ^ string;
        bool found = m_hashKeys[static_cast<std::size_t>(slot)] == key;
        if (!found && m_hashKeys[static_cast<std::size_t>(slot)] >= 0) {
            const int step = slot == 0 ? 1 : kHashSize - slot;
            do {
                slot -= step;
                if (slot < 0)
                    slot += kHashSize;
                found = m_hashKeys[static_cast<std::size_t>(slot)] == key;
            } while (!found && m_hashKeys[static_cast<std::size_t>(slot)] > 0);
        }
        if (found) {
            string = m_hashCodes[static_cast<std::size_t>(slot)];
            continue;
        }
        OutputCode(string);
        string = pixel;
        if (m_freeCode < kTableSize) {
            m_hashCodes[static_cast<std::size_t>(slot)] = static_cast<WORD>(m_freeCode++);
            m_hashKeys[static_cast<std::size_t>(slot)] = key;
        } else {
            m_hashKeys.fill(-1);
            m_freeCode = m_encClearCode + 2;
            m_clearFlag = true;
            OutputCode(m_encClearCode);
        }
    }
    OutputCode(string);
    OutputCode(m_encEndCode);
}

// Runs of one pixel become codes of a table the decoder builds itself: after a clear, the pixel,
// then codes for runs of 2, 3, 4, ... pixels; a long run repeats the longest code the table has.
// Clears come early enough that the decoder's table never fills.
struct CPixImageGIF::RunLengthCoder {
    CPixImageGIF& gif;
    int clearCode = 0;
    int endCode = 0;
    int baseCode = 0;
    int pixel = -1;
    std::uint64_t runLength = 0;
    int tablePixel = 0;
    std::uint64_t tableLength = 0;
    bool justCleared = true;
    int width = 0;
    int initialWidth = 0;
    std::uint64_t count = 0;
    std::uint64_t bump = 0;
    std::uint64_t initialBump = 0;
    std::uint64_t clearPoint = 0;
    std::uint64_t initialClearPoint = 0;
    std::uint64_t maxCodes = 0;

    RunLengthCoder(CPixImageGIF& owner, int startWidth)
        : gif(owner)
        , clearCode(1 << (startWidth - 1))
        , endCode(clearCode + 1)
        , baseCode(clearCode + 2)
        , initialWidth(startWidth)
        , initialBump(static_cast<std::uint64_t>(clearCode) - 1)
        , initialClearPoint(startWidth <= 3 ? 9 : static_cast<std::uint64_t>(clearCode) - 2)
        , maxCodes(static_cast<std::uint64_t>(4093 - clearCode))
    {
        DidClear();
    }

    void Emit(int code) { gif.PutCode(code, width); }

    void DidClear()
    {
        width = initialWidth;
        bump = initialBump;
        clearPoint = initialClearPoint;
        count = 0;
        tableLength = 0;
        justCleared = true;
    }

    void Clear()
    {
        Emit(clearCode);
        DidClear();
    }

    void OutputPlain(int code)
    {
        justCleared = false;
        Emit(code);
        ++count;
        if (count >= bump) {
            ++width;
            bump += std::uint64_t{1} << (width - 1);
        }
        if (count >= clearPoint)
            Clear();
    }

    void RestoreClearPoint()
    {
        clearPoint = initialClearPoint;
        if (count >= clearPoint)
            Clear();
    }

    int RunCode(std::uint64_t length) const { return baseCode + static_cast<int>(length) - 2; }

    void FlushFromClear(std::uint64_t n)
    {
        clearPoint = maxCodes;
        tablePixel = pixel;
        std::uint64_t k = 1;
        while (n > 0) {
            if (k == 1) {
                tableLength = 1;
                OutputPlain(pixel);
                --n;
            } else if (n >= k) {
                tableLength = k;
                OutputPlain(RunCode(k));
                n -= k;
            } else if (n == 1) {
                ++tableLength;
                OutputPlain(pixel);
                n = 0;
            } else {
                ++tableLength;
                OutputPlain(RunCode(n));
                n = 0;
            }
            k = count == 0 ? 1 : k + 1;
        }
        RestoreClearPoint();
    }

    void FlushClearOrRepeat(std::uint64_t n)
    {
        if (1 + TriangleCost(n, maxCodes) < n) {
            Clear();
            FlushFromClear(n);
            return;
        }
        for (; n > 0; --n)
            OutputPlain(pixel);
    }

    void FlushWithTable(std::uint64_t n)
    {
        std::uint64_t repeats = n / tableLength;
        std::uint64_t leftover = n % tableLength;
        std::uint64_t leftoverCost = leftover ? 1 : 0;
        if (count + repeats + leftoverCost > maxCodes) {
            repeats = maxCodes - count;
            leftover = n - repeats * tableLength;
            leftoverCost = 1 + TriangleCost(leftover, maxCodes);
        }
        if (1 + TriangleCost(n, maxCodes) < repeats + leftoverCost) {
            Clear();
            FlushFromClear(n);
            return;
        }
        clearPoint = maxCodes;
        for (; repeats > 0; --repeats)
            OutputPlain(RunCode(tableLength));
        if (leftover) {
            if (justCleared)
                FlushFromClear(leftover);
            else if (leftover == 1)
                OutputPlain(pixel);
            else
                OutputPlain(RunCode(leftover));
        }
        RestoreClearPoint();
    }

    void Flush()
    {
        if (runLength == 1)
            OutputPlain(pixel);
        else if (justCleared)
            FlushFromClear(runLength);
        else if (tableLength < 2 || tablePixel != pixel)
            FlushClearOrRepeat(runLength);
        else
            FlushWithTable(runLength);
        runLength = 0;
    }
};

void CPixImageGIF::EncodeRunLength(int initialWidth, CPixStream* stream)
{
    StartCodes(initialWidth, stream, 255);
    RunLengthCoder coder(*this, initialWidth);
    coder.Emit(coder.clearCode);
    for (;;) {
        const int pixel = NextPixel();
        if (coder.runLength > 0 && pixel != coder.pixel)
            coder.Flush();
        if (pixel < 0)
            break;
        if (pixel == coder.pixel) {
            ++coder.runLength;
        } else {
            coder.pixel = pixel;
            coder.runLength = 1;
        }
    }
    coder.Emit(coder.endCode);
    FlushCodeBits();
}
