// A shared library with a resource set of its own, for the resource lookup tests.
#include "platform/win32/resources.h"

extern "C" HMODULE ResourceTestLibraryModule()
{
    return zv::win32::ModuleOfAddress(reinterpret_cast<const void*>(&ResourceTestLibraryModule));
}
