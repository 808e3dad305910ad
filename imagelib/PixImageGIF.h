// GIF files without a codec library. Reading: one frame of a multi-frame file (the frame to decode),
// laid over the frames before it when they are left in place, interlaced or not; a file of small
// palette tiles without a global table is rebuilt into one 24-bit picture. Writing: one frame with a
// global table (uncompressed, LZW or run-length codes, by the codec option), or a 24-bit picture as
// such a mosaic of tiles.
#pragma once

#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <array>
#include <cstdint>

class CPixStream;

class CPixImageGIF : public CPixImage {
public:
    // Codec option values: which coder writes the image data.
    static constexpr LONG kRunLengthCodes = 0;
    static constexpr LONG kUncompressedCodes = 1;
    static constexpr LONG kLzwCodes = 2;

    CPixImageGIF()
        : CPixImage(PIXIMAGE_GIF)
    {
    }

    bool Decode(CPixStream* stream);
    // A failed write fails the encode, with "Write Error in GIF file".
    bool Encode(CPixStream* stream);

    // The first comment block read, or the comment to write (at most 255 characters go out).
    const char* GetComment() const { return m_comment.data(); }
    void SetComment(const char* text);
    // From an application block (animation loops); 0 when there is none.
    WORD GetLoopCount() const { return m_loopCount; }
    // Of the last graphic-control block read, or the one to write.
    BYTE GetDisposal() const { return m_disposal; }
    void SetDisposal(BYTE method) { m_disposal = method; }

private:
    struct ColorTable {
        DWORD count = 0; // 0: the file has none
        std::array<BYTE, 3 * 256> triples{};
    };
    struct FrameDescriptor {
        LONG left = 0;
        LONG top = 0;
        LONG width = 0;
        LONG height = 0;
        BYTE flags = 0;
    };

    // Container, reading.
    bool ReadColorTable(CPixStream* stream, BYTE flags, ColorTable& table);
    bool ReadDescriptor(CPixStream* stream, FrameDescriptor& frame);
    bool ReadExtension(CPixStream* stream);
    // Reads blocks up to the next image descriptor and its table; false at the end of the frames
    // (trailer, end of data, a bad extension).
    bool NextFrame(CPixStream* stream, FrameDescriptor& frame, ColorTable& table);
    // A frame is shown when it has pixels and lies inside the logical screen.
    static bool IsShown(const FrameDescriptor& frame, LONG screenWidth, LONG screenHeight);
    LONG CountFrames(CPixStream* stream, LONG screenWidth, LONG screenHeight);
    bool DecodeFrame(CPixStream* stream, const FrameDescriptor& frame, const ColorTable& table);
    void OverlayOnto(CPixImage& previous, const FrameDescriptor& frame) const;
    void PaintOnto(CPixImage& canvas, const FrameDescriptor& frame) const;

    // Image data, reading (PixImageGIFDecode.cpp). A read-ahead buffer serves one frame's data;
    // EndData puts the stream back behind the last byte the frame used.
    void BeginData();
    bool EndData(CPixStream* stream);
    int ReadByte(CPixStream* stream);
    // Passes over the rest of the frame's sub-blocks, up to and including the terminator.
    void SkipSubBlocks(CPixStream* stream);
    bool SkipImageData(CPixStream* stream);
    int LzwDecode(CPixStream* stream, LONG lineWidth, int& badCodes);
    int NextCode(CPixStream* stream);
    int PutRow(BYTE* line, LONG length);

    // Writing (PixImageGIFEncode.cpp); the three coders are in PixImageGIFCoders.cpp.
    bool EncodeTiled(CPixStream* stream);
    void WriteHeader(CPixStream* stream, const CPixImage& image);
    void WriteControl(CPixStream* stream, LONG transparentIndex, LONG delay);
    void WriteComment(CPixStream* stream);
    void WriteFrame(CPixStream* stream, const CPixImage& frame, LONG left, LONG top, bool localTable);
    bool FinishEncode(CPixStream* stream);
    int NextPixel();
    void WriteBytes(CPixStream* stream, const BYTE* bytes, std::size_t count);

    void EncodeUncompressed(int initialWidth, CPixStream* stream);
    void EncodeLzw(int initialWidth, CPixStream* stream);
    void EncodeRunLength(int initialWidth, CPixStream* stream);
    struct RunLengthCoder;
    void StartCodes(int initialWidth, CPixStream* stream, std::size_t blockLimit);
    // Writes a code of the LZW and plain coders and follows the decoder's code width.
    void OutputCode(int code);
    void PutCode(int code, int width);
    void PutCodeByte(BYTE value);
    void FlushCodeBits();

    // Graphic-control block as stored in the file.
    BYTE m_controlFlags = 0;
    WORD m_controlDelay = 0;
    BYTE m_controlTransparent = 0;

    // Encoder pixel cursor over the frame being written.
    const CPixImage* m_pPixelSource = nullptr;
    LONG m_cursorX = 0;
    LONG m_cursorRow = 0; // counts down from the top row (height - 1)
    std::int64_t m_pixelsLeft = 0;

    // Bit accumulator shared by the coders.
    DWORD m_bitBuffer = 0;
    int m_bitCount = 0;

    // Where decoded rows go.
    bool m_interlaced = false;
    LONG m_nextRow = 0; // from the top
    LONG m_rowStep = 8;
    LONG m_frameHeight = 0;
    int m_pass = 0;

    // Read-ahead buffer of the image data.
    std::size_t m_readPos = 0;
    std::size_t m_readHeld = 0;
    std::array<BYTE, 16384> m_readAhead{};

    // LZW decoder.
    int m_codeSize = 0;
    int m_codeWidth = 0;
    int m_clearCode = 0;
    int m_endCode = 0;
    int m_firstFree = 0;
    int m_topSlot = 0;
    int m_nextSlot = 0;
    int m_blockLeft = 0;
    bool m_dataEnded = false; // the terminating zero-length sub-block has been read
    std::array<BYTE, 257> m_block{};
    std::size_t m_blockPos = 0;
    std::array<BYTE, 4096> m_stack{};
    std::array<BYTE, 4096> m_suffix{};
    std::array<WORD, 4096> m_prefix{};

    // Image data coders.
    std::array<LONG, 5003> m_hashKeys{};
    std::array<WORD, 5003> m_hashCodes{};
    int m_width = 0;
    int m_initialWidth = 0;
    int m_maxCode = 0;
    int m_freeCode = 0;
    bool m_clearFlag = false;
    CPixStream* m_pOut = nullptr;
    int m_encClearCode = 0;
    int m_encEndCode = 0;
    std::size_t m_outCount = 0;
    std::size_t m_blockLimit = 254; // bytes per sub-block: 254 for LZW and plain codes, 255 for runs
    std::array<BYTE, 256> m_outBlock{};
    bool m_writeFailed = false;

    std::array<char, 256> m_comment{};
    WORD m_loopCount = 0;
    BYTE m_disposal = 0;
};

PixFormat PixGifFormat();
