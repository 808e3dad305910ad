// Test support: scripted stand-ins for graph interfaces, to reach the failure paths that a
// working platform never takes.
#pragma once

#include "platform/dshow/dshow.h"

#include <deque>
#include <vector>

namespace zv::capture::testing {

// Counts references so that a test can see each one given back exactly once.
template <class Interface>
class Counted : public Interface {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown) {
            AddRef();
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override { return static_cast<ULONG>(--refs); }

    int refs = 1;
};

class FakeMediaControl final : public Counted<IMediaControl> {
public:
    HRESULT Run() override
    {
        ++runs;
        return runResult;
    }
    HRESULT Pause() override { return pauseResult; }
    HRESULT Stop() override
    {
        ++stops;
        return stopResult;
    }
    // Answers from the script, then the last answer again.
    HRESULT GetState(LONG msTimeout, OAFilterState* pfs) override
    {
        timeouts.push_back(msTimeout);
        *pfs = State_Running;
        const HRESULT hr = stateResults.front();
        if (stateResults.size() > 1) stateResults.pop_front();
        return hr;
    }
    HRESULT StopWhenReady() override
    {
        ++stops;
        return stopResult;
    }

    HRESULT runResult = S_OK;
    HRESULT pauseResult = S_OK;
    HRESULT stopResult = S_OK;
    std::deque<HRESULT> stateResults{S_OK};
    std::vector<LONG> timeouts;
    int runs = 0;
    int stops = 0;
};

class FakeProcAmp final : public Counted<IAMVideoProcAmp> {
public:
    HRESULT GetRange(LONG, LONG* pMin, LONG* pMax, LONG* pStep, LONG* pDefault, LONG* pFlags) override
    {
        *pMin = min;
        *pMax = max;
        *pStep = 1;
        *pDefault = min;
        *pFlags = VideoProcAmp_Flags_Manual;
        return rangeResult;
    }
    HRESULT Set(LONG property, LONG value, LONG flags) override
    {
        setProperty = property;
        setValue = value;
        setFlags = flags;
        return S_OK;
    }
    HRESULT Get(LONG, LONG* value, LONG* flags) override
    {
        *value = current;
        *flags = VideoProcAmp_Flags_Manual;
        return getResult;
    }

    LONG min = 0;
    LONG max = 255;
    LONG current = 0;
    HRESULT rangeResult = S_OK;
    HRESULT getResult = S_OK;
    LONG setProperty = -1;
    LONG setValue = -1;
    LONG setFlags = 0;
};

} // namespace zv::capture::testing
