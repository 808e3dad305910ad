// Test support for the client library: pin formats, frame blocks as the main program writes them,
// and a pin that keeps one read outstanding and collects what arrives.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/ks/devhost/host_connection.h"

namespace zv::devhost::testing {

inline ULONG ImageBytes(LONG width, LONG height) { return static_cast<ULONG>((width * 3 + 3) / 4 * 4 * height); }

inline KS_DATAFORMAT_VIDEOINFOHEADER PinFormat(LONG width, LONG height)
{
    KS_DATAFORMAT_VIDEOINFOHEADER format{};
    const ULONG bytes = ImageBytes(width, height);
    format.DataFormat = {sizeof format, 0, bytes, 0, KSDATAFORMAT_TYPE_VIDEO, MEDIASUBTYPE_RGB24,
                         KSDATAFORMAT_SPECIFIER_VIDEOINFO};
    format.VideoInfoHeader.AvgTimePerFrame = 333333;
    format.VideoInfoHeader.bmiHeader = {sizeof(KS_BITMAPINFOHEADER), width, height, 1, 24, KS_BI_RGB, bytes, 0, 0, 0, 0};
    return format;
}

// A whole frame of output format `index` at offset 0: patterned by `seed`, the 5-byte header first.
inline std::vector<unsigned char> FrameBlock(unsigned char index, ULONG length, unsigned char seed)
{
    std::vector<unsigned char> block(length);
    for (ULONG i = 0; i < length; ++i) block[i] = static_cast<unsigned char>(i * 7 + seed);
    block[0] = index;
    block[1] = block[2] = block[3] = block[4] = 0;
    return block;
}

// A running pin (no clock) that resubmits its read as each one completes.
class StreamingPin {
public:
    StreamingPin(HostConnection& connection, LONG width, LONG height) : m_bytes(ImageBytes(width, height))
    {
        const auto format = PinFormat(width, height);
        m_buffer = FrameBuffer::Create(m_bytes);
        NTSTATUS status = STATUS_UNSUCCESSFUL;
        m_pin = connection.OpenPin(0, &format.DataFormat, &status);
        m_ok = m_buffer && m_pin && connection.Register(*m_buffer) && m_pin->SetState(KSSTATE_PAUSE) == STATUS_SUCCESS &&
               m_pin->SetState(KSSTATE_RUN) == STATUS_SUCCESS && Submit();
    }
    ~StreamingPin()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_pin.reset();  // waits for the last read
    }

    bool Ok() const { return m_ok; }

    // Waits (bounded) for a completed read whose picture equals `expected` from `start` on.
    bool WaitForPicture(const std::vector<unsigned char>& expected, std::size_t start = 0,
                        std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] {
            return m_last.size() == m_bytes && std::equal(m_last.begin(), m_last.end(), expected.begin() + static_cast<std::ptrdiff_t>(start));
        });
    }
    // Waits (bounded) until `count` more reads have completed successfully.
    bool WaitForReads(int count)
    {
        std::unique_lock lock(m_mutex);
        const int target = m_completed + count;
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_completed >= target; });
    }
    // Waits (bounded) for a read that completed with `status`.
    bool WaitForFailure(NTSTATUS status)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_failure == status; });
    }
    std::vector<unsigned char> LastPicture()
    {
        std::lock_guard lock(m_mutex);
        return m_last;
    }

private:
    bool Submit()
    {
        return m_pin->SubmitRead(*m_buffer, 0, m_bytes, [this](const ReadCompletion& done) { OnRead(done); }) != 0;
    }
    void OnRead(const ReadCompletion& done)
    {
        std::lock_guard lock(m_mutex);
        if (done.status != STATUS_SUCCESS) {
            m_failure = done.status;
        } else {
            const auto* data = static_cast<const unsigned char*>(done.header.Data);
            if (done.header.DataUsed == m_bytes) m_last.assign(data, data + m_bytes);
            ++m_completed;
            if (!m_stopping) Submit();
        }
        m_changed.notify_all();
    }

    ULONG m_bytes;
    std::unique_ptr<FrameBuffer> m_buffer;
    std::unique_ptr<CapturePinClient> m_pin;
    bool m_ok = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopping = false;
    int m_completed = 0;
    NTSTATUS m_failure = STATUS_SUCCESS;
    std::vector<unsigned char> m_last;
};

}  // namespace zv::devhost::testing
