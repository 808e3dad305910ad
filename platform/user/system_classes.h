// The window classes every process has without registering them ("Edit", the common controls).
#pragma once

namespace zv::user {

// Registers them, the first time only; CreateWindowExA calls it.
void RegisterSystemClasses();

} // namespace zv::user
