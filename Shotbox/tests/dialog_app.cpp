// The test programs' application object: the dialog reads its settings and shared data through it.
#include "Shotbox/tests/dialog_fixture.h"

namespace shotbox::testing {

CShotboxApp& App()
{
    static CShotboxApp app;
    return app;
}

} // namespace shotbox::testing
