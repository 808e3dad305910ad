#include "app/settings/ConfigStore.h"
#include "app/settings/tests/largest_allocation.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

constexpr float kOldLevel = 0.25f;
constexpr float kNewLevel = 0.75f;
constexpr std::int32_t kOldMask = 7;
constexpr std::int32_t kNewMask = 0x0F;
constexpr std::int32_t kOldFlags = 3;
constexpr std::int32_t kNewFlags = 2;

// Settings file images, field by field.
class Image {
public:
    Image& Raw(std::initializer_list<std::uint8_t> bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes);
        return *this;
    }
    Image& Header(std::uint16_t version)
    {
        return Raw({'Z', 'V', static_cast<std::uint8_t>(version), static_cast<std::uint8_t>(version >> 8)});
    }
    Image& U32(std::uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            m_bytes.push_back(static_cast<std::uint8_t>(value >> shift));
        return *this;
    }
    Image& F32(float value) { return U32(std::bit_cast<std::uint32_t>(value)); }
    Image& Levels(float value)
    {
        for (std::size_t i = 0; i < ConfigStore::kLevelCount; ++i)
            F32(value);
        return *this;
    }
    Image& Text(const std::string& text)
    {
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        return *this;
    }
    Image& Record(const std::string& name, const std::string& data)
    {
        U32(static_cast<std::uint32_t>(name.size())).Text(name);
        return U32(static_cast<std::uint32_t>(data.size())).Text(data);
    }
    // Header, mask, flags and levels: everything before the record count.
    Image& Fields(std::uint16_t version)
    {
        return Header(version).U32(kNewMask).U32(kNewFlags).Levels(kNewLevel);
    }

    std::size_t Size() const { return m_bytes.size(); }
    const Bytes& Get() const { return m_bytes; }

private:
    Bytes m_bytes;
};

std::string DataOf(const NamedBlob& blob)
{
    return blob.data ? std::string(blob.data->begin(), blob.data->end()) : std::string();
}

// Long names shortened to their first character and length, to keep failure messages readable.
std::string ShortName(const std::string& name)
{
    return name.size() <= 32 ? name : name.substr(0, 1) + "*" + std::to_string(name.size());
}

std::vector<std::string> NamesOf(const ConfigStore& store)
{
    std::vector<std::string> names;
    for (const NamedBlob& blob : store.blobs)
        names.push_back(ShortName(blob.name));
    return names;
}

// A store whose every field differs from both the defaults and the images' values.
void MakeOld(ConfigStore& store)
{
    store.levels.fill(kOldLevel);
    store.resolutionMask = kOldMask;
    store.driverFlags = kOldFlags;
    store.blobs.clear();
    store.SetBlob("Old", "x", 1);
    store.dirty = true;
}

class ConfigStoreFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zv-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_path = (m_folder / "Zelvante.config").string();
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    const char* Path() const { return m_path.c_str(); }
    std::string TempPath() const { return m_path + ".tmp"; }

    void WriteFile(const Bytes& bytes) const
    {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good());
    }
    Bytes ReadFile() const
    {
        std::ifstream in(m_path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // A store in the old state that has loaded `bytes`.
    ConfigStore LoadOld(const Bytes& bytes) const
    {
        WriteFile(bytes);
        ConfigStore store;
        MakeOld(store);
        store.Load(Path());
        return store;
    }

    fs::path m_folder;
    std::string m_path;
};

// What a load took over from the old state.
struct Taken {
    bool mask;
    bool flags;
    bool levels;
};

void ExpectTaken(const ConfigStore& store, Taken taken)
{
    EXPECT_EQ(store.resolutionMask, taken.mask ? kNewMask : kOldMask);
    EXPECT_EQ(store.driverFlags, taken.flags ? kNewFlags : kOldFlags);
    for (const float level : store.levels)
        EXPECT_EQ(level, taken.levels ? kNewLevel : kOldLevel);
    EXPECT_FALSE(store.dirty);
}

TEST(ConfigStoreTest, InitRestoresTheDefaults)
{
    ConfigStore store;
    MakeOld(store);
    store.Init();
    for (const float level : store.levels)
        EXPECT_EQ(level, 0.5f);
    EXPECT_EQ(store.resolutionMask, 255);
    EXPECT_EQ(store.driverFlags, 0);
    EXPECT_TRUE(store.blobs.empty());
    EXPECT_FALSE(store.dirty);
}

TEST_F(ConfigStoreFileTest, MissingFileKeepsEverythingAndClearsDirty)
{
    ConfigStore store;
    MakeOld(store);
    store.Load(Path());
    ExpectTaken(store, {false, false, false});
    EXPECT_EQ(NamesOf(store), std::vector<std::string>{"Old"});
}

TEST_F(ConfigStoreFileTest, SaveWritesTheFormatAndLoadReadsEveryFieldBack)
{
    ConfigStore saved;
    for (std::size_t i = 0; i < ConfigStore::kLevelCount; ++i)
        saved.levels[i] = static_cast<float>(i) / 23.0f;
    saved.resolutionMask = 0x55;
    saved.driverFlags = -1;
    const std::string binary("\0\xFFz\0", 4);
    const std::uint8_t fontSize[4] = {3, 0, 0, 0};
    saved.SetBlob("HostLoginName", "user", 4);
    saved.SetBlob("HostLoginPass", nullptr, 0);
    saved.SetBlob("Options_FontSize", fontSize, 4);
    saved.SetBlob("Empty", "", 0);
    saved.SetBlob("Gr\xC3\xB6\xC3\x9F" "e", binary.data(), static_cast<int>(binary.size()));
    ASSERT_TRUE(saved.dirty);
    saved.Save(Path());
    EXPECT_FALSE(saved.dirty);
    EXPECT_FALSE(fs::exists(TempPath()));

    Image expected;
    expected.Header(4).U32(0x55).U32(0xFFFFFFFF);
    for (std::size_t i = 0; i < ConfigStore::kLevelCount; ++i)
        expected.F32(static_cast<float>(i) / 23.0f);
    expected.U32(5)
        .Record("HostLoginName", "user")
        .Record("HostLoginPass", "")
        .Record("Options_FontSize", std::string("\x03\0\0\0", 4))
        .Record("Empty", "")
        .Record("Gr\xC3\xB6\xC3\x9F" "e", binary);
    EXPECT_EQ(ReadFile(), expected.Get());

    ConfigStore loaded;
    loaded.dirty = true;
    loaded.Load(Path());
    EXPECT_FALSE(loaded.dirty);
    EXPECT_EQ(loaded.levels, saved.levels);
    EXPECT_EQ(loaded.resolutionMask, 0x55);
    EXPECT_EQ(loaded.driverFlags, -1);
    ASSERT_EQ(NamesOf(loaded), NamesOf(saved));
    for (std::size_t i = 0; i < loaded.blobs.size(); ++i)
        EXPECT_EQ(DataOf(loaded.blobs[i]), DataOf(saved.blobs[i])) << loaded.blobs[i].name;
    EXPECT_FALSE(loaded.blobs[1].data.has_value());
    // Zero data bytes in the file read as no data.
    EXPECT_TRUE(saved.blobs[3].data.has_value());
    EXPECT_FALSE(loaded.blobs[3].data.has_value());
}

TEST_F(ConfigStoreFileTest, VersionDecidesWhichFieldsAreTaken)
{
    struct Case {
        std::uint16_t version;
        Taken taken;
        bool records;
    };
    const Case cases[] = {
        {0, {true, false, false}, false},
        {1, {true, false, false}, false},
        {2, {true, true, false}, false},
        {3, {true, true, true}, false},
        {4, {true, true, true}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        // Every image carries all fields; the version alone says which count.
        const ConfigStore store = LoadOld(Image().Fields(c.version).U32(1).Record("New", "y").Get());
        ExpectTaken(store, c.taken);
        EXPECT_EQ(NamesOf(store), std::vector<std::string>{c.records ? "New" : "Old"});
    }
}

TEST_F(ConfigStoreFileTest, ForeignFilesChangeNothing)
{
    struct Case {
        const char* what;
        Image header;
    };
    const Case cases[] = {
        {"wrong magic", Image().Raw({'Z', 'W', 4, 0})},
        {"lower-case magic", Image().Raw({'z', 'v', 4, 0})},
        {"version 5", Image().Header(5)},
        {"version 256", Image().Header(256)},
        {"version 65535", Image().Header(0xFFFF)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Image image = c.header;
        image.U32(kNewMask).U32(kNewFlags).Levels(kNewLevel).U32(1).Record("New", "y");
        const ConfigStore store = LoadOld(image.Get());
        ExpectTaken(store, {false, false, false});
        EXPECT_EQ(NamesOf(store), std::vector<std::string>{"Old"});
    }
}

TEST_F(ConfigStoreFileTest, FilesShorterThanTheHeaderReadAsEmptyCurrentFiles)
{
    const Bytes cases[] = {{}, {'Z'}, {'Z', 'V'}, {'Z', 'V', 4}, {'X'}, {'Z', 'V', 5}};
    for (const Bytes& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        const ConfigStore store = LoadOld(bytes);
        ExpectTaken(store, {false, false, false});
        EXPECT_TRUE(store.blobs.empty());
    }
}

TEST_F(ConfigStoreFileTest, FileCutAnywhereKeepsTheWholeFieldsAndRecordsBeforeTheCut)
{
    Image image;
    image.Fields(4).U32(3);
    std::vector<std::pair<std::size_t, std::string>> recordEnds;
    image.Record("A", "1");
    recordEnds.emplace_back(image.Size(), "A");
    image.Record("BB", "");
    recordEnds.emplace_back(image.Size(), "BB");
    image.Record("C", "xyz");
    recordEnds.emplace_back(image.Size(), "C");

    for (std::size_t cut = 0; cut <= image.Size(); ++cut) {
        SCOPED_TRACE(cut);
        const Bytes bytes(image.Get().begin(), image.Get().begin() + static_cast<std::ptrdiff_t>(cut));
        const ConfigStore store = LoadOld(bytes);
        ExpectTaken(store, {cut >= 8, cut >= 12, cut >= 108});
        std::vector<std::string> expected;
        for (const auto& [end, name] : recordEnds) {
            if (end <= cut)
                expected.push_back(name);
        }
        EXPECT_EQ(NamesOf(store), expected);
    }
}

TEST_F(ConfigStoreFileTest, HostileCountsAndLengthsKeepTheRecordsBeforeThem)
{
    constexpr std::uint32_t kCap = ConfigStore::kMaxRecordBytes;
    const std::string capName(kCap, 'n');
    const std::string overCap(kCap + 1, 'd');
    struct Case {
        const char* what;
        std::uint32_t count;
        Image tail; // after the record "Keep"
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"count far beyond the records", 0xFFFFFFFF, Image(), {"Keep"}},
        {"count beyond the records", 3, Image().Record("Two", "2"), {"Keep", "Two"}},
        {"name length 4 GiB", 2, Image().U32(0xFFFFFFFF).Text("abc"), {"Keep"}},
        {"name length one past the file", 2, Image().U32(9).Text("abcd").U32(0), {"Keep"}},
        {"name at the cap, file ends", 2, Image().U32(kCap).Text("abc"), {"Keep"}},
        {"name longer than the cap", 2, Image().U32(kCap + 1).Text(overCap).U32(0), {"Keep"}},
        {"name at the cap", 2, Image().Record(capName, "v"), {"Keep", ShortName(capName)}},
        {"data length 4 GiB", 2, Image().U32(1).Text("D").U32(0xFFFFFFFF).Text("abc"), {"Keep"}},
        {"data length 2 GiB", 2, Image().U32(1).Text("D").U32(0x7FFFFFFF), {"Keep"}},
        {"data length one past the file", 2, Image().U32(1).Text("D").U32(4).Text("abc"), {"Keep"}},
        {"data at the cap, file ends", 2, Image().U32(1).Text("D").U32(kCap).Text("abc"), {"Keep"}},
        {"data longer than the cap", 2, Image().Record("D", overCap), {"Keep"}},
        {"data at the cap", 2, Image().Record("D", std::string(kCap, 'd')), {"Keep", "D"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Image image;
        image.Fields(4).U32(c.count).Record("Keep", "k");
        image.Text(std::string(c.tail.Get().begin(), c.tail.Get().end()));
        WriteFile(image.Get());

        ConfigStore store;
        LargestAllocation largest;
        store.Load(Path());
        // Nothing much larger than the file itself.
        EXPECT_LE(largest.Size(), image.Size() + 4096);
        EXPECT_EQ(NamesOf(store), c.names);
        ASSERT_FALSE(store.blobs.empty());
        EXPECT_EQ(DataOf(store.blobs[0]), "k");
    }
}

TEST_F(ConfigStoreFileTest, LevelsOutsideTheRangeAreMadeSane)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    struct Case {
        float stored;
        float loaded;
    };
    const Case cases[] = {
        {std::numeric_limits<float>::quiet_NaN(), 0.5f},
        {-std::numeric_limits<float>::quiet_NaN(), 0.5f},
        {kInf, 0.5f},
        {-kInf, 0.5f},
        {-0.25f, 0.0f},
        {1.5f, 1.0f},
        {std::numeric_limits<float>::max(), 1.0f},
        {0.0f, 0.0f},
        {1.0f, 1.0f},
        {0.3f, 0.3f},
        {std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::denorm_min()},
    };
    static_assert(std::size(cases) <= ConfigStore::kLevelCount);
    Image image;
    image.Header(3).U32(kNewMask).U32(kNewFlags);
    for (std::size_t i = 0; i < ConfigStore::kLevelCount; ++i)
        image.F32(i < std::size(cases) ? cases[i].stored : kNewLevel);
    const ConfigStore store = LoadOld(image.Get());
    for (std::size_t i = 0; i < ConfigStore::kLevelCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(store.levels[i], i < std::size(cases) ? cases[i].loaded : kNewLevel);
    }
}

TEST_F(ConfigStoreFileTest, DuplicateNamesAreKeptAndTheFirstIsTheOneUsed)
{
    const Bytes file = Image().Fields(4).U32(3).Record("Dup", "1").Record("Other", "o").Record("Dup", "2").Get();
    ConfigStore store = LoadOld(file);
    ASSERT_EQ(NamesOf(store), (std::vector<std::string>{"Dup", "Other", "Dup"}));

    char buffer[4] = {};
    int size = sizeof buffer;
    ASSERT_TRUE(store.GetBlob("Dup", buffer, &size));
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(size)), "1");

    store.SetBlob("Dup", "3", 1);
    EXPECT_TRUE(store.dirty);
    EXPECT_EQ(DataOf(store.blobs[0]), "3");
    EXPECT_EQ(DataOf(store.blobs[2]), "2");
    store.Save(Path());
    EXPECT_EQ(NamesOf(LoadOld(ReadFile())), (std::vector<std::string>{"Dup", "Other", "Dup"}));
}

TEST_F(ConfigStoreFileTest, SaveWhenCleanWritesNothing)
{
    ConfigStore store;
    store.resolutionMask = 1; // changed without marking the store dirty
    store.Save(Path());
    EXPECT_FALSE(fs::exists(Path()));

    const Bytes old = Image().Fields(4).U32(0).Get();
    WriteFile(old);
    store.Save(Path());
    EXPECT_EQ(ReadFile(), old);
    EXPECT_FALSE(fs::exists(TempPath()));
}

TEST_F(ConfigStoreFileTest, SaveReplacesTheOldFileWhole)
{
    WriteFile(Bytes(500, 0xEE)); // longer than the new file
    ConfigStore store;
    store.dirty = true;
    store.Save(Path());
    EXPECT_FALSE(store.dirty);
    EXPECT_EQ(ReadFile(), Image().Header(4).U32(255).U32(0).Levels(0.5f).U32(0).Get());
    EXPECT_FALSE(fs::exists(TempPath()));
}

TEST_F(ConfigStoreFileTest, FailedSaveKeepsTheOldFileAndDirty)
{
    enum class Obstacle { MissingFolder, FolderAtTemporary, FolderAtFile };
    struct Case {
        const char* what;
        Obstacle obstacle;
    };
    const Case cases[] = {
        {"the folder does not exist", Obstacle::MissingFolder},
        {"a folder stands where the temporary file goes", Obstacle::FolderAtTemporary},
        {"a folder stands where the file goes", Obstacle::FolderAtFile},
    };
    const Bytes old = Image().Fields(4).U32(1).Record("Old", "x").Get();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ignored;
        fs::remove_all(Path(), ignored);
        fs::remove_all(TempPath(), ignored);
        std::string path = Path();
        switch (c.obstacle) {
        case Obstacle::MissingFolder: path = (m_folder / "missing" / "Zelvante.config").string(); break;
        case Obstacle::FolderAtTemporary:
            WriteFile(old);
            fs::create_directory(TempPath());
            break;
        case Obstacle::FolderAtFile: fs::create_directory(Path()); break;
        }

        ConfigStore store;
        store.SetBlob("New", "y", 1);
        store.Save(path.c_str());
        EXPECT_TRUE(store.dirty);
        switch (c.obstacle) {
        case Obstacle::MissingFolder: EXPECT_FALSE(fs::exists(path)); break;
        case Obstacle::FolderAtTemporary:
            EXPECT_EQ(ReadFile(), old);
            EXPECT_TRUE(fs::is_directory(TempPath()));
            // Once the way is clear, the next save goes through.
            fs::remove(TempPath());
            store.Save(path.c_str());
            EXPECT_FALSE(store.dirty);
            EXPECT_EQ(NamesOf(LoadOld(ReadFile())), std::vector<std::string>{"New"});
            break;
        case Obstacle::FolderAtFile:
            EXPECT_TRUE(fs::is_directory(Path()));
            EXPECT_FALSE(fs::exists(TempPath()));
            break;
        }
    }
}

TEST(ConfigStoreTest, GetBlobResults)
{
    ConfigStore store;
    store.SetBlob("Data", "abc", 3);
    store.SetBlob("NoData", nullptr, 0);
    store.SetBlob("Empty", "", 0);

    struct Case {
        const char* name;
        bool withBuffer;
        int size;
        bool result;
        int sizeOut;
        std::string buffer; // the whole 24-byte buffer afterwards; '#' is untouched
    };
    const std::string untouched(24, '#');
    const Case cases[] = {
        {"Missing", true, 20, false, 0, untouched},
        {nullptr, true, 20, false, 0, untouched},
        {"data", true, 20, false, 0, untouched}, // names are case-sensitive
        {"Data", false, 20, false, 3, untouched},
        {"Data", true, 2, false, 3, untouched},
        {"Data", true, -1, false, 3, untouched},
        {"Data", true, 3, true, 3, std::string("abc").append(21, '#')},
        {"Data", true, 20, true, 3, std::string("abc").append(21, '#')},
        {"NoData", true, 20, true, 0, std::string(20, '\0') + "####"},
        {"NoData", true, 5, true, 0, std::string(5, '\0') + std::string(19, '#')},
        {"NoData", true, 0, true, 0, untouched},
        {"NoData", false, 20, false, 0, untouched},
        {"Empty", true, 20, true, 0, untouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name ? c.name : "(null)") + " size " + std::to_string(c.size));
        std::string buffer = untouched;
        int size = c.size;
        EXPECT_EQ(store.GetBlob(c.name, c.withBuffer ? buffer.data() : nullptr, &size), c.result);
        EXPECT_EQ(size, c.sizeOut);
        EXPECT_EQ(buffer, c.buffer);
    }
}

TEST(ConfigStoreTest, SetBlobChangesAndDirty)
{
    enum class Start { Absent, Abc, NoData, Empty };
    struct Case {
        const char* what;
        Start start;
        const char* data;
        int length;
        bool dirty;
        bool present;
        std::optional<std::string> after; // nullopt: no data
    };
    const Case cases[] = {
        {"new record", Start::Absent, "abc", 3, true, true, "abc"},
        {"new record without data", Start::Absent, nullptr, 0, true, true, std::nullopt},
        {"new empty record", Start::Absent, "", 0, true, true, ""},
        {"same bytes", Start::Abc, "abc", 3, false, true, "abc"},
        {"other bytes, same length", Start::Abc, "abd", 3, true, true, "abd"},
        {"other length", Start::Abc, "abcd", 4, true, true, "abcd"},
        {"prefix of the old bytes", Start::Abc, "ab", 2, true, true, "ab"},
        {"data removed", Start::Abc, nullptr, 0, true, true, std::nullopt},
        {"data removed, length ignored", Start::Abc, nullptr, 3, true, true, std::nullopt},
        {"no data again", Start::NoData, nullptr, 0, false, true, std::nullopt},
        {"data for a record without", Start::NoData, "q", 1, true, true, "q"},
        {"negative length refused", Start::Abc, "abc", -1, false, true, "abc"},
        {"negative length adds nothing", Start::Absent, "abc", -3, false, false, std::nullopt},
        {"over the cap", Start::Absent, "abc", static_cast<int>(ConfigStore::kMaxRecordBytes) + 1, false, false,
         std::nullopt},
        {"empty to nothing counts as equal", Start::Empty, nullptr, 0, false, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ConfigStore store;
        store.SetBlob("First", "1", 1);
        switch (c.start) {
        case Start::Absent: break;
        case Start::Abc: store.SetBlob("Name", "abc", 3); break;
        case Start::NoData: store.SetBlob("Name", nullptr, 0); break;
        case Start::Empty: store.SetBlob("Name", "", 0); break;
        }
        store.dirty = false;
        store.SetBlob("Name", c.data, c.length);
        EXPECT_EQ(store.dirty, c.dirty);
        if (!c.present) {
            EXPECT_EQ(NamesOf(store), std::vector<std::string>{"First"});
            continue;
        }
        ASSERT_EQ(NamesOf(store), (std::vector<std::string>{"First", "Name"}));
        const NamedBlob& blob = store.blobs[1];
        ASSERT_EQ(blob.data.has_value(), c.after.has_value());
        if (c.after) {
            EXPECT_EQ(DataOf(blob), *c.after);
        }
        EXPECT_EQ(blob.length(), c.after ? static_cast<std::int32_t>(c.after->size()) : 0);
    }
}

TEST(ConfigStoreTest, SetBlobCopiesAndIgnoresANullName)
{
    ConfigStore store;
    char value[] = "abc";
    store.SetBlob("Name", value, 3);
    value[0] = 'X';
    EXPECT_EQ(DataOf(store.blobs[0]), "abc");

    store.dirty = false;
    store.SetBlob(nullptr, "abc", 3);
    EXPECT_FALSE(store.dirty);
    EXPECT_EQ(store.blobs.size(), 1u);
}

// A path of `length` characters in a deep folder, ending in `ending`.
std::string PathOfLength(std::size_t length, const std::string& ending)
{
    std::string path("/");
    path.append(240, 'f').append("/");
    path.append(length - path.size() - ending.size(), 'p');
    return path.append(ending);
}

TEST(ConfigStoreTest, FilePathForModule)
{
    struct Case {
        std::string module;
        std::optional<std::string> settings;
    };
    const Case cases[] = {
        {"/opt/zelvante/Zelvante.exe", "/opt/zelvante/Zelvante.config"},
        {"/opt/zelvante/zelvante", "/opt/zelvante/zelvanteconfig"},
        {"/opt/v1.2/prog", "/opt/v1.2/progconfig"},
        {"/opt/a.b.c", "/opt/a.b.config"},
        {"/opt/prog.", "/opt/prog.config"},
        {"/opt/.hidden", "/opt/.config"},
        {"prog.exe", "prog.config"},
        {"prog", "progconfig"},
        {"C:\\Programs\\Zelvante\\Zelvante.exe", "C:\\Programs\\Zelvante\\Zelvante.config"},
        {"C:\\tools\\prog", "C:\\tools\\progconfig"},
        {"C:\\v1.2/prog", "C:\\v1.2/progconfig"},
        {"/v1.2\\prog", "/v1.2\\progconfig"},
        // 258 characters is the longest settings path; nothing is cut to fit.
        {PathOfLength(252, ""), PathOfLength(258, "config")},
        {PathOfLength(253, ""), std::nullopt},
        {PathOfLength(255, ".exe"), PathOfLength(258, ".config")},
        {PathOfLength(256, ".exe"), std::nullopt},
        {PathOfLength(259, ""), std::nullopt},
        {PathOfLength(260, ".exe"), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module);
        char path[MAX_PATH];
        std::memset(path, '#', sizeof path);
        EXPECT_EQ(ConfigStore::FilePathForModule(c.module.c_str(), path), c.settings.has_value());
        if (c.settings) {
            EXPECT_LE(c.settings->size(), ConfigStore::kMaxFilePathLength);
            EXPECT_EQ(std::string(path), *c.settings);
        } else {
            EXPECT_EQ(path[0], '#');
        }
    }
}

TEST(ConfigStoreTest, GetFilePathNamesTheFileBesideTheProgram)
{
    const std::string program = fs::read_symlink("/proc/self/exe").string();
    ASSERT_LT(program.size(), 240u) << "the build folder is too deep for this test";
    char path[MAX_PATH];
    ASSERT_TRUE(ConfigStore().GetFilePath(path));
    EXPECT_EQ(std::string(path), program + "config"); // the test program's name has no dot

    // Loading from beside the program reads no file here and only clears dirty.
    ASSERT_FALSE(fs::exists(path));
    ConfigStore store;
    MakeOld(store);
    store.Load();
    ExpectTaken(store, {false, false, false});
}

} // namespace
