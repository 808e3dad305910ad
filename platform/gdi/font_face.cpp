#include "platform/gdi/font_face.h"

#include <map>
#include <utility>

namespace zv::gdi {

// The FreeType library object; opening and closing faces must not run concurrently on it.
class FreeTypeLibrary {
public:
    FreeTypeLibrary()
    {
        if (FT_Init_FreeType(&library_) != 0)
            library_ = nullptr;
    }
    ~FreeTypeLibrary()
    {
        if (library_)
            FT_Done_FreeType(library_);
    }
    FreeTypeLibrary(const FreeTypeLibrary&) = delete;
    FreeTypeLibrary& operator=(const FreeTypeLibrary&) = delete;

    FT_Library Get() const { return library_; }
    std::mutex& Mutex() { return mutex_; }

private:
    FT_Library library_ = nullptr;
    std::mutex mutex_;
};

namespace {

struct FaceCache {
    std::shared_ptr<FreeTypeLibrary> library = std::make_shared<FreeTypeLibrary>();
    std::mutex mutex;
    std::map<std::pair<std::string, int>, std::shared_ptr<FontFace>> faces;
};

FaceCache& Cache()
{
    static FaceCache cache;
    return cache;
}

} // namespace

FontFace::FontFace(std::shared_ptr<FreeTypeLibrary> library, FT_Face face, std::string file)
    : library_(std::move(library)), face_(face), file_(std::move(file))
{
}

FontFace::~FontFace()
{
    std::lock_guard lock(library_->Mutex());
    FT_Done_Face(face_);
}

std::shared_ptr<FontFace> OpenFontFace(const std::string& file, int index)
{
    FaceCache& cache = Cache();
    std::lock_guard cacheLock(cache.mutex);
    const auto key = std::make_pair(file, index);
    if (const auto it = cache.faces.find(key); it != cache.faces.end())
        return it->second;
    if (!cache.library->Get())
        return nullptr;

    FT_Face face = nullptr;
    {
        std::lock_guard libraryLock(cache.library->Mutex());
        if (FT_New_Face(cache.library->Get(), file.c_str(), index, &face) != 0)
            return nullptr;
        // Sizes follow the cell-height rule, which needs an outline font's em square.
        if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
            FT_Done_Face(face);
            return nullptr;
        }
    }
    auto shared = std::make_shared<FontFace>(cache.library, face, file);
    cache.faces.emplace(key, shared);
    return shared;
}

} // namespace zv::gdi
