// The program's one application object; the framework's entry (zv_afx_main) runs it.
#include "app/ZelvanteApp.h"

namespace {
CZelvanteApp theApp;
}
