// The named constants a resource script may use in styles and ids (published values).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zvrc {

std::optional<std::uint32_t> NamedConstant(const std::string& name);

} // namespace zvrc
