#include "imagelib/PixJpgManager.h"

#include "imagelib/PixStream.h"

#include <jerror.h>

#include <new>

namespace {

CPixJpgManager* ManagerOf(j_compress_ptr cinfo)
{
    return reinterpret_cast<CPixJpgDest*>(cinfo->dest)->manager;
}

CPixJpgManager* ManagerOf(j_decompress_ptr cinfo)
{
    return reinterpret_cast<CPixJpgSource*>(cinfo->src)->manager;
}

} // namespace

CPixJpgManager::CPixJpgManager(CPixStream* stream)
    : m_stream(stream)
    , m_owned(new (std::nothrow) JOCTET[kBufferBytes])
    , m_buffer(m_owned.get())
{
    m_dest.manager = this;
    m_dest.pub.init_destination = CPixJpgDest::Init;
    m_dest.pub.empty_output_buffer = CPixJpgDest::EmptyBuffer;
    m_dest.pub.term_destination = CPixJpgDest::Term;

    m_source.manager = this;
    m_source.pub.init_source = CPixJpgSource::Init;
    m_source.pub.fill_input_buffer = CPixJpgSource::FillBuffer;
    m_source.pub.skip_input_data = CPixJpgSource::SkipData;
    m_source.pub.resync_to_restart = jpeg_resync_to_restart;
    m_source.pub.term_source = CPixJpgSource::Term;
    m_source.pub.next_input_byte = nullptr;
    m_source.pub.bytes_in_buffer = 0;
}

std::int64_t CPixJpgManager::SourceBytesLeft() const
{
    const std::int64_t streamLeft = m_stream->BytesLeft();
    if (streamLeft < 0)
        return -1;
    // The made-up end marker is not the file's.
    const std::size_t buffered = m_atEnd ? 0 : m_source.pub.bytes_in_buffer;
    return streamLeft + static_cast<std::int64_t>(buffered);
}

void CPixJpgDest::Init(j_compress_ptr cinfo)
{
    CPixJpgManager* m = ManagerOf(cinfo);
    m->m_dest.pub.next_output_byte = m->m_buffer;
    m->m_dest.pub.free_in_buffer = CPixJpgManager::kBufferBytes;
}

boolean CPixJpgDest::EmptyBuffer(j_compress_ptr cinfo)
{
    CPixJpgManager* m = ManagerOf(cinfo);
    // The library calls this with the whole buffer full, whatever free_in_buffer says.
    if (m->m_stream->Write(m->m_buffer, 1, CPixJpgManager::kBufferBytes) != CPixJpgManager::kBufferBytes)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    m->m_dest.pub.next_output_byte = m->m_buffer;
    m->m_dest.pub.free_in_buffer = CPixJpgManager::kBufferBytes;
    return TRUE;
}

void CPixJpgDest::Term(j_compress_ptr cinfo)
{
    CPixJpgManager* m = ManagerOf(cinfo);
    const std::size_t used = CPixJpgManager::kBufferBytes - m->m_dest.pub.free_in_buffer;
    // A short write loses the end of the picture: that is a failure, not a smaller file.
    if (used > 0 && m->m_stream->Write(m->m_buffer, 1, used) != used)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    m->m_stream->Flush();
    if (m->m_stream->Error() != 0)
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

void CPixJpgSource::Init(j_decompress_ptr cinfo)
{
    CPixJpgManager* m = ManagerOf(cinfo);
    m->m_startOfFile = true;
    m->m_atEnd = false;
}

boolean CPixJpgSource::FillBuffer(j_decompress_ptr cinfo)
{
    CPixJpgManager* m = ManagerOf(cinfo);
    std::size_t count = m->m_stream->Read(m->m_buffer, 1, CPixJpgManager::kBufferBytes);
    if (count == 0) {
        if (m->m_startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // A file cut short still gives a picture: the library finishes it from an end marker.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        m->m_buffer[0] = 0xFF;
        m->m_buffer[1] = JPEG_EOI;
        count = 2;
        m->m_atEnd = true;
    }
    m->m_source.pub.next_input_byte = m->m_buffer;
    m->m_source.pub.bytes_in_buffer = count;
    m->m_startOfFile = false;
    return TRUE;
}

void CPixJpgSource::SkipData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    CPixJpgManager* m = ManagerOf(cinfo);
    jpeg_source_mgr& source = m->m_source.pub;
    std::size_t left = static_cast<std::size_t>(count);
    while (left > source.bytes_in_buffer) {
        left -= source.bytes_in_buffer;
        FillBuffer(cinfo);
        // Past the end there is nothing to skip; the made-up end marker stays for the library.
        if (m->m_atEnd)
            return;
    }
    source.next_input_byte += left;
    source.bytes_in_buffer -= left;
}

void CPixJpgSource::Term(j_decompress_ptr)
{
}
