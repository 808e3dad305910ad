// The GIF image data decoder: variable-width LZW codes in sub-blocks, read ahead in large pieces,
// expanded into rows in file or interlaced order.
#include "imagelib/PixImageGIF.h"

#include "imagelib/PixStream.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

// Interlaced rows come in four passes: first row and step of each.
constexpr LONG kPassStart[] = {0, 4, 2, 1};
constexpr LONG kPassStep[] = {8, 8, 4, 2};
constexpr int kPasses = 4;
constexpr int kMaxCodeWidth = 12;

} // namespace

void CPixImageGIF::BeginData()
{
    m_readPos = 0;
    m_readHeld = 0;
    m_blockLeft = 0;
    m_blockPos = 0;
    m_dataEnded = false;
    m_bitBuffer = 0;
    m_bitCount = 0;
}

bool CPixImageGIF::EndData(CPixStream* stream)
{
    const std::size_t unused = m_readHeld - m_readPos;
    m_readPos = m_readHeld = 0;
    return unused == 0 || stream->Seek(-static_cast<int32_t>(unused), 1);
}

int CPixImageGIF::ReadByte(CPixStream* stream)
{
    if (m_readPos == m_readHeld) {
        m_readPos = 0;
        m_readHeld = stream->Read(m_readAhead.data(), 1, m_readAhead.size());
        if (m_readHeld == 0)
            return -1;
    }
    return m_readAhead[m_readPos++];
}

void CPixImageGIF::SkipSubBlocks(CPixStream* stream)
{
    // The bytes of the current sub-block are already held; what follows is passed over up to the
    // terminator, so none of it is taken for a block introducer.
    m_blockLeft = 0;
    while (!m_dataEnded) {
        const int size = ReadByte(stream);
        if (size <= 0) {
            m_dataEnded = size == 0;
            return;
        }
        for (int i = 0; i < size; ++i)
            if (ReadByte(stream) < 0)
                return;
    }
}

bool CPixImageGIF::SkipImageData(CPixStream* stream)
{
    BeginData();
    const bool haveCodeSize = ReadByte(stream) >= 0;
    if (haveCodeSize)
        SkipSubBlocks(stream);
    return EndData(stream) && haveCodeSize && m_dataEnded;
}

int CPixImageGIF::NextCode(CPixStream* stream)
{
    while (m_bitCount < m_codeWidth) {
        if (m_dataEnded)
            return m_endCode;
        if (m_blockLeft == 0) {
            const int size = ReadByte(stream);
            if (size < 0)
                return size;
            if (size == 0) {
                m_dataEnded = true;
                return m_endCode;
            }
            for (int i = 0; i < size; ++i) {
                const int value = ReadByte(stream);
                if (value < 0)
                    return value;
                m_block[static_cast<std::size_t>(i)] = static_cast<BYTE>(value);
            }
            m_blockLeft = size;
            m_blockPos = 0;
        }
        m_bitBuffer |= static_cast<DWORD>(m_block[m_blockPos++]) << m_bitCount;
        m_bitCount += 8;
        --m_blockLeft;
    }
    const int code = static_cast<int>(m_bitBuffer & ((1u << m_codeWidth) - 1));
    m_bitBuffer >>= m_codeWidth;
    m_bitCount -= m_codeWidth;
    return code;
}

int CPixImageGIF::LzwDecode(CPixStream* stream, LONG lineWidth, int& badCodes)
{
    badCodes = 0;
    const int codeSize = ReadByte(stream);
    if (codeSize < 0)
        return codeSize;
    if (codeSize < 2 || codeSize > 9)
        return -20;
    m_codeSize = codeSize;
    m_codeWidth = codeSize + 1;
    m_clearCode = 1 << codeSize;
    m_endCode = m_clearCode + 1;
    m_firstFree = m_nextSlot = m_clearCode + 2;
    m_topSlot = 1 << (codeSize + 1);
    m_stack.fill(0);
    m_suffix.fill(0);
    m_prefix.fill(0);
    const std::unique_ptr<BYTE[]> line(new (std::nothrow) BYTE[static_cast<std::size_t>(lineWidth) + 1]);
    if (!line)
        return -10;

    LONG filled = 0;
    int oldCode = 0;
    int firstChar = 0;
    for (;;) {
        int code = NextCode(stream);
        if (code < 0)
            return 0; // the data ended early: a partly filled line is dropped
        if (code == m_endCode)
            break;
        std::size_t depth = 0;
        if (code == m_clearCode) {
            m_codeWidth = codeSize + 1;
            m_nextSlot = m_firstFree;
            m_topSlot = 1 << (codeSize + 1);
            do
                code = NextCode(stream);
            while (code == m_clearCode);
            if (code < 0)
                return 0;
            if (code == m_endCode)
                break;
            if (code >= m_nextSlot)
                code = 0;
            oldCode = firstChar = code;
            m_stack[depth++] = static_cast<BYTE>(code);
        } else {
            int current = code;
            if (current >= m_nextSlot) {
                if (current > m_nextSlot)
                    ++badCodes;
                m_stack[depth++] = static_cast<BYTE>(firstChar);
                current = oldCode;
            }
            // A corrupt table can chain without end: a string longer than the stack ends the frame.
            while (current >= m_firstFree) {
                if (depth >= m_stack.size())
                    return 0;
                m_stack[depth++] = m_suffix[static_cast<std::size_t>(current)];
                current = m_prefix[static_cast<std::size_t>(current)];
            }
            if (depth >= m_stack.size())
                return 0;
            m_stack[depth++] = static_cast<BYTE>(current);
            if (m_nextSlot < m_topSlot) {
                firstChar = current & 0xFF;
                m_suffix[static_cast<std::size_t>(m_nextSlot)] = static_cast<BYTE>(firstChar);
                m_prefix[static_cast<std::size_t>(m_nextSlot)] = static_cast<WORD>(oldCode);
                ++m_nextSlot;
                oldCode = code;
            }
            if (m_nextSlot >= m_topSlot && m_codeWidth < kMaxCodeWidth) {
                m_topSlot <<= 1;
                ++m_codeWidth;
            }
        }
        while (depth > 0) {
            line[static_cast<std::size_t>(filled++)] = m_stack[--depth];
            if (filled == lineWidth) {
                const int result = PutRow(line.get(), filled);
                if (result < 0)
                    return result;
                filled = 0;
            }
        }
    }
    if (filled > 0) {
        const int result = PutRow(line.get(), filled);
        if (result < 0)
            return result;
    }
    return 0;
}

int CPixImageGIF::PutRow(BYTE* line, LONG length)
{
    LONG row = m_nextRow; // from the top
    if (!m_interlaced) {
        if (row >= m_frameHeight)
            return -1;
        ++m_nextRow;
    } else {
        // Rows beyond the last pass have no place in the frame.
        if (m_pass >= kPasses)
            return 0;
        m_nextRow += m_rowStep;
        while (m_nextRow >= m_frameHeight && ++m_pass < kPasses) {
            m_nextRow = kPassStart[m_pass];
            m_rowStep = kPassStep[m_pass];
        }
    }
    BYTE* target = GetRowPointer(static_cast<DWORD>(m_frameHeight - 1 - row));
    if (!target)
        return -1;
    // Codes beyond the frame's depth (a frame without a colour table) are cut to it.
    switch (GetBpp()) {
    case 8:
        std::memcpy(target, line, static_cast<std::size_t>(length));
        break;
    case 4:
        for (LONG x = 0; x < length; ++x) {
            BYTE& byte = target[x >> 1];
            const BYTE nibble = line[x] & 0x0F;
            byte = (x & 1) ? static_cast<BYTE>((byte & 0xF0) | nibble) : static_cast<BYTE>(nibble << 4);
        }
        break;
    default:
        for (LONG x = 0; x < length; ++x) {
            BYTE& byte = target[x >> 3];
            if ((x & 7) == 0)
                byte = 0;
            byte |= static_cast<BYTE>((line[x] & 1) << (7 - (x & 7)));
        }
        break;
    }
    return 0;
}
