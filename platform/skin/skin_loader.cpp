#include "platform/skin/skin_loader.h"

#include <pugixml.hpp>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <stdexcept>
#include <strings.h>

namespace zv::skin {
namespace {

// Any fault while reading; caught once at the top and turned into the failure message.
struct SkinFault : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Archive {
public:
    Archive(zip_t* zip, const SkinLimits& limits) : m_zip(zip), m_limits(limits)
    {
        const zip_int64_t entries = zip_get_num_entries(m_zip, 0);
        if (entries < 0 || static_cast<std::uint64_t>(entries) > m_limits.maxEntries)
            throw SkinFault("the archive has too many entries");
    }
    ~Archive() { zip_discard(m_zip); }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // The whole entry, within the limits; names compare without regard to case.
    std::vector<std::uint8_t> Read(const std::string& name)
    {
        const zip_int64_t index = zip_name_locate(m_zip, name.c_str(), ZIP_FL_NOCASE);
        if (index < 0)
            throw SkinFault("\"" + name + "\" is missing from the archive");
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(m_zip, static_cast<zip_uint64_t>(index), 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0)
            throw SkinFault("\"" + name + "\" cannot be read");
        if (stat.size > m_limits.maxEntryBytes || m_totalBytes + stat.size > m_limits.maxTotalBytes)
            throw SkinFault("\"" + name + "\" is too large");
        m_totalBytes += stat.size;
        zip_file_t* file = zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0);
        if (!file)
            throw SkinFault("\"" + name + "\" cannot be opened: " + zip_strerror(m_zip));
        // One byte more than announced, so an entry that holds more than its header says is caught.
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stat.size) + 1);
        const zip_int64_t got = zip_fread(file, bytes.data(), bytes.size());
        zip_fclose(file);
        if (got != static_cast<zip_int64_t>(stat.size))
            throw SkinFault("\"" + name + "\" is damaged");
        bytes.pop_back();
        return bytes;
    }

private:
    zip_t* m_zip;
    const SkinLimits& m_limits;
    std::uint64_t m_totalBytes = 0;
};

COLORREF ParseColour(const char* text)
{
    if (!*text)
        return CLR_INVALID;
    unsigned value = 0;
    const std::size_t length = std::strlen(text);
    if (text[0] != '#' || length != 7 || std::from_chars(text + 1, text + 7, value, 16).ptr != text + 7)
        throw SkinFault(std::string("bad colour \"") + text + "\"");
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

LONG ParseNumber(const char* text, const char* what)
{
    LONG value = 0;
    const char* end = text + std::strlen(text);
    const auto [ptr, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || ptr != end || value < -100000 || value > 100000)
        throw SkinFault(std::string("bad ") + what + " \"" + text + "\"");
    return value;
}

// Whitespace-separated whole numbers, exactly `count` of them.
std::vector<LONG> ParseNumbers(const char* text, std::size_t count, const char* what)
{
    std::vector<LONG> values;
    std::string word;
    for (const char* p = text;; ++p) {
        if (*p == ' ' || *p == ',' || *p == '\0') {
            if (!word.empty())
                values.push_back(ParseNumber(word.c_str(), what));
            word.clear();
            if (*p == '\0')
                break;
        } else {
            word += *p;
        }
    }
    if (values.size() != count)
        throw SkinFault(std::string("bad ") + what + " \"" + text + "\"");
    return values;
}

class SkinReader {
public:
    SkinReader(Archive& archive, const SkinLimits& limits) : m_archive(archive), m_limits(limits) {}

    std::shared_ptr<SkinDocument> Read()
    {
        const std::vector<std::uint8_t> xml = m_archive.Read("skin.xml");
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size());
        if (!parsed)
            throw SkinFault(std::string("skin.xml: ") + parsed.description() + " at byte " +
                            std::to_string(parsed.offset));
        const pugi::xml_node root = doc.child("skin");
        if (!root)
            throw SkinFault("skin.xml has no <skin> element");
        auto skin = std::make_shared<SkinDocument>();
        skin->name = root.attribute("name").as_string();
        for (const pugi::xml_node style : root.children("style"))
            ReadStyle(style);
        if (const pugi::xml_node menu = root.child("menu"))
            ReadMenuLook(menu, skin->menu);
        for (const pugi::xml_node form : root.children("form")) {
            ElementSpec spec;
            ReadElement(form, ElementKind::Form, spec, 0);
            skin->forms.push_back(std::move(spec));
        }
        if (skin->forms.empty())
            throw SkinFault("the skin has no form");
        return skin;
    }

private:
    void ReadStyle(const pugi::xml_node node)
    {
        const std::string id = node.attribute("id").as_string();
        if (id.empty())
            throw SkinFault("a <style> has no id");
        SkinCaptionStyle style = DefaultCaptionStyle();
        if (const char* face = node.attribute("face").as_string(); *face) {
            std::memset(style.faceName, 0, sizeof style.faceName);
            std::strncpy(style.faceName, face, sizeof style.faceName - 1);
        }
        if (node.attribute("height"))
            style.height = std::clamp(ParseNumber(node.attribute("height").value(), "height"), 4, 200);
        if (node.attribute("weight"))
            style.weight = std::clamp(ParseNumber(node.attribute("weight").value(), "weight"), 100, 900);
        style.italic = node.attribute("italic").as_bool() ? 1 : 0;
        if (node.attribute("color"))
            style.colour = ParseColour(node.attribute("color").value());
        style.shadowColour = ParseColour(node.attribute("shadow").as_string());
        style.shadowDx = ParseNumber(node.attribute("shadow-dx").as_string("0"), "shadow-dx");
        style.shadowDy = ParseNumber(node.attribute("shadow-dy").as_string("1"), "shadow-dy");
        style.marginX = ParseNumber(node.attribute("margin-x").as_string("0"), "margin-x");
        style.marginY = ParseNumber(node.attribute("margin-y").as_string("0"), "margin-y");
        if (node.attribute("align"))
            style.format = static_cast<UINT>(ParseNumber(node.attribute("align").value(), "align")) &
                           (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK);
        m_styles[id] = style;
    }

    const SkinCaptionStyle& Style(const char* id)
    {
        const auto found = m_styles.find(id);
        if (found == m_styles.end())
            throw SkinFault(std::string("no style \"") + id + "\"");
        return found->second;
    }

    void ReadMenuLook(const pugi::xml_node node, MenuLook& look)
    {
        look.font = *node.attribute("style").as_string() ? Style(node.attribute("style").value()) : DefaultCaptionStyle();
        const auto colour = [&](const char* name, COLORREF& into) {
            if (node.attribute(name))
                into = ParseColour(node.attribute(name).value());
        };
        colour("background", look.background);
        colour("border", look.border);
        colour("text", look.text);
        colour("highlight", look.highlight);
        colour("highlight-text", look.highlightText);
        colour("grayed", look.grayed);
        colour("separator", look.separator);
        if (node.attribute("item-height"))
            look.itemHeight = std::clamp(ParseNumber(node.attribute("item-height").value(), "item-height"), 12, 64);
    }

    std::shared_ptr<const SkinImage> Picture(const pugi::xml_node node, const char* attribute)
    {
        const std::string file = node.attribute(attribute).as_string();
        if (file.empty())
            return nullptr;
        if (const auto found = m_pictures.find(file); found != m_pictures.end())
            return found->second;
        const std::vector<std::uint8_t> bytes = m_archive.Read(file);
        std::string error;
        std::shared_ptr<SkinImage> picture = SkinImage::DecodePng(bytes.data(), bytes.size(), m_limits.maxImageSide, &error);
        if (!picture)
            throw SkinFault("\"" + file + "\": " + error);
        m_pixels += static_cast<std::uint64_t>(picture->Width()) * static_cast<std::uint64_t>(picture->Height());
        if (m_pixels > m_limits.maxImagePixels)
            throw SkinFault("the pictures are too large together");
        m_pictures.emplace(file, picture);
        return picture;
    }

    StatePictures Pictures(const pugi::xml_node node, const char* normal, const char* hover, const char* pressed,
                           const char* disabled)
    {
        StatePictures pictures;
        pictures.normal = Picture(node, normal);
        pictures.hover = Picture(node, hover);
        pictures.pressed = Picture(node, pressed);
        pictures.disabled = Picture(node, disabled);
        return pictures;
    }

    static ElementKind KindOf(const pugi::xml_node node)
    {
        static const std::pair<const char*, ElementKind> kKinds[] = {
            {"image", ElementKind::Image},   {"panel", ElementKind::Panel},   {"button", ElementKind::Button},
            {"text", ElementKind::Text},     {"slider", ElementKind::Slider}, {"check", ElementKind::CheckBox},
            {"frame", ElementKind::Frame},
        };
        for (const auto& [name, kind] : kKinds) {
            if (std::strcmp(node.name(), name) == 0)
                return kind;
        }
        throw SkinFault(std::string("unknown element <") + node.name() + ">");
    }

    void ReadElement(const pugi::xml_node node, ElementKind kind, ElementSpec& spec, int depth)
    {
        if (depth > m_limits.maxDepth)
            throw SkinFault("elements are nested too deeply");
        if (++m_elements > m_limits.maxElements)
            throw SkinFault("the skin has too many elements");
        spec.kind = kind;
        spec.name = node.attribute("name").as_string();
        if (kind == ElementKind::Form) {
            if (spec.name.empty())
                throw SkinFault("a form has no name");
            const std::vector<LONG> size = ParseNumbers(node.attribute("size").as_string(), 2, "size");
            if (size[0] <= 0 || size[1] <= 0 || size[0] > m_limits.maxImageSide || size[1] > m_limits.maxImageSide)
                throw SkinFault("form \"" + spec.name + "\" has a bad size");
            spec.rect = RECT{0, 0, size[0], size[1]};
        } else {
            const std::vector<LONG> r = ParseNumbers(node.attribute("rect").as_string(), 4, "rect");
            if (r[2] < 0 || r[3] < 0)
                throw SkinFault("element \"" + spec.name + "\" has a negative size");
            spec.rect = RECT{r[0], r[1], r[0] + r[2], r[1] + r[3]};
        }
        spec.visible = node.attribute("visible").as_bool(true);
        spec.enabled = node.attribute("enabled").as_bool(true);
        spec.colour = ParseColour(node.attribute("color").as_string());
        spec.slice = std::clamp(ParseNumber(node.attribute("slice").as_string("0"), "slice"), 0, 256);
        spec.pictures = Pictures(node, "image", "hover", "pressed", "disabled");
        spec.thumb = Pictures(node, "thumb", "thumb-hover", "thumb-pressed", "thumb-disabled");
        spec.checked = Pictures(node, "checked", "checked-hover", "checked-pressed", "checked-disabled");
        spec.icon = Picture(node, "icon");
        spec.text = node.attribute("text").as_string();
        spec.tooltip = node.attribute("tooltip").as_string();
        const SkinCaptionStyle base = *node.attribute("style").as_string() ? Style(node.attribute("style").value())
                                                                           : DefaultCaptionStyle();
        spec.styles = {base, base, base};
        if (*node.attribute("hover-style").as_string())
            spec.styles[1] = Style(node.attribute("hover-style").value());
        if (*node.attribute("pressed-style").as_string())
            spec.styles[2] = Style(node.attribute("pressed-style").value());
        spec.minimum = ParseNumber(node.attribute("min").as_string("0"), "min");
        spec.maximum = ParseNumber(node.attribute("max").as_string("100"), "max");
        if (spec.maximum < spec.minimum)
            throw SkinFault("element \"" + spec.name + "\" has its maximum below its minimum");
        spec.position = std::clamp(ParseNumber(node.attribute("position").as_string("0"), "position"), spec.minimum,
                                   spec.maximum);
        spec.reversed = node.attribute("reversed").as_bool();
        spec.value = node.attribute("value").as_bool() ? 1 : 0;
        spec.grows = kind == ElementKind::Text && node.attribute("grow").as_bool();
        for (const pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element)
                continue;
            ElementSpec childSpec;
            ReadElement(child, KindOf(child), childSpec, depth + 1);
            spec.children.push_back(std::move(childSpec));
        }
    }

    Archive& m_archive;
    const SkinLimits& m_limits;
    std::map<std::string, SkinCaptionStyle> m_styles;
    std::map<std::string, std::shared_ptr<const SkinImage>> m_pictures;
    std::uint64_t m_pixels = 0;
    std::size_t m_elements = 0;
};

SkinLoadResult ReadArchive(zip_t* zip, const SkinLimits& limits)
{
    SkinLoadResult result;
    try {
        Archive archive(zip, limits);
        SkinReader reader(archive, limits);
        result.skin = reader.Read();
    } catch (const SkinFault& fault) {
        result.error = fault.what();
    } catch (const std::bad_alloc&) {
        result.error = "out of memory";
    }
    return result;
}

} // namespace

SkinLoadResult LoadSkinFile(const std::string& path, const SkinLimits& limits)
{
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!zip) {
        zip_error_t details;
        zip_error_init_with_code(&details, error);
        SkinLoadResult result;
        result.error = "\"" + path + "\": " + zip_error_strerror(&details);
        zip_error_fini(&details);
        return result;
    }
    return ReadArchive(zip, limits);
}

SkinLoadResult LoadSkinBytes(const std::uint8_t* bytes, std::size_t size, const SkinLimits& limits)
{
    SkinLoadResult result;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes, size, 0, &error);
    zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!zip) {
        if (source)
            zip_source_free(source);
        result.error = std::string("not a skin archive: ") + zip_error_strerror(&error);
        zip_error_fini(&error);
        return result;
    }
    zip_error_fini(&error);
    return ReadArchive(zip, limits);
}

} // namespace zv::skin
