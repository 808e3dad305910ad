// The records player behind PlayEnhMetaFile, for Windows and enhanced metafiles alike.
#pragma once

#include <vector>

#include "platform/gdi/gdi_metafile.h"

namespace zv::gdi {

struct MetafileData {
    bool enhanced = false;
    std::vector<BYTE> bytes;
    // Enhanced: the file's own header. Windows: one made up from the picture description.
    ENHMETAHEADER header{};
};

// Draws the records so that the picture's frame fills target.
void PlayMetafileRecords(HDC hdc, const MetafileData& data, const RECT& target);

} // namespace zv::gdi
