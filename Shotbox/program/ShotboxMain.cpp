// The snapshot manager program: its one application object (the framework's entry runs it).
#include "Shotbox/ShotboxApp.h"

CShotboxApp theApp;
