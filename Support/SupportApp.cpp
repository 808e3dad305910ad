#include "Support/SupportApp.h"

CSupportApp theApp;

namespace {

// Made when the library loads, as the framework starts a library's application object.
const bool g_started = theApp.InitInstance();

}  // namespace

bool CSupportApp::InitInstance() { return true; }
