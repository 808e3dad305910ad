// libFuzzer target for the skin file loader: every input is a whole .skn archive. Tight limits
// keep each run short; a loaded skin is walked form by form, element by element.
#include "platform/skin/skin_loader.h"

#include <cstddef>
#include <cstdint>

namespace {

std::size_t Count(const zv::skin::ElementSpec& element)
{
    std::size_t count = 1;
    for (const zv::skin::ElementSpec& child : element.children)
        count += Count(child);
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    zv::skin::SkinLimits limits;
    limits.maxEntryBytes = 1u << 20;
    limits.maxTotalBytes = 4u << 20;
    limits.maxImageSide = 512;
    limits.maxImagePixels = 1u << 20;
    const zv::skin::SkinLoadResult result = zv::skin::LoadSkinBytes(data, size, limits);
    if (result.skin) {
        std::size_t elements = 0;
        for (const zv::skin::ElementSpec& form : result.skin->forms) {
            elements += Count(form);
            (void)result.skin->FindForm(form.name);
        }
        if (elements > limits.maxElements)
            __builtin_trap(); // the bound was not kept
    }
    return 0;
}
