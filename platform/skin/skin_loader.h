// Reading a .skn file: a ZIP archive holding skin.xml and the PNG pictures it names. A skin file
// is untrusted: every size is bounded before memory is spent on it, and any fault fails the whole
// load with a message saying what was wrong.
#pragma once

#include "platform/skin/skin_document.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zv::skin {

struct SkinLimits {
    std::size_t maxEntries = 2048;                 // archive entries
    std::uint64_t maxEntryBytes = 16u << 20;       // one entry, uncompressed
    std::uint64_t maxTotalBytes = 64u << 20;       // every entry read, uncompressed
    int maxImageSide = 4096;                       // pixels
    std::uint64_t maxImagePixels = 16u << 20;      // all pictures together
    std::size_t maxElements = 4096;                // elements of every form together
    int maxDepth = 16;                             // nesting of elements under a form
};

struct SkinLoadResult {
    std::shared_ptr<const SkinDocument> skin; // null on failure
    std::string error;
};

SkinLoadResult LoadSkinFile(const std::string& path, const SkinLimits& limits = {});
// The same from the archive's bytes in memory.
SkinLoadResult LoadSkinBytes(const std::uint8_t* bytes, std::size_t size, const SkinLimits& limits = {});

} // namespace zv::skin
