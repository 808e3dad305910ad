#include "capture/GrabberCallbackBase.h"

#include "platform/win32/handle_table.h"
#include "platform/win32/mutexes.h"
#include "platform/win32/waits.h"

CGrabberCallbackBase::CGrabberCallbackBase() : m_hMutex(CreateMutexA(nullptr, FALSE, nullptr))
{
}

CGrabberCallbackBase::~CGrabberCallbackBase()
{
    if (m_hMutex) CloseHandle(m_hMutex);
}

HRESULT CGrabberCallbackBase::QueryInterface(REFIID riid, void** ppvObject)
{
    if (ppvObject == nullptr) return E_POINTER;
    if (riid == IID_ISampleGrabberCB || riid == IID_IUnknown) {
        *ppvObject = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

HRESULT CGrabberCallbackBase::SampleCB(double, IMediaSample*)
{
    return 0;
}

bool CGrabberCallbackBase::TryEnter()
{
    // An abandoned mutex is ours now as well: a callback thread ended inside it.
    const DWORD result = WaitForSingleObject(m_hMutex, 0);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void CGrabberCallbackBase::Enter()
{
    WaitForSingleObject(m_hMutex, INFINITE);
}

void CGrabberCallbackBase::Leave()
{
    ReleaseMutex(m_hMutex);
}
