#include "platform/gdi/font_match.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/gdi/fonts.h"

namespace zv::gdi {
namespace {

std::mutex& OverrideMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string& OverridePath()
{
    static std::string path;
    return path;
}

// fontconfig's matching is serialised: its configuration is process-wide.
std::mutex& FontconfigMutex()
{
    static std::mutex mutex;
    return mutex;
}

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

// The dialog faces that programs name but no Linux machine has: they stand for Liberation Sans.
std::string Substitute(const std::string& family)
{
    for (const char* dialogFace : {"MS Shell Dlg", "MS Shell Dlg 2"})
        if (strcasecmp(family.c_str(), dialogFace) == 0)
            return "Liberation Sans";
    return family;
}

std::atomic<bool> g_fontconfigShared{false};

// Called under FontconfigMutex.
bool FontconfigReady()
{
    static const bool initialised = [] {
        if (!FcInit())
            return false;
        // fontconfig's configuration is freed at exit, so leak checkers see a clean process;
        // not when a toolkit shares it: fontconfig aborts when caches it still holds are freed.
        std::atexit([] {
            if (!g_fontconfigShared.load())
                FcFini();
        });
        return true;
    }();
    return initialised;
}

// The family fontconfig gives for a face name (called under FontconfigMutex).
std::string MatchedFamily(const std::string& face)
{
    Pattern pattern(FcPatternCreate());
    if (!pattern)
        return {};
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
    FcChar8* family = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch || !family)
        return {};
    return reinterpret_cast<const char*>(family);
}

} // namespace

void SetFontFileOverride(const std::string& path)
{
    std::lock_guard lock(OverrideMutex());
    OverridePath() = path;
}

std::optional<FontFileRef> MatchFontFile(const std::string& family, int weight, bool italic)
{
    {
        std::lock_guard lock(OverrideMutex());
        if (!OverridePath().empty())
            return FontFileRef{OverridePath(), 0};
    }

    std::lock_guard lock(FontconfigMutex());
    if (!FontconfigReady())
        return std::nullopt;
    Pattern pattern(FcPatternCreate());
    if (!pattern)
        return std::nullopt;
    const std::string face = Substitute(family);
    if (!face.empty())
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());

    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match)
        return std::nullopt;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || file == nullptr)
        return std::nullopt;
    int index = 0;
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) != FcResultMatch)
        index = 0;
    return FontFileRef{reinterpret_cast<const char*>(file), index};
}

bool FontFamilyInstalled(const std::string& family)
{
    const std::string face = Substitute(family);
    if (face.empty())
        return false;
    std::lock_guard lock(FontconfigMutex());
    if (!FontconfigReady())
        return false;
    Pattern wanted(FcPatternCreate());
    if (!wanted)
        return false;
    FcPatternAddString(wanted.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> fields(FcObjectSetBuild(FC_FAMILY, nullptr),
                                                                       FcObjectSetDestroy);
    std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> listed(FcFontList(nullptr, wanted.get(), fields.get()),
                                                                   FcFontSetDestroy);
    if (listed && listed->nfont > 0)
        return true;
    // Not installed under its own name: a stand-in the configuration names for it (metric
    // aliases) matches differently from a name nobody knows, which gets the generic fallback.
    const std::string matched = MatchedFamily(face);
    return !matched.empty() && strcasecmp(matched.c_str(), MatchedFamily("sans-serif").c_str()) != 0;
}

void ShareFontconfig() { g_fontconfigShared.store(true); }

} // namespace zv::gdi
