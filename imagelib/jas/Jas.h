// A small picture-codec library with the calls the JPEG-2000 family format class makes: JP2 and
// JPEG-2000 code streams (over OpenJPEG), PGX, PNM and Sun raster. Pictures are sets of integer
// components; data comes and goes through a library stream whose operations the caller may
// replace, per stream.
//
// Calls report failure by a null or negative result; nothing is thrown across this interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jas {

// Sets the library up for use (counted); 0 on success.
int Init();
void Cleanup();

// ---- Streams ----

// The operations a stream runs on its object. Read and write return the bytes moved (negative on
// error), seek the new position (negative on error; origin as fseek), close 0 on success.
struct StreamOps {
    int (*read)(void* object, char* buffer, unsigned count);
    int (*write)(void* object, const char* buffer, unsigned count);
    long (*seek)(void* object, long offset, int origin);
    int (*close)(void* object);
};

struct Stream {
    StreamOps ops; // this stream's own operations: replacing them touches no other stream
    void* object; // what the operations work on
    bool readable;
    bool writable;
};

// A stream over a file descriptor ("r" or "w" in the mode); its object owns a duplicate of the
// descriptor. A descriptor of -1 makes a stream without object or operations, for a caller that
// attaches its own. Null on failure.
Stream* StreamFdOpen(int fd, const char* mode);
// Runs the stream's close operation and frees the stream; 0 on success.
int StreamClose(Stream* stream);
// Every write goes straight to the operations, so there is nothing to flush: 0.
int StreamFlush(Stream* stream);

// ---- Pictures ----

enum class ColourSpace { Unknown, Srgb, Sgray, Sycc };

enum ComponentType : int {
    kTypeRed = 0,
    kTypeGreen = 1,
    kTypeBlue = 2,
    kTypeGrey = 0,
    kTypeY = 0,
    kTypeCb = 1,
    kTypeCr = 2,
    kTypeUnknown = -1,
};

struct ComponentParams {
    int tlx = 0; // position on the reference grid
    int tly = 0;
    int hstep = 1; // sampling step on the grid
    int vstep = 1;
    int width = 0; // in samples
    int height = 0;
    int prec = 8; // bits per sample
    bool sgnd = false;
};

struct Component {
    ComponentParams params;
    int type = kTypeUnknown;
    std::vector<std::int32_t> samples; // width x height, rows from the top
};

struct Image {
    ColourSpace clrspc = ColourSpace::Unknown;
    std::vector<Component> cmpts;
};

// Null when a size is not positive or the samples would not fit in memory limits.
Image* ImageCreate(int numcmpts, const ComponentParams* params, ColourSpace clrspc);
void ImageDestroy(Image* image);
void ImageSetCmptType(Image* image, int cmpt, int type);

// Sample rows for ImageReadCmpt and ImageWriteCmpt.
struct Matrix {
    int rows = 0;
    int cols = 0;
    std::vector<std::int32_t> values;

    std::int32_t Get(int row, int col) const { return values[static_cast<std::size_t>(row) * cols + col]; }
    void Set(int row, int col, std::int32_t v) { values[static_cast<std::size_t>(row) * cols + col] = v; }
};
Matrix* MatrixCreate(int rows, int cols);
void MatrixDestroy(Matrix* matrix);

// Copy a width x height block at (x, y) of a component out of or into the matrix; 0 on success,
// -1 when the block or the matrix does not fit.
int ImageReadCmpt(const Image* image, int cmpt, int x, int y, int width, int height, Matrix* matrix);
int ImageWriteCmpt(Image* image, int cmpt, int x, int y, int width, int height, const Matrix* matrix);

// ---- Formats ----

// "jp2", "jpc", "pgx", "pnm" or "ras" to its format number; -1 when unknown.
int ImageStrToFmt(const char* name);
// Reads a picture; format -1 detects it from the data's magic. Options are not used. Null on failure.
Image* ImageDecode(Stream* in, int format, const char* options);
// Writes a picture; options "rate=R" (R below 1: the coded size as a share of the raw size, JPEG-2000
// only). 0 on success.
int ImageEncode(const Image* image, Stream* out, int format, const char* options);

// ---- Colour ----

struct ColourProfile {
    ColourSpace clrspc;
};
ColourProfile* CmProfCreateFromClrspc(ColourSpace clrspc);
void CmProfDestroy(ColourProfile* profile);
constexpr int kIntentPerceptual = 0;
// A new picture in the profile's colour space (only sRGB is made: from grey, sYCC or sRGB, with
// 8-bit unsigned components of one size). Null when it cannot be converted.
Image* ImageChClrSpc(const Image* image, const ColourProfile* profile, int intent);

} // namespace jas
