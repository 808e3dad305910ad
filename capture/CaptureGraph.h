// The capture graph: one filter graph that delivers 24-bit frames of a live source to the frame
// callback. A device graph is capture filter -> "Video Grabber" -> "Null" renderer.
//
// Operations return 0 for success and 1 for failure unless stated otherwise; a platform failure
// that ends an operation is shown at once in a message box naming the failed call and its code.
// All operations run on the user-interface thread; the grabbers' callbacks run on the streaming
// thread.
#pragma once

#include "capture/AudioGrabber.h"
#include "capture/DeviceInfo.h"
#include "capture/VideoGrabber.h"
#include "platform/dshow/dshow.h"
#include "platform/user/user_types.h"

#include <cstdint>
#include <string>
#include <vector>

class CCaptureGraph {
public:
    CCaptureGraph();
    CCaptureGraph(const CCaptureGraph&) = delete;
    CCaptureGraph& operator=(const CCaptureGraph&) = delete;
    ~CCaptureGraph();

    // Builds the device graph when none exists and runs it.
    int StartPreview();
    // 0 also when not running; 1 when the graph refuses to pause.
    int Pause();
    // 0 also without a graph; 1 when the graph refuses to stop (it is then kept).
    int StopPreview();
    // Releases the whole graph in any state: every interface null, state 0.
    void StopGraph();
    // Null: 0 and nothing else. A built graph is stopped and released first; when it cannot be
    // stopped the result is 1 and the device stays as it was. A graph that was running is started
    // again with the new device.
    int SelectDevice(const DeviceInfo* pDevice);
    void SetOwnerWindow(HWND hWnd);

    // Applies m_nFps (0 becomes 15) to the device's format; 1 when the device refuses it.
    int SetFrameRate();
    // Frames per second of the running format; m_nFps while no graph is built.
    int GetFrameRate();

    // Property: 0 brightness, 3 saturation (VideoProcAmp numbers); fraction of the device's range.
    int SetVideoProcAmp(long lProperty, double dFraction);
    double GetVideoProcAmp(long lProperty);

    // 0 shown, 3 no graph or no capture filter, 4 failure.
    int ShowCrossbarPages();
    int ShowDevicePages();

    // 0 ok, 1 enumeration could not start, 2 array too small; *pnCount becomes the number of
    // devices. pDevices may be null with a capacity of 0.
    static int EnumVideoDevices(DeviceInfo* pDevices, int* pnCount);
    // The number of audio input devices; names receives their friendly names.
    static int EnumAudioDevices(std::vector<std::string>& names);
    // The capture filter of the device whose description, name and path all equal the wanted ones.
    static HRESULT FindCaptureDevice(const DeviceInfo& device, IBaseFilter** ppFilter, std::string& strError);

    // Steps of building and helpers.
    HRESULT GetInterfaces();
    int SetDevice();
    int SetNotifyWindow();
    int CreateVideoWindow();
    void ResizeVideoWindow();
    int ShowVideoWindow();
    HRESULT ScanStreamCaps();
    HRESULT SetStreamFormat(AM_MEDIA_TYPE* pmt);
    int ApplyRequestedSize();
    int SelectLargestSize();
    static void FreeMediaType(AM_MEDIA_TYPE* pmt);

    // File playback. PlayFile builds and runs the file graph from stopped, resumes it from
    // paused and returns false while playing.
    bool SetFileName(const char* name);
    bool PlayFile();
    bool PausePlayback();
    // Positions in media time (100 ns). A position beyond the stop position is not applied
    // (false); the graph returns to the state it had either way.
    bool SeekTo(const std::int64_t position);
    bool GetPositions(std::int64_t* pCurrent, std::int64_t* pStop);
    // Each waits at most about 3 s for the transition; a stop that does not complete puts the
    // graph back into the state it had.
    bool StopAndWait();
    bool RunAndWait();
    static bool IsWindowsMediaFile(const char* name);
    bool BuildFileGraph();
    bool BuildAsfGraph();
    // 0 when an audio stream got its pass-through grabber (or sound is off), non-zero otherwise.
    HRESULT AddAudioGrabbers(IGraphBuilder* pGraph, IBaseFilter* pFilter);
    static HRESULT RenderOutputPins(IBaseFilter* pFilter, IGraphBuilder* pGraph);
    static HRESULT CreateVideoDecoderDmo(IBaseFilter** ppFilter);
    static HRESULT GetPin(IBaseFilter* pFilter, PIN_DIRECTION direction, IPin** ppPin);
    // Without a reference of their own: the filter keeps the pin alive.
    static IPin* GetInputPin(IBaseFilter* pFilter);
    static IPin* GetOutputPin(IBaseFilter* pFilter);
    static void ShowFormattedError(const char* format, ...) __attribute__((format(printf, 1, 2)));

    // The owner's view of the delivered frame size (read between callbacks).
    FrameSize GetFrameSize() { return m_VideoGrabber.GetFrameSize(); }

    CVideoGrabber m_VideoGrabber;
    // Size of the frames being delivered; 0 = not known. The frame callback may change it, so it
    // is touched only through m_VideoGrabber while a graph runs.
    std::int32_t m_nWidth = 0;
    std::int32_t m_nHeight = 0;
    SIZE m_sizeMin{640, 480};
    SIZE m_sizeMax{160, 120};
    std::int32_t m_nReqWidth = 320; // 0 = take the largest size
    std::int32_t m_nReqHeight = 240;
    DeviceInfo m_Device;
    HWND m_hWndOwner = nullptr;
    RECT m_rcOwner{};
    HWND m_hWndNotify = nullptr;
    std::uint32_t m_nNotifyMsg = 0;
    std::int32_t m_nFps = 30;
    std::int32_t m_nState = 0; // 0 stopped (no graph), 1 paused, 2 running
    IVideoWindow* m_pVideoWindow = nullptr;
    IMediaControl* m_pMediaControl = nullptr;
    IMediaEventEx* m_pMediaEventEx = nullptr;
    IGraphBuilder* m_pGraph = nullptr;
    ICaptureGraphBuilder2* m_pBuilder = nullptr;
    IAMStreamConfig* m_pStreamConfig = nullptr;
    IAMVideoProcAmp* m_pProcAmp = nullptr;
    IAMVideoControl* m_pVideoControl = nullptr;
    ISampleGrabber* m_pGrabber = nullptr;
    ISampleGrabber* m_pAudioGrabber = nullptr;
    IFileSourceFilter* m_pFileSource = nullptr;
    IBaseFilter* m_pCapture = nullptr;
    IMediaSeeking* m_pMediaSeeking = nullptr;
    std::string m_strFileName;
    BYTE m_bPlayFile = 0;
    BYTE m_bShowVideoWindow = 0; // 1 = render into a video window owned by m_hWndOwner
    BYTE m_bAudioGrabber = 1;
    std::string m_strAudioDevice; // chosen in the audio menu; no graph uses it
    CAudioGrabber m_AudioGrabber;

private:
    // Runs the graph and waits for the transition; 1 when it fails.
    int RunGraph(bool freshlyBuilt);
    void ReadConnectedSize();
    // The file graph's steps after the source; false after a failure (shown when showErrors).
    bool ConnectFileSource(IBaseFilter* pSource, IBaseFilter* pGrabber, bool showErrors);
    // Puts the graph back into a state read before a transition.
    void RestoreState(OAFilterState state);
    // The pages that pPagesOf names, shown for pObject: 0 shown, 4 no pages or no frame.
    int ShowPropertyPages(IUnknown* pPagesOf, IUnknown* pObject);
};
