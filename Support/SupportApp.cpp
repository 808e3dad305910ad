#include "Support/SupportApp.h"

CSupportApp theApp;

bool CSupportApp::InitInstance() { return true; }
