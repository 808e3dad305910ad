// What the video and audio grabbers share: the ISampleGrabberCB identity of an object that lives
// and dies with its owner, and the mutex that keeps callbacks from overlapping.
#pragma once

#include "platform/dshow/sample_grabber.h"

class CGrabberCallbackBase : public ISampleGrabberCB {
public:
    CGrabberCallbackBase();
    CGrabberCallbackBase(const CGrabberCallbackBase&) = delete;
    CGrabberCallbackBase& operator=(const CGrabberCallbackBase&) = delete;
    virtual ~CGrabberCallbackBase();

    // IID_ISampleGrabberCB and IID_IUnknown give the object itself, without counting.
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    // The graph asks for buffers, never for media samples.
    HRESULT SampleCB(double SampleTime, IMediaSample* pSample) override;

protected:
    // Takes the mutex without waiting; false when a callback is still running.
    bool TryEnter();
    // Waits for the running callback, if any, and takes the mutex.
    void Enter();
    void Leave();

private:
    HANDLE m_hMutex;
};
