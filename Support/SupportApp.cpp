#include "Support/SupportApp.h"

CSupportApp theApp;

namespace {

// Made when the library loads, as the framework starts a library's application object.
const BOOL g_started = theApp.InitInstance();

}  // namespace

BOOL CSupportApp::InitInstance() { return TRUE; }
