// The layer's COM object helpers are the platform's.
#pragma once

#include "platform/win32/com_object.h"

namespace zv::dshow {

using zv::win32::ComObject;
using zv::win32::ComRef;
using zv::win32::HandOutNewObject;
using zv::win32::InterfaceEntry;
using zv::win32::QueryInterfaceFrom;
using zv::win32::RefCount;

} // namespace zv::dshow
