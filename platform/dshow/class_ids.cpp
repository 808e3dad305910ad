#include "platform/dshow/class_ids.h"

#include "platform/dshow/capture_graph_builder.h"
#include "platform/dshow/file_source_filter.h"
#include "platform/dshow/filter_graph_object.h"
#include "platform/dshow/null_renderer.h"
#include "platform/dshow/sample_grabber_filter.h"
#include "platform/dshow/system_device_enum.h"
#include "platform/win32/com.h"

using zv::win32::GuidFromText;

const CLSID CLSID_FilterGraph = GuidFromText("{E436EBB3-524F-11CE-9F53-0020AF0BA770}");
const CLSID CLSID_CaptureGraphBuilder2 = GuidFromText("{BF87B6E1-8C27-11D0-B3F0-00AA003761C5}");
const CLSID CLSID_SystemDeviceEnum = GuidFromText("{62BE5D10-60EB-11D0-BD3B-00A0C911CE86}");
const CLSID CLSID_SampleGrabber = GuidFromText("{C1F400A0-3F08-11D3-9F0B-006008039E37}");
const CLSID CLSID_NullRenderer = GuidFromText("{C1F400A4-3F08-11D3-9F0B-006008039E37}");
const CLSID CLSID_WMAsfReader = GuidFromText("{187463A0-5BB7-11D3-ACBE-0080C75E246E}");
const CLSID CLSID_VideoInputDeviceCategory = GuidFromText("{860BB310-5D01-11D0-BD3B-00A0C911CE86}");
const CLSID CLSID_AudioInputDeviceCategory = GuidFromText("{33D9A762-90C8-11D0-BD43-00A0C911CE86}");

namespace {

// Whoever names one of the class ids above links this file, and with it the classes' entries in
// the process's class table, made before main runs.
struct ClassRegistrations {
    ClassRegistrations()
    {
        using namespace zv::dshow;
        zv::win32::RegisterComClass(CLSID_FilterGraph, &FilterGraph::Create);
        zv::win32::RegisterComClass(CLSID_CaptureGraphBuilder2, &CaptureGraphBuilder::Create);
        zv::win32::RegisterComClass(CLSID_SystemDeviceEnum, &SystemDeviceEnum::Create);
        zv::win32::RegisterComClass(CLSID_SampleGrabber, &SampleGrabberFilter::Create);
        zv::win32::RegisterComClass(CLSID_NullRenderer, &NullRenderer::Create);
        zv::win32::RegisterComClass(CLSID_WMAsfReader, &FileSourceFilter::Create);
    }
};
const ClassRegistrations g_registrations;

} // namespace
