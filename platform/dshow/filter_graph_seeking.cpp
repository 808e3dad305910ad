// IMediaSeeking of the filter graph: positions in media time over the pipeline's time seeks.
#include "platform/dshow/filter_graph_object.h"

namespace zv::dshow {

namespace {
// How long leaving the stopped state may wait for the preroll before a pending seek.
constexpr GstClockTime kPrerollTimeout = 5 * GST_SECOND;
} // namespace

HRESULT FilterGraph::LeaveStopped(GstState target)
{
    if (!m_seekPending) {
        const GstStateChangeReturn change = gst_element_set_state(m_pipeline.get(), target);
        return change == GST_STATE_CHANGE_FAILURE ? E_FAIL : change == GST_STATE_CHANGE_ASYNC ? S_FALSE : S_OK;
    }
    // A pipeline seeks only once it has prerolled.
    if (gst_element_set_state(m_pipeline.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ||
        gst_element_get_state(m_pipeline.get(), nullptr, nullptr, kPrerollTimeout) == GST_STATE_CHANGE_FAILURE)
        return E_FAIL;
    m_seekPending = false;
    if (!Seek(m_startPosition)) return E_FAIL;
    if (target == GST_STATE_PAUSED) return S_FALSE;
    return gst_element_set_state(m_pipeline.get(), target) == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_FALSE;
}

bool FilterGraph::Seek(REFERENCE_TIME start)
{
    const GstSeekType stopType = m_stopPosition ? GST_SEEK_TYPE_SET : GST_SEEK_TYPE_NONE;
    const gint64 stop = m_stopPosition ? *m_stopPosition * 100 : -1;
    return gst_element_seek(m_pipeline.get(), 1.0, GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
                            start * 100, stopType, stop) != FALSE;
}

HRESULT FilterGraph::SetTimeFormat(const GUID* pFormat)
{
    if (pFormat == nullptr) return E_POINTER;
    return *pFormat == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT FilterGraph::GetDuration(LONGLONG* pDuration)
{
    if (pDuration == nullptr) return E_POINTER;
    std::optional<REFERENCE_TIME> longest;
    for (const Filter* filter : m_filters) {
        const std::optional<REFERENCE_TIME> duration = filter->Duration();
        if (duration && (!longest || *duration > *longest)) longest = duration;
    }
    if (!longest) return E_NOTIMPL; // nothing in the graph has a length
    *pDuration = *longest;
    return S_OK;
}

HRESULT FilterGraph::GetStopPosition(LONGLONG* pStop)
{
    if (pStop == nullptr) return E_POINTER;
    if (m_stopPosition) {
        *pStop = *m_stopPosition;
        return S_OK;
    }
    return GetDuration(pStop);
}

HRESULT FilterGraph::GetCurrentPosition(LONGLONG* pCurrent)
{
    if (pCurrent == nullptr) return E_POINTER;
    gint64 position = 0;
    if (m_state != State_Stopped && !m_seekPending &&
        gst_element_query_position(m_pipeline.get(), GST_FORMAT_TIME, &position) && position >= 0)
        *pCurrent = static_cast<LONGLONG>(position / 100);
    else
        *pCurrent = m_startPosition;
    return S_OK;
}

HRESULT FilterGraph::SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop, DWORD dwStopFlags)
{
    const DWORD kPositioningMask = 0x3; // the flags beyond absolute positioning are not offered
    dwCurrentFlags &= kPositioningMask;
    dwStopFlags &= kPositioningMask;
    if ((dwCurrentFlags != AM_SEEKING_NoPositioning && dwCurrentFlags != AM_SEEKING_AbsolutePositioning) ||
        (dwStopFlags != AM_SEEKING_NoPositioning && dwStopFlags != AM_SEEKING_AbsolutePositioning))
        return E_INVALIDARG;
    if ((dwCurrentFlags && pCurrent == nullptr) || (dwStopFlags && pStop == nullptr)) return E_POINTER;
    if ((dwCurrentFlags && *pCurrent < 0) || (dwStopFlags && *pStop < 0)) return E_INVALIDARG;
    if (dwStopFlags) m_stopPosition = *pStop;
    if (dwCurrentFlags) m_startPosition = *pCurrent;
    if (dwCurrentFlags == AM_SEEKING_NoPositioning && dwStopFlags == AM_SEEKING_NoPositioning) return S_OK;
    if (dwCurrentFlags == AM_SEEKING_NoPositioning) GetCurrentPosition(&m_startPosition);
    if (m_state == State_Stopped) {
        m_seekPending = true;
        return S_OK;
    }
    return Seek(m_startPosition) ? S_OK : E_FAIL;
}

HRESULT FilterGraph::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop)
{
    if (pCurrent != nullptr) GetCurrentPosition(pCurrent);
    return pStop != nullptr ? GetStopPosition(pStop) : S_OK;
}

} // namespace zv::dshow
