// The program's settings record and the small binary file beside the program that keeps it.
//
// File layout, little-endian, no padding: 'Z','V'; u16 version (4 is written; 0 to 4 are read);
// u32 output-size mask; from version 2 u32 device-installation flags; from version 3 24 f32 levels;
// from version 4 u32 record count and per record u32 name length, name bytes, u32 data length,
// data bytes.
//
// Used on the user-interface thread only.
#pragma once

#include "app/settings/NamedBlob.h"
#include "platform/win32/types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class ConfigStore {
public:
    static constexpr std::size_t kLevelCount = 24;
    static constexpr float kNeutralLevel = 0.5f;
    static constexpr WORD kFileVersion = 4;
    // Longest record name and longest record value. The load refuses a record that claims more
    // before allocating for it, so SetBlob refuses such records too.
    static constexpr std::uint32_t kMaxRecordBytes = 1u << 20;
    // Longest settings file path, in characters without the NUL.
    static constexpr std::size_t kMaxFilePathLength = 258;

    ConfigStore() { Init(); }

    // The defaults: levels neutral, all output sizes enabled, no flags, no records, clean.
    void Init();

    // The settings file beside the program into `path` (MAX_PATH bytes): the program's path with
    // its extension replaced by "config" (or "config" appended when it has none). False when the
    // program's path cannot be had whole or the result would not fit; `path` is then untouched.
    bool GetFilePath(char* path) const;
    // The same rule for a given program path.
    static bool FilePathForModule(const char* modulePath, char* path);

    // Reads the settings file beside the program. Never fails: whatever cannot be read keeps its
    // current value. Clears `dirty`.
    void Load();
    void Load(const char* path);

    // Writes the settings file when `dirty` is set. The file is replaced whole or not at all;
    // `dirty` is cleared only once the new file is in place.
    void Save();
    void Save(const char* path);

    // Sets the record `name` to a copy of `length` bytes at `data`, or to no data when `data` is
    // NULL. A NULL name, a negative length and a record too long for the file are refused.
    void SetBlob(const char* name, const void* data, int length);
    // Copies the first record called `name` into `buffer` (`*size` bytes). Not found: *size 0,
    // false. No buffer or *size below the record's length: *size the length, false (retry with
    // more room). Record with data: its bytes (no NUL added), *size the length, true. Record
    // without data: the whole buffer zeroed, *size 0, true.
    bool GetBlob(const char* name, void* buffer, int* size) const;

    // Read and written directly by their users, who set `dirty` themselves.
    std::array<float, kLevelCount> levels;
    bool dirty;
    std::int32_t resolutionMask;
    std::int32_t driverFlags;
    std::vector<NamedBlob> blobs;

private:
    NamedBlob* FindBlob(const char* name);
    const NamedBlob* FindBlob(const char* name) const;
    std::vector<std::uint8_t> FileImage() const;
};
