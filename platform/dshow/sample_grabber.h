// The Sample Grabber: hands every sample that passes through it to a callback.
#pragma once

#include "platform/dshow/filter_graph.h"

inline constexpr IID IID_ISampleGrabber = zv::win32::GuidFromText("{6B652FFF-11FE-4FCE-92AD-0266B5D7C78F}");
inline constexpr IID IID_ISampleGrabberCB = zv::win32::GuidFromText("{0579154A-2B53-4994-B0D0-E773148EFF85}");

struct IMediaSample;

struct ISampleGrabberCB : IUnknown {
    virtual HRESULT SampleCB(double SampleTime, IMediaSample* pSample) = 0;
    // Called on the streaming thread with the sample's bytes; the buffer is the callee's to change
    // until it returns. Video comes as 24-bit pixels, blue first, rows bottom-up, each row padded
    // to a multiple of 4 bytes.
    virtual HRESULT BufferCB(double SampleTime, BYTE* pBuffer, LONG BufferLen) = 0;

protected:
    ~ISampleGrabberCB() = default;
};

struct ISampleGrabber : IUnknown {
    // The type the grabber accepts: major type video, subtype RGB24 (or none, which means RGB24).
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* pType) = 0;
    // The type of the connection with its VIDEOINFOHEADER; the caller frees the format block.
    virtual HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* pType) = 0;
    // Keeping a copy of the last sample is not offered here: TRUE gives E_NOTIMPL.
    virtual HRESULT SetBufferSamples(BOOL BufferThem) = 0;
    // WhichMethodToCallback 1 calls BufferCB; 0 (SampleCB with a media sample) is not offered.
    virtual HRESULT SetCallback(ISampleGrabberCB* pCallback, LONG WhichMethodToCallback) = 0;

protected:
    ~ISampleGrabber() = default;
};
