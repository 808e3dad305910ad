#include "imagelib/PixFormatRegistry.h"

#include "imagelib/PixImageBMP.h"
#include "imagelib/PixImageGIF.h"
#include "imagelib/PixImageICO.h"
#include "imagelib/PixImageJAS.h"
#include "imagelib/PixImageJPG.h"
#include "imagelib/PixImagePCX.h"
#include "imagelib/PixImagePNG.h"
#include "imagelib/PixImageTIF.h"
#include "imagelib/PixImageTGA.h"
#include "imagelib/PixImageWBMP.h"
#include "imagelib/PixImageWMF.h"

#include <array>
#include <mutex>
#include <shared_mutex>

namespace {

using FormatTable = std::array<std::optional<PixFormat>, PIXIMAGE_TYPE_COUNT>;

// Every format class the library has, by type number. A new format class adds its line here:
// an explicit list keeps a static library's linker from dropping a format nobody names.
FormatTable BuiltInFormats()
{
    FormatTable table;
    table[PIXIMAGE_BMP] = PixBmpFormat();
    table[PIXIMAGE_GIF] = PixGifFormat();
    table[PIXIMAGE_PNG] = PixPngFormat();
    table[PIXIMAGE_ICO] = PixIcoFormat();
    table[PIXIMAGE_JPG] = PixJpgFormat();
    table[PIXIMAGE_TIF] = PixTifFormat();
    for (LONG type : {PIXIMAGE_JP2, PIXIMAGE_JPC, PIXIMAGE_PGX, PIXIMAGE_PNM, PIXIMAGE_RAS})
        table[static_cast<size_t>(type)] = PixJasFormat();
    table[PIXIMAGE_TGA] = PixTgaFormat();
    table[PIXIMAGE_PCX] = PixPcxFormat();
    table[PIXIMAGE_WBMP] = PixWbmpFormat();
    table[PIXIMAGE_WMF] = PixWmfFormat();
    return table;
}

struct Registry {
    std::shared_mutex lock;
    FormatTable table = BuiltInFormats();
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

bool IsTypeNumber(LONG type)
{
    return type > PIXIMAGE_UNKNOWN && type < PIXIMAGE_TYPE_COUNT;
}

} // namespace

std::optional<PixFormat> FindPixFormat(LONG type)
{
    if (!IsTypeNumber(type))
        return std::nullopt;
    Registry& registry = TheRegistry();
    std::shared_lock guard(registry.lock);
    return registry.table[static_cast<size_t>(type)];
}

std::optional<PixFormat> RegisterPixFormat(LONG type, std::optional<PixFormat> format)
{
    if (!IsTypeNumber(type))
        return std::nullopt;
    Registry& registry = TheRegistry();
    std::unique_lock guard(registry.lock);
    std::optional<PixFormat> previous = registry.table[static_cast<size_t>(type)];
    registry.table[static_cast<size_t>(type)] = format;
    return previous;
}
