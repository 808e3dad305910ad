// GetOpenFileNameA and GetSaveFileNameA: the request from OPENFILENAMEA, the checks the dialog
// makes before it closes, and the result laid out in the caller's buffer.
#include "platform/user/common_dialogs.h"

#include "platform/user/common_dialog_modal.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <strings.h>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace zv::user {
namespace {

// The name's extension after its last dot: npos when it has no dot.
std::size_t ExtensionStart(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string::npos : dot + 1;
}

// "Name\0pattern\0...\0\0" as the display takes it: "Name|pattern|...".
std::string FilterText(LPCSTR filter)
{
    std::string text;
    for (const char* part = filter; part && *part; part += std::strlen(part) + 1) {
        if (!text.empty())
            text += '|';
        text += part;
    }
    return text;
}

int FilterPairs(LPCSTR filter)
{
    int parts = 0;
    for (const char* part = filter; part && *part; part += std::strlen(part) + 1)
        ++parts;
    return parts / 2;
}

std::string TextIn(LPCSTR buffer, DWORD capacity)
{
    return buffer ? std::string(buffer, strnlen(buffer, capacity)) : std::string();
}

bool IsFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool IsFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

struct FileDialog {
    OPENFILENAMEA& ofn;
    bool open;
    CommonDialogRequest request;
    fs::path base;                 // what relative answers are relative to
    std::vector<fs::path> chosen;  // the accepted answer

    bool Multi() const { return (ofn.Flags & OFN_ALLOWMULTISELECT) != 0; }

    void Prepare()
    {
        request.kind = open ? CommonDialogRequest::Kind::OpenFile : CommonDialogRequest::Kind::SaveFile;
        request.owner = ofn.hwndOwner;
        request.title = ofn.lpstrTitle ? ofn.lpstrTitle : (open ? "Open" : "Save As");
        request.filter = FilterText(ofn.lpstrFilter);
        const int pairs = FilterPairs(ofn.lpstrFilter);
        request.filterIndex = std::clamp(static_cast<int>(ofn.nFilterIndex), 1, std::max(1, pairs));
        request.flags = ofn.Flags;
        request.multiSelect = Multi();
        request.defaultExtension = ofn.lpstrDefExt ? ofn.lpstrDefExt : "";
        std::error_code error;
        base = ofn.lpstrInitialDir && *ofn.lpstrInitialDir ? fs::path(ofn.lpstrInitialDir) : fs::current_path(error);
        const std::string initial = TextIn(ofn.lpstrFile, ofn.nMaxFile);
        request.initialPath = initial.empty() ? base.string() : (base / initial).string();
    }

    // The answered name with the default extension when it has none; an open dialog whose file
    // must exist keeps the name as typed when only that exists.
    fs::path WithDefaultExtension(fs::path path) const
    {
        const std::string name = path.filename().string();
        if (request.defaultExtension.empty() || name.empty() || ExtensionStart(name) != std::string::npos)
            return path;
        fs::path extended = path;
        extended += "." + request.defaultExtension;
        if ((ofn.Flags & OFN_FILEMUSTEXIST) && !IsFile(extended) && IsFile(path))
            return path;
        return extended;
    }

    // Why the answer cannot be taken (empty: taken; then `chosen` holds it).
    std::string Check(CommonDialogRequest& answer)
    {
        chosen.clear();
        for (const std::string& text : answer.paths) {
            if (text.empty())
                continue;
            chosen.push_back(WithDefaultExtension((base / text).lexically_normal()));
        }
        for (const fs::path& path : chosen) {
            const bool fileMustExist = (ofn.Flags & OFN_FILEMUSTEXIST) != 0;
            if ((fileMustExist || (ofn.Flags & OFN_PATHMUSTEXIST)) && !IsFolder(path.parent_path()))
                return path.string() + "\nPath does not exist.\nCheck the path and try again.";
            if (fileMustExist && !IsFile(path))
                return path.filename().string() + "\nFile not found.\nCheck the file name and try again.";
        }
        return {};
    }

    // What the display gave that no dialog could have: a failure, not a refusal.
    bool AnswerImpossible() const
    {
        if (chosen.empty() || (chosen.size() > 1 && !Multi()))
            return true;
        for (const fs::path& path : chosen) {
            if (path.filename().empty() || path.parent_path() != chosen.front().parent_path())
                return true;
        }
        return false;
    }

    // The result string and its offsets.
    struct Layout {
        std::string text; // NULs included, final terminator(s) included
        WORD fileOffset = 0;
        WORD extensionOffset = 0;
    };

    Layout Lay() const
    {
        Layout layout;
        if (chosen.size() == 1) {
            const std::string full = chosen.front().string();
            const std::string name = chosen.front().filename().string();
            layout.text = full + '\0';
            if (Multi() && (ofn.Flags & OFN_EXPLORER))
                layout.text += '\0'; // a list of one
            const std::size_t nameAt = full.size() - name.size();
            const std::size_t ext = ExtensionStart(name);
            layout.fileOffset = static_cast<WORD>(std::min<std::size_t>(nameAt, 0xFFFF));
            // A name ending in a dot has an empty extension: 0. No dot: the terminator.
            std::size_t extensionAt = ext == std::string::npos ? full.size() : nameAt + ext;
            if (ext == name.size())
                extensionAt = 0;
            layout.extensionOffset = static_cast<WORD>(std::min<std::size_t>(extensionAt, 0xFFFF));
            return layout;
        }
        const std::string folder = chosen.front().parent_path().string();
        const char separator = (ofn.Flags & OFN_EXPLORER) ? '\0' : ' ';
        layout.text = folder;
        for (const fs::path& path : chosen)
            layout.text += separator + path.filename().string();
        layout.text += '\0';
        if (ofn.Flags & OFN_EXPLORER)
            layout.text += '\0';
        layout.fileOffset = static_cast<WORD>(std::min<std::size_t>(folder.size() + 1, 0xFFFF));
        return layout;
    }

    BOOL Write()
    {
        const Layout layout = Lay();
        if (layout.text.size() > ofn.nMaxFile) {
            const WORD needed = static_cast<WORD>(std::min<std::size_t>(layout.text.size(), 0xFFFF));
            if (ofn.nMaxFile >= sizeof needed)
                std::memcpy(ofn.lpstrFile, &needed, sizeof needed);
            SetCommonDialogError(FNERR_BUFFERTOOSMALL);
            return FALSE;
        }
        std::memcpy(ofn.lpstrFile, layout.text.data(), layout.text.size());
        ofn.nFileOffset = layout.fileOffset;
        ofn.nFileExtension = layout.extensionOffset;
        ofn.nFilterIndex = static_cast<DWORD>(request.filterIndex);
        if (chosen.size() == 1 && ofn.lpstrFileTitle && ofn.nMaxFileTitle > 0) {
            const std::string name = chosen.front().filename().string();
            const std::size_t kept = std::min<std::size_t>(name.size(), ofn.nMaxFileTitle - 1);
            std::memcpy(ofn.lpstrFileTitle, name.data(), kept);
            ofn.lpstrFileTitle[kept] = '\0';
        }
        ofn.Flags &= ~OFN_EXTENSIONDIFFERENT;
        if (!request.defaultExtension.empty()) {
            for (const fs::path& path : chosen) {
                const std::string ext = path.extension().string();
                if (ext.empty() || strcasecmp(ext.c_str() + 1, request.defaultExtension.c_str()) != 0)
                    ofn.Flags |= OFN_EXTENSIONDIFFERENT;
            }
        }
        return TRUE;
    }

    BOOL Run()
    {
        SetCommonDialogError(0);
        if (ofn.lStructSize != sizeof(OPENFILENAMEA) && ofn.lStructSize != offsetof(OPENFILENAMEA, pvReserved)) {
            SetCommonDialogError(CDERR_STRUCTSIZE);
            return FALSE;
        }
        if (!ofn.lpstrFile || ofn.nMaxFile == 0) {
            SetCommonDialogError(CDERR_INITIALIZATION);
            return FALSE;
        }
        Prepare();
        if (!AskUntilAccepted(request, [this](CommonDialogRequest& answer) { return Check(answer); }))
            return FALSE;
        if (AnswerImpossible()) {
            SetCommonDialogError(CDERR_DIALOGFAILURE);
            return FALSE;
        }
        return Write();
    }
};

} // namespace
} // namespace zv::user

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn)
{
    if (!ofn) {
        zv::user::SetCommonDialogError(CDERR_INITIALIZATION);
        return FALSE;
    }
    return zv::user::FileDialog{*ofn, true, {}, {}, {}}.Run();
}

BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn)
{
    if (!ofn) {
        zv::user::SetCommonDialogError(CDERR_INITIALIZATION);
        return FALSE;
    }
    return zv::user::FileDialog{*ofn, false, {}, {}, {}}.Run();
}
