#include "resource_script.h"

#include "style_names.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace zvrc {

namespace {

// Standard resource types (published ordinals).
constexpr std::uint16_t RT_CURSOR = 1;
constexpr std::uint16_t RT_BITMAP = 2;
constexpr std::uint16_t RT_ICON = 3;
constexpr std::uint16_t RT_MENU = 4;
constexpr std::uint16_t RT_DIALOG = 5;
constexpr std::uint16_t RT_STRING = 6;
constexpr std::uint16_t RT_RCDATA = 10;
constexpr std::uint16_t RT_GROUP_CURSOR = 12;
constexpr std::uint16_t RT_GROUP_ICON = 14;
constexpr std::uint16_t RT_VERSION = 16;
constexpr std::uint16_t RT_HTML = 23;

// Menu item flags of a menu template.
constexpr std::uint16_t MF_GRAYED = 0x1;
constexpr std::uint16_t MF_DISABLED = 0x2;
constexpr std::uint16_t MF_CHECKED = 0x8;
constexpr std::uint16_t MF_POPUP = 0x10;
constexpr std::uint16_t MF_MENUBARBREAK = 0x20;
constexpr std::uint16_t MF_MENUBREAK = 0x40;
constexpr std::uint16_t MF_SEPARATOR = 0x800;
constexpr std::uint16_t MF_HELP = 0x4000;

constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_BORDER = 0x00800000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_GROUP = 0x00020000;
constexpr std::uint32_t WS_TABSTOP = 0x00010000;
constexpr std::uint32_t DS_SETFONT = 0x40;

// Class ordinals of the predefined control classes in a dialog template.
constexpr std::uint16_t kButton = 0x80, kEdit = 0x81, kStatic = 0x82;

struct ControlShorthand {
    const char* keyword;
    std::uint16_t classOrdinal;
    std::uint32_t style;
    bool hasText;
};

// Short control statements: the class and the styles each implies.
constexpr ControlShorthand kShorthands[] = {
    {"LTEXT", kStatic, 0x0 | WS_GROUP, true},
    {"CTEXT", kStatic, 0x1 | WS_GROUP, true},
    {"RTEXT", kStatic, 0x2 | WS_GROUP, true},
    {"ICON", kStatic, 0x3, true},
    {"PUSHBUTTON", kButton, 0x0 | WS_TABSTOP, true},
    {"DEFPUSHBUTTON", kButton, 0x1 | WS_TABSTOP, true},
    {"CHECKBOX", kButton, 0x2 | WS_TABSTOP, true},
    {"AUTOCHECKBOX", kButton, 0x3 | WS_TABSTOP, true},
    {"RADIOBUTTON", kButton, 0x4, true},
    {"AUTORADIOBUTTON", kButton, 0x9, true},
    {"GROUPBOX", kButton, 0x7, true},
    {"EDITTEXT", kEdit, WS_BORDER | WS_TABSTOP, false},
};

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read file '" + path.string() + "'");
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::uint16_t ReadWord(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t ReadDword(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(ReadWord(bytes, at)) | (static_cast<std::uint32_t>(ReadWord(bytes, at + 2)) << 16);
}

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutDword(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    PutWord(out, static_cast<std::uint16_t>(value & 0xFFFF));
    PutWord(out, static_cast<std::uint16_t>(value >> 16));
}

class ScriptParser {
public:
    ScriptParser(const std::string& path, std::vector<Token> tokens)
        : path_(path), folder_(std::filesystem::path(path).parent_path()), tokens_(std::move(tokens))
    {
    }

    std::vector<CompiledResource> Run()
    {
        while (Peek().kind != TokenKind::End) {
            if (PeekWord("STRINGTABLE")) {
                Take();
                ParseStringTable();
                continue;
            }
            const int line = Peek().line;
            const ResourceId name = ParseName();
            const Token& type = Take();
            if (type.kind == TokenKind::Word && Upper(type.text) == "MENU")
                Add(line, ResourceId{RT_MENU, {}}, name, EncodeMenu(ParseMenuBlock()));
            else if (type.kind == TokenKind::Word && (Upper(type.text) == "DIALOGEX" || Upper(type.text) == "DIALOG"))
                Add(line, ResourceId{RT_DIALOG, {}}, name, Encode(line, [&] { return EncodeDialog(ParseDialog()); }));
            else if (type.kind == TokenKind::Word && Upper(type.text) == "VERSIONINFO")
                Add(line, ResourceId{RT_VERSION, {}}, name, Encode(line, [&] { return EncodeVersionInfo(ParseVersion()); }));
            else if (type.kind == TokenKind::Word || type.kind == TokenKind::Number)
                AddFileResource(line, name, type);
            else
                Fail(type, "resource type expected after the name");
        }
        AddStringBlocks();
        return std::move(resources_);
    }

private:
    [[noreturn]] void Fail(const Token& at, const std::string& message) const
    {
        throw ScriptError(path_, at.line, message);
    }

    const Token& Peek() const { return tokens_[pos_]; }
    const Token& Take()
    {
        const Token& token = tokens_[pos_];
        if (token.kind != TokenKind::End)
            ++pos_;
        return token;
    }
    bool PeekWord(const char* word) const
    {
        return Peek().kind == TokenKind::Word && Upper(Peek().text) == word;
    }
    bool PeekPunct(const char* punct) const { return Peek().kind == TokenKind::Punct && Peek().text == punct; }
    bool TakePunct(const char* punct)
    {
        if (!PeekPunct(punct))
            return false;
        Take();
        return true;
    }
    void ExpectComma()
    {
        if (!TakePunct(","))
            Fail(Peek(), "',' expected before '" + Peek().text + "'");
    }
    void ExpectBegin()
    {
        if (PeekWord("BEGIN") || PeekPunct("{")) {
            Take();
            return;
        }
        Fail(Peek(), "BEGIN expected before '" + Peek().text + "'");
    }
    bool TakeEnd()
    {
        if (PeekWord("END") || PeekPunct("}")) {
            Take();
            return true;
        }
        if (Peek().kind == TokenKind::End)
            Fail(Peek(), "END missing at the end of the file");
        return false;
    }
    std::string ExpectString()
    {
        if (Peek().kind != TokenKind::String)
            Fail(Peek(), "quoted text expected before '" + Peek().text + "'");
        return Take().text;
    }

    template <typename Encoder>
    std::vector<std::uint8_t> Encode(int line, Encoder encoder)
    {
        try {
            return encoder();
        } catch (const ScriptError&) {
            throw;
        } catch (const std::runtime_error& error) {
            throw ScriptError(path_, line, error.what());
        }
    }

    ResourceId ParseName()
    {
        const Token& token = Take();
        if (token.kind == TokenKind::Number) {
            if (token.number < 1 || token.number > 0xFFFF)
                Fail(token, "resource id " + token.text + " out of range 1..65535");
            return ResourceId{static_cast<std::uint16_t>(token.number), {}};
        }
        if (token.kind == TokenKind::Word || (token.kind == TokenKind::String && !token.text.empty()))
            return ResourceId{0, Upper(token.text)};
        Fail(token, "resource name expected before '" + token.text + "'");
    }

    // term ('|' term)*; a term is NOT x (clears bits of the defaults), a number, a name or (expr).
    std::uint32_t ParseExpression(std::uint32_t value = 0)
    {
        do {
            bool clear = false;
            if (PeekWord("NOT")) {
                Take();
                clear = true;
            }
            const std::uint32_t term = ParseTerm();
            value = clear ? (value & ~term) : (value | term);
        } while (TakePunct("|"));
        return value;
    }

    std::uint32_t ParseTerm()
    {
        if (TakePunct("(")) {
            const std::uint32_t value = ParseExpression();
            if (!TakePunct(")"))
                Fail(Peek(), "')' expected");
            return value;
        }
        const Token& token = Take();
        if (token.kind == TokenKind::Number)
            return static_cast<std::uint32_t>(token.number);
        if (token.kind == TokenKind::Word) {
            if (token.text.size() > 1 && token.text[0] == '-' && std::isdigit(static_cast<unsigned char>(token.text[1]))) {
                std::size_t used = 0;
                long long value = 0;
                try {
                    value = std::stoll(token.text, &used, 0);
                } catch (const std::exception&) {
                    used = 0;
                }
                if (used != token.text.size() || value < -0x80000000LL)
                    Fail(token, "bad number '" + token.text + "'");
                return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
            }
            if (const auto value = NamedConstant(Upper(token.text)))
                return *value;
            Fail(token, "unknown name '" + token.text + "'");
        }
        Fail(token, "number or name expected before '" + token.text + "'");
    }

    std::int16_t ParseCoordinate()
    {
        const Token& at = Peek();
        const auto value = static_cast<std::int32_t>(ParseExpression());
        if (value < -32768 || value > 32767)
            Fail(at, "coordinate out of range");
        return static_cast<std::int16_t>(value);
    }

    void ParseStringTable()
    {
        ExpectBegin();
        while (!TakeEnd()) {
            const Token& idToken = Peek();
            const std::uint32_t id = ParseExpression();
            if (id > 0xFFFF)
                Fail(idToken, "string id out of range 0..65535");
            TakePunct(",");
            const Token& textToken = Peek();
            std::string text = ExpectString();
            if (text.empty())
                Fail(textToken, "string " + std::to_string(id) + " is empty (an empty string cannot be stored)");
            try {
                Utf16(text);
            } catch (const std::runtime_error& error) {
                Fail(textToken, error.what());
            }
            if (!strings_.emplace(static_cast<std::uint16_t>(id), std::move(text)).second)
                Fail(idToken, "string id " + std::to_string(id) + " defined twice");
        }
    }

    void AddStringBlocks()
    {
        std::set<std::uint16_t> blocks;
        for (const auto& entry : strings_)
            blocks.insert(static_cast<std::uint16_t>(entry.first / 16));
        for (std::uint16_t block : blocks) {
            CompiledResource resource;
            resource.type = ResourceId{RT_STRING, {}};
            resource.name = ResourceId{static_cast<std::uint16_t>(block + 1), {}};
            resource.data = EncodeStringBlock(strings_, block);
            resources_.push_back(std::move(resource));
        }
    }

    std::vector<MenuNode> ParseMenuBlock()
    {
        std::vector<MenuNode> items;
        ExpectBegin();
        while (!TakeEnd()) {
            const Token& keyword = Take();
            MenuNode item;
            if (keyword.kind == TokenKind::Word && Upper(keyword.text) == "MENUITEM") {
                if (PeekWord("SEPARATOR")) {
                    Take();
                    item.flags = MF_SEPARATOR;
                } else {
                    item.text = ExpectString();
                    ExpectComma();
                    const Token& idToken = Peek();
                    item.id = ParseExpression();
                    if (item.id > 0xFFFF)
                        Fail(idToken, "menu command id out of range 0..65535");
                    item.flags = ParseMenuOptions();
                }
            } else if (keyword.kind == TokenKind::Word && Upper(keyword.text) == "POPUP") {
                item.text = ExpectString();
                item.flags = static_cast<std::uint16_t>(ParseMenuOptions() | MF_POPUP);
                item.children = ParseMenuBlock();
                if (item.children.empty())
                    Fail(keyword, "pop-up \"" + item.text + "\" has no items");
            } else {
                Fail(keyword, "MENUITEM or POPUP expected before '" + keyword.text + "'");
            }
            try {
                Utf16(item.text);
            } catch (const std::runtime_error& error) {
                Fail(keyword, error.what());
            }
            items.push_back(std::move(item));
        }
        return items;
    }

    std::uint16_t ParseMenuOptions()
    {
        static const std::pair<const char*, std::uint16_t> kOptions[] = {
            {"CHECKED", MF_CHECKED}, {"GRAYED", MF_GRAYED},           {"INACTIVE", MF_DISABLED},
            {"MENUBREAK", MF_MENUBREAK}, {"MENUBARBREAK", MF_MENUBARBREAK}, {"HELP", MF_HELP},
        };
        std::uint16_t flags = 0;
        for (;;) {
            const std::size_t mark = pos_;
            TakePunct(",");
            bool matched = false;
            for (const auto& [word, flag] : kOptions) {
                if (PeekWord(word)) {
                    Take();
                    flags |= flag;
                    matched = true;
                    break;
                }
            }
            if (!matched) {
                pos_ = mark;
                return flags;
            }
        }
    }

    DialogDefinition ParseDialog()
    {
        DialogDefinition dialog;
        dialog.x = ParseCoordinate();
        ExpectComma();
        dialog.y = ParseCoordinate();
        ExpectComma();
        dialog.cx = ParseCoordinate();
        ExpectComma();
        dialog.cy = ParseCoordinate();
        // Without STYLE: a bordered pop-up with a system menu, and a title bar when it has a
        // caption. With STYLE: exactly those styles (skinned windows carry a caption but no bar).
        dialog.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
        bool styleGiven = false;
        for (;;) {
            const Token& option = Peek();
            const std::string word = option.kind == TokenKind::Word ? Upper(option.text) : std::string();
            if (word == "STYLE") {
                Take();
                dialog.style = ParseExpression();
                styleGiven = true;
            } else if (word == "EXSTYLE") {
                Take();
                dialog.exStyle = ParseExpression();
            } else if (word == "CAPTION") {
                Take();
                dialog.caption = ExpectString();
            } else if (word == "CLASS") {
                Take();
                dialog.className.text = ExpectString();
            } else if (word == "MENU") {
                Take();
                const ResourceId menu = ParseName();
                dialog.menu.isOrdinal = menu.name.empty();
                dialog.menu.ordinal = menu.ordinal;
                dialog.menu.text = menu.name;
            } else if (word == "FONT") {
                Take();
                ParseFont(dialog);
            } else {
                break;
            }
        }
        if (!dialog.caption.empty() && !styleGiven)
            dialog.style |= WS_CAPTION;
        if (dialog.hasFont)
            dialog.style |= DS_SETFONT;
        ExpectBegin();
        while (!TakeEnd())
            dialog.controls.push_back(ParseControl());
        if (dialog.controls.size() > 0xFFFF)
            Fail(Peek(), "too many controls");
        return dialog;
    }

    // Four comma-separated parts into the two 32-bit halves of a version.
    void ParseVersionNumber(std::uint32_t& high, std::uint32_t& low)
    {
        std::uint32_t parts[4];
        for (int i = 0; i < 4; ++i) {
            if (i > 0)
                ExpectComma();
            const Token& at = Peek();
            parts[i] = ParseExpression();
            if (parts[i] > 0xFFFF)
                Fail(at, "version part out of range 0..65535");
        }
        high = parts[0] << 16 | parts[1];
        low = parts[2] << 16 | parts[3];
    }

    VersionDefinition ParseVersion()
    {
        VersionDefinition version;
        std::uint32_t* fixed = version.fixed;
        fixed[0] = 0xFEEF04BD; // signature
        fixed[1] = 0x00010000; // structure version 1.0
        static const std::pair<const char*, int> kFields[] = {
            {"FILEFLAGSMASK", 6}, {"FILEFLAGS", 7}, {"FILEOS", 8}, {"FILETYPE", 9}, {"FILESUBTYPE", 10},
        };
        for (;;) {
            if (PeekWord("FILEVERSION")) {
                Take();
                ParseVersionNumber(fixed[2], fixed[3]);
                continue;
            }
            if (PeekWord("PRODUCTVERSION")) {
                Take();
                ParseVersionNumber(fixed[4], fixed[5]);
                continue;
            }
            const auto* field = std::find_if(std::begin(kFields), std::end(kFields),
                                             [&](const auto& f) { return PeekWord(f.first); });
            if (field == std::end(kFields))
                break;
            Take();
            fixed[field->second] = ParseExpression();
        }
        version.blocks = ParseVersionBlock();
        return version;
    }

    // BEGIN { BLOCK "key" <block> | VALUE "key", "text" | VALUE "key", number, ... } END
    std::vector<VersionNode> ParseVersionBlock()
    {
        std::vector<VersionNode> nodes;
        ExpectBegin();
        while (!TakeEnd()) {
            const Token& keyword = Take();
            VersionNode node;
            if (keyword.kind == TokenKind::Word && Upper(keyword.text) == "BLOCK") {
                node.key = ExpectString();
                node.children = ParseVersionBlock();
            } else if (keyword.kind == TokenKind::Word && Upper(keyword.text) == "VALUE") {
                node.key = ExpectString();
                ExpectComma();
                if (Peek().kind == TokenKind::String) {
                    node.isText = true;
                    node.text = Take().text;
                } else {
                    do {
                        const Token& at = Peek();
                        const std::uint32_t word = ParseExpression();
                        if (word > 0xFFFF)
                            Fail(at, "version value out of range 0..65535");
                        node.words.push_back(static_cast<std::uint16_t>(word));
                    } while (TakePunct(","));
                }
            } else {
                Fail(keyword, "BLOCK or VALUE expected before '" + keyword.text + "'");
            }
            if (node.key.empty())
                Fail(keyword, "empty version key");
            nodes.push_back(std::move(node));
        }
        return nodes;
    }

    void ParseFont(DialogDefinition& dialog)
    {
        const Token& sizeToken = Peek();
        const std::uint32_t size = ParseExpression();
        if (size == 0 || size > 0xFFFF)
            Fail(sizeToken, "font point size out of range");
        dialog.hasFont = true;
        dialog.pointSize = static_cast<std::uint16_t>(size);
        ExpectComma();
        dialog.typeface = ExpectString();
        if (dialog.typeface.empty())
            Fail(sizeToken, "font face name is empty");
        if (TakePunct(",")) {
            dialog.weight = static_cast<std::uint16_t>(ParseExpression());
            ExpectComma();
            dialog.italic = static_cast<std::uint8_t>(ParseExpression() != 0);
            ExpectComma();
            dialog.charset = static_cast<std::uint8_t>(ParseExpression());
        }
    }

    NameOrOrdinal ParseControlText()
    {
        NameOrOrdinal text;
        if (Peek().kind == TokenKind::Number) {
            const Token& token = Take();
            if (token.number > 0xFFFF)
                Fail(token, "ordinal out of range");
            text.isOrdinal = true;
            text.ordinal = static_cast<std::uint16_t>(token.number);
        } else {
            text.text = ExpectString();
        }
        return text;
    }

    NameOrOrdinal ParseControlClass()
    {
        static const char* const kClasses[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
        const Token& token = Take();
        if (token.kind != TokenKind::Word && token.kind != TokenKind::String)
            Fail(token, "control class expected before '" + token.text + "'");
        for (std::uint16_t i = 0; i < 6; ++i) {
            if (Upper(token.text) == kClasses[i])
                return NameOrOrdinal{true, static_cast<std::uint16_t>(0x80 + i), {}};
        }
        if (token.kind == TokenKind::Word)
            Fail(token, "unknown control class '" + token.text + "' (quote other class names)");
        if (token.text.empty())
            Fail(token, "empty control class");
        return NameOrOrdinal{false, 0, token.text};
    }

    // The trailing "x, y, cx, cy".
    void ParseRectangle(DialogControl& control)
    {
        control.x = ParseCoordinate();
        ExpectComma();
        control.y = ParseCoordinate();
        ExpectComma();
        control.cx = ParseCoordinate();
        ExpectComma();
        control.cy = ParseCoordinate();
    }

    DialogControl ParseControl()
    {
        const Token& keyword = Take();
        if (keyword.kind != TokenKind::Word)
            Fail(keyword, "control statement expected before '" + keyword.text + "'");
        const std::string word = Upper(keyword.text);
        DialogControl control;
        if (word == "CONTROL") {
            control.text = ParseControlText();
            ExpectComma();
            control.id = ParseExpression();
            ExpectComma();
            control.className = ParseControlClass();
            ExpectComma();
            control.style = ParseExpression(WS_CHILD | WS_VISIBLE);
            ExpectComma();
            ParseRectangle(control);
            if (TakePunct(","))
                control.exStyle = ParseExpression();
            CheckText(keyword, control);
            return control;
        }
        const auto* shorthand = std::find_if(std::begin(kShorthands), std::end(kShorthands),
                                             [&](const ControlShorthand& s) { return word == s.keyword; });
        if (shorthand == std::end(kShorthands))
            Fail(keyword, "unknown control statement '" + keyword.text + "'");
        control.className = NameOrOrdinal{true, shorthand->classOrdinal, {}};
        if (shorthand->hasText) {
            control.text = ParseControlText();
            ExpectComma();
        }
        control.id = ParseExpression();
        ExpectComma();
        if (word == "ICON") {
            // ICON name, id, x, y [, cx, cy [, style [, exstyle]]]
            control.x = ParseCoordinate();
            ExpectComma();
            control.y = ParseCoordinate();
            if (TakePunct(",")) {
                control.cx = ParseCoordinate();
                ExpectComma();
                control.cy = ParseCoordinate();
            }
        } else {
            ParseRectangle(control);
        }
        control.style = WS_CHILD | WS_VISIBLE | shorthand->style;
        if (TakePunct(",")) {
            control.style = ParseExpression(control.style);
            if (TakePunct(","))
                control.exStyle = ParseExpression();
        }
        CheckText(keyword, control);
        return control;
    }

    void CheckText(const Token& at, const DialogControl& control)
    {
        try {
            Utf16(control.text.text);
        } catch (const std::runtime_error& error) {
            Fail(at, error.what());
        }
    }

    void AddFileResource(int line, const ResourceId& name, const Token& typeToken)
    {
        const Token& fileToken = Peek();
        const std::filesystem::path file = folder_ / ExpectString();
        std::error_code error;
        const auto size = std::filesystem::file_size(file, error);
        if (error)
            Fail(fileToken, "cannot read file '" + file.string() + "'");
        ResourceId type;
        if (typeToken.kind == TokenKind::Number) {
            if (typeToken.number < 1 || typeToken.number > 0xFFFF)
                Fail(typeToken, "resource type out of range");
            type.ordinal = static_cast<std::uint16_t>(typeToken.number);
        } else {
            const std::string word = Upper(typeToken.text);
            if (word == "ICON" || word == "CURSOR") {
                AddIconGroup(line, name, word == "CURSOR", file);
                return;
            }
            if (word == "BITMAP") {
                Add(line, ResourceId{RT_BITMAP, {}}, name, Encode(line, [&] { return BitmapWithoutFileHeader(file); }));
                return;
            }
            if (word == "HTML")
                type.ordinal = RT_HTML;
            else if (word == "RCDATA")
                type.ordinal = RT_RCDATA;
            else
                type.name = word;
        }
        const std::string absolute = std::filesystem::absolute(file).lexically_normal().string();
        if (absolute.find_first_of("\"\\\n") != std::string::npos)
            Fail(fileToken, "file path holds a quote, backslash or line break: '" + absolute + "'");
        if (size > 0xFFFFFFFFull)
            Fail(fileToken, "file too large");
        CompiledResource resource;
        resource.file = absolute;
        resource.fileSize = size;
        Add(line, type, name, std::move(resource));
    }

    // A bitmap resource is the .bmp file without its 14-byte file header.
    static std::vector<std::uint8_t> BitmapWithoutFileHeader(const std::filesystem::path& file)
    {
        std::vector<std::uint8_t> bytes = ReadFile(file);
        if (bytes.size() < 14 + 40 || bytes[0] != 'B' || bytes[1] != 'M')
            throw std::runtime_error("'" + file.string() + "' is not a BMP file");
        bytes.erase(bytes.begin(), bytes.begin() + 14);
        return bytes;
    }

    // An .ico or .cur file becomes one RT_ICON (RT_CURSOR) per picture, numbered across the set,
    // and a directory (RT_GROUP_ICON / RT_GROUP_CURSOR) under the given name that lists them.
    void AddIconGroup(int line, const ResourceId& name, bool cursor, const std::filesystem::path& file)
    {
        std::vector<std::uint8_t> bytes;
        try {
            bytes = ReadFile(file);
        } catch (const std::runtime_error& error) {
            throw ScriptError(path_, line, error.what());
        }
        const auto bad = [&](const std::string& why) {
            throw ScriptError(path_, line, "'" + file.string() + "': " + why);
        };
        if (bytes.size() < 6 || ReadWord(bytes, 0) != 0 || ReadWord(bytes, 2) != (cursor ? 2 : 1))
            bad(cursor ? "not a cursor file" : "not an icon file");
        const std::uint16_t count = ReadWord(bytes, 4);
        if (count == 0 || bytes.size() < 6 + 16u * count)
            bad("truncated directory");
        std::vector<std::uint8_t> group;
        PutWord(group, 0);
        PutWord(group, cursor ? 2 : 1);
        PutWord(group, count);
        std::uint16_t& nextId = cursor ? nextCursorId_ : nextIconId_;
        for (std::uint16_t i = 0; i < count; ++i) {
            const std::size_t entry = 6 + 16u * i;
            const std::uint32_t length = ReadDword(bytes, entry + 8);
            const std::uint32_t offset = ReadDword(bytes, entry + 12);
            if (offset > bytes.size() || length > bytes.size() - offset || length < 40)
                bad("picture " + std::to_string(i) + " lies outside the file");
            CompiledResource picture;
            picture.type = ResourceId{cursor ? RT_CURSOR : RT_ICON, {}};
            picture.name = ResourceId{nextId++, {}};
            std::uint16_t bitCount = ReadWord(bytes, entry + 6);
            if (cursor) {
                // A cursor picture starts with its hot spot; its bit count is the picture's own.
                PutWord(picture.data, ReadWord(bytes, entry + 4));
                PutWord(picture.data, ReadWord(bytes, entry + 6));
                bitCount = ReadWord(bytes, offset + 14);
            }
            picture.data.insert(picture.data.end(), bytes.begin() + offset, bytes.begin() + offset + length);
            if (cursor) {
                PutWord(group, bytes[entry] == 0 ? 256 : bytes[entry]);
                PutWord(group, static_cast<std::uint16_t>(2 * (bytes[entry + 1] == 0 ? 256 : bytes[entry + 1])));
                PutWord(group, 1);
                PutWord(group, bitCount);
            } else {
                group.insert(group.end(), bytes.begin() + entry, bytes.begin() + entry + 4);
                PutWord(group, ReadWord(bytes, entry + 4));
                PutWord(group, bitCount);
            }
            PutDword(group, static_cast<std::uint32_t>(picture.data.size()));
            PutWord(group, picture.name.ordinal);
            Add(line, std::move(picture));
        }
        Add(line, ResourceId{cursor ? RT_GROUP_CURSOR : RT_GROUP_ICON, {}}, name, std::move(group));
    }

    void Add(int line, const ResourceId& type, const ResourceId& name, std::vector<std::uint8_t> data)
    {
        CompiledResource resource;
        resource.data = std::move(data);
        Add(line, type, name, std::move(resource));
    }

    void Add(int line, const ResourceId& type, const ResourceId& name, CompiledResource resource)
    {
        resource.type = type;
        resource.name = name;
        Add(line, std::move(resource));
    }

    void Add(int line, CompiledResource resource)
    {
        if (!defined_.insert({resource.type, resource.name}).second)
            throw ScriptError(path_, line,
                              "resource " + resource.name.Describe() + " of type " + resource.type.Describe() +
                                  " defined twice");
        resources_.push_back(std::move(resource));
    }

    std::string path_;
    std::filesystem::path folder_;
    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    std::map<std::uint16_t, std::string> strings_;
    std::vector<CompiledResource> resources_;
    std::set<std::pair<ResourceId, ResourceId>> defined_;
    std::uint16_t nextIconId_ = 1;
    std::uint16_t nextCursorId_ = 1;
};

} // namespace

std::vector<CompiledResource> CompileScript(const std::string& scriptPath)
{
    std::ifstream in(scriptPath, std::ios::binary);
    if (!in)
        throw ScriptError(scriptPath, 0, "cannot read the script");
    std::stringstream text;
    text << in.rdbuf();
    return ScriptParser(scriptPath, Tokenize(scriptPath, text.str())).Run();
}

} // namespace zvrc
