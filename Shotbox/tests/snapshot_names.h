// Test support: the shape of a snapshot file's name.
#pragma once

#include <algorithm>
#include <string>

namespace shotbox::testing {

// Whether the name is `prefix`, eighteen digits and ".jpg".
inline bool IsSnapshotName(const std::string& name, const std::string& prefix)
{
    if (name.size() != prefix.size() + 22 || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - 4, 4, ".jpg") != 0)
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end() - 4,
                       [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace shotbox::testing
