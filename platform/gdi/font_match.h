// Which font file stands for a face name, weight and slant.
#pragma once

#include <optional>
#include <string>

namespace zv::gdi {

struct FontFileRef {
    std::string file;
    int index; // face inside the file
};

// The fontconfig match (or the file set by SetFontFileOverride). weight is on the 1..1000 scale.
std::optional<FontFileRef> MatchFontFile(const std::string& family, int weight, bool italic);
// Whether the machine has the face, itself or through a stand-in the configuration names for it
// (not the generic fallback every unknown name gets).
bool FontFamilyInstalled(const std::string& family);

// Another library of the process (the desktop's toolkit) uses fontconfig too: it is not freed at exit.
void ShareFontconfig();

} // namespace zv::gdi
