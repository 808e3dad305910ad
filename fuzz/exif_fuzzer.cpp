// libFuzzer target for the Exif reader: every input is an Exif block as it stands after the APP1
// marker's length, starting with the "Exif" signature. The JPEG target reaches the reader only
// through whole files; this one lets the fuzzer work on the directory walk directly.
#include "imagelib/PixExifReader.h"

#include <cstddef>
#include <cstdint>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > std::numeric_limits<DWORD>::max())
        return 0;
    CPixExifReader reader;
    reader.ParseExif(data, static_cast<DWORD>(size));
    return 0;
}
