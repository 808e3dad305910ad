// The libjpeg stream glue: one manager per encode or decode that feeds the library from a
// CPixStream (source) or takes its output into one (destination), through a buffer of its own.
//
// The callbacks run inside libjpeg's C code and report trouble only through the library's error
// exit (a longjmp): they hold no object with a destructor and throw nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

class CPixStream;
class CPixJpgManager;

// The library's destination record, with the way back to its manager.
struct CPixJpgDest {
    jpeg_destination_mgr pub; // first, so the library's pointer is also ours
    CPixJpgManager* manager;

    static void Init(j_compress_ptr cinfo);
    static boolean EmptyBuffer(j_compress_ptr cinfo);
    static void Term(j_compress_ptr cinfo);
};

// The library's source record, with the way back to its manager.
struct CPixJpgSource {
    jpeg_source_mgr pub; // first, so the library's pointer is also ours
    CPixJpgManager* manager;

    static void Init(j_decompress_ptr cinfo);
    static boolean FillBuffer(j_decompress_ptr cinfo);
    static void SkipData(j_decompress_ptr cinfo, long count);
    static void Term(j_decompress_ptr cinfo);
};

class CPixJpgManager {
public:
    // libjpeg-turbo decodes on its fast path only while a few kilobytes of input are buffered, so
    // the buffer is well above that.
    static constexpr std::size_t kBufferBytes = 65536;

    // The stream is borrowed and never closed here.
    explicit CPixJpgManager(CPixStream* stream);
    // The library keeps pointers into the manager: it stays where it was built.
    CPixJpgManager(const CPixJpgManager&) = delete;
    CPixJpgManager& operator=(const CPixJpgManager&) = delete;

    // False when the buffer could not be had.
    bool IsReady() const { return m_buffer != nullptr; }
    jpeg_source_mgr* Source() { return &m_source.pub; }
    // Bytes of the file the library has not taken yet (buffered or still in the stream), or -1
    // when the stream cannot tell.
    std::int64_t SourceBytesLeft() const;
    jpeg_destination_mgr* Dest() { return &m_dest.pub; }

private:
    friend struct CPixJpgDest;
    friend struct CPixJpgSource;

    CPixJpgDest m_dest{};
    CPixJpgSource m_source{};
    CPixStream* m_stream;
    std::unique_ptr<JOCTET[]> m_owned;
    JOCTET* m_buffer;
    bool m_startOfFile = false;
    // The stream has run dry and the buffer holds a made-up end-of-image marker.
    bool m_atEnd = false;
};
