// Classes of the filter-graph layer, created through CoCreateInstance. Using any of these
// identifiers links the layer's class registrations into the program.
#pragma once

#include "platform/win32/com_base.h"

extern const CLSID CLSID_FilterGraph;
extern const CLSID CLSID_CaptureGraphBuilder2;
extern const CLSID CLSID_SystemDeviceEnum;
extern const CLSID CLSID_SampleGrabber;
extern const CLSID CLSID_NullRenderer;
// The file source, for Windows Media files and any other the installed decoders read.
extern const CLSID CLSID_WMAsfReader;

// Device categories of the system device enumerator.
extern const CLSID CLSID_VideoInputDeviceCategory;
extern const CLSID CLSID_AudioInputDeviceCategory;
