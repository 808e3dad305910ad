// The predefined window classes (the dialog class and the controls), registered once per
// process before the first window is made.
#pragma once

namespace zv::user {

// Registers them all the first time; later calls return at once.
void EnsureSystemClasses();

} // namespace zv::user
