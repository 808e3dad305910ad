// The file source (CLSID_WMAsfReader, and the filter AddSourceFilter makes): a uridecodebin that
// opens any container and codec the installed plugins decode. Load looks into the file first, so
// that the output pins (one for the first video stream, one for the first audio stream) and the
// picture size are known before anything is connected.
#pragma once

#include "platform/dshow/filter.h"

#include <mutex>
#include <string>

namespace zv::dshow {

class FileSourceFilter final : public Filter, public IFileSourceFilter {
public:
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    HRESULT QueryInterface(REFIID riid, void** ppv) override { return Filter::QueryInterface(riid, ppv); }
    ULONG AddRef() override { return Filter::AddRef(); }
    ULONG Release() override { return Filter::Release(); }

    // A missing file gives HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), a file nothing can read
    // (empty, unknown format, no video or audio) VFW_E_UNKNOWN_FILE_TYPE; a second Load E_UNEXPECTED.
    HRESULT Load(LPCWSTR pszFileName, const AM_MEDIA_TYPE* pmt) override;

    std::optional<REFERENCE_TIME> Duration() const override;
    std::optional<VideoFormat> VideoFormatOfFile() const;

private:
    FileSourceFilter(GstRef<GstElement> bin, GstElement* decoder);
    ~FileSourceFilter() override = default;

    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override;
    static void OnPadAdded(GstElement* decoder, GstPad* pad, gpointer self);

    GstElement* m_decoder; // owned by the bin
    bool m_loaded = false;
    std::optional<VideoFormat> m_videoFormat;
    std::optional<REFERENCE_TIME> m_duration;
    std::mutex m_padMutex; // pads arrive on streaming threads
};

} // namespace zv::dshow
