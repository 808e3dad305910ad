// Writes the C++ source that carries a resource set into a program or shared library.
#pragma once

#include "resource_model.h"

#include <ostream>
#include <vector>

namespace zvrc {

void EmitSource(std::ostream& out, const std::string& scriptPath, const std::vector<CompiledResource>& resources);

} // namespace zvrc
