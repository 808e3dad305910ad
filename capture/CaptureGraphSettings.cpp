#include "capture/CaptureGraph.h"

#include "capture/ComRelease.h"
#include "platform/win32/com.h"

#include <cmath>

int CCaptureGraph::SetVideoProcAmp(long lProperty, double dFraction)
{
    if (m_pProcAmp == nullptr) return 1;
    LONG lMin = 0, lMax = 0, lStep = 0, lDefault = 0, lFlags = 0;
    const LONG property = static_cast<LONG>(lProperty);
    if (FAILED(m_pProcAmp->GetRange(property, &lMin, &lMax, &lStep, &lDefault, &lFlags))) return 1;
    const LONG value = lMin + static_cast<LONG>(std::trunc(static_cast<double>(lMax - lMin) * dFraction));
    return FAILED(m_pProcAmp->Set(property, value, VideoProcAmp_Flags_Manual)) ? 1 : 0;
}

double CCaptureGraph::GetVideoProcAmp(long lProperty)
{
    if (m_pProcAmp == nullptr) return 0.0;
    const LONG property = static_cast<LONG>(lProperty);
    LONG lValue = 0, lFlags = 0;
    if (FAILED(m_pProcAmp->Get(property, &lValue, &lFlags))) return 0.0;
    LONG lMin = 0, lMax = 0, lStep = 0, lDefault = 0, lCaps = 0;
    if (FAILED(m_pProcAmp->GetRange(property, &lMin, &lMax, &lStep, &lDefault, &lCaps)) || lMax <= lMin) return 0.0;
    return static_cast<double>(lValue - lMin) / static_cast<double>(lMax - lMin);
}

int CCaptureGraph::ShowPropertyPages(IUnknown* pPagesOf, IUnknown* pObject)
{
    ISpecifyPropertyPages* pSpecify = nullptr;
    if (FAILED(pPagesOf->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pSpecify)))) return 4;
    CAUUID pages{0, nullptr};
    const HRESULT hr = pSpecify->GetPages(&pages);
    ReleaseAndClear(pSpecify);
    int result = 4;
    if (SUCCEEDED(hr) && pages.cElems > 0) {
        IUnknown* objects[] = {pObject};
        if (SUCCEEDED(OleCreatePropertyFrame(m_hWndOwner, 30, 30, nullptr, 1, objects, pages.cElems, pages.pElems, 0,
                                             0, nullptr)))
            result = 0;
    }
    CoTaskMemFree(pages.pElems);
    return result;
}

int CCaptureGraph::ShowDevicePages()
{
    if (m_nState == 0 || m_pCapture == nullptr) return 3;
    if (m_pProcAmp == nullptr) return 4;
    // The ProcAmp's pages, shown for the capture filter.
    return ShowPropertyPages(m_pProcAmp, m_pCapture);
}

int CCaptureGraph::ShowCrossbarPages()
{
    if (m_nState == 0 || m_pCapture == nullptr) return 3;
    if (m_pBuilder == nullptr) return 4;
    IAMCrossbar* pCrossbar = nullptr;
    if (FAILED(m_pBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_pCapture, IID_IAMCrossbar,
                                         reinterpret_cast<void**>(&pCrossbar))))
        return 4;
    const int result = ShowPropertyPages(pCrossbar, pCrossbar);
    ReleaseAndClear(pCrossbar);
    return result;
}
