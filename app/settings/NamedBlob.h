// One named record of the settings file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct NamedBlob {
    // Compared byte for byte, case-sensitively.
    std::string name;
    // None when the record was set from a NULL pointer; a zero-length value given by a real pointer
    // is an empty buffer. The file cannot tell the two apart: a record read back with no data bytes
    // has no data.
    std::optional<std::vector<std::uint8_t>> data;

    std::int32_t length() const { return data ? static_cast<std::int32_t>(data->size()) : 0; }
};
