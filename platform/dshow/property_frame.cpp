#include "platform/dshow/device_controls.h"

HRESULT OleCreatePropertyFrame(HWND__*, UINT, UINT, LPCOLESTR, ULONG, LPUNKNOWN*, ULONG, const GUID*, LCID, DWORD,
                               LPVOID)
{
    // There is no frame to put property pages in: no object here has pages to show.
    return E_NOTIMPL;
}
