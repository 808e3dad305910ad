#include "platform/user/gtk/desktop_dialogs.h"

#include "platform/user/gtk/font_description.h"
#include "platform/user/message_box.h"

#include <fnmatch.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

namespace zv::user::gtk {
namespace {

namespace fs = std::filesystem;

// The screen's pixels per inch, as the window system's device contexts report it.
constexpr int kPixelsPerInch = 96;

// What a chooser needs until it closes. Freed with the dialog.
struct OpenChooser {
    CommonDialogRequest* request;
    std::shared_ptr<DialogAnswer> answer;
    std::vector<GtkFileFilter*> filters; // in the request's order; the dialog owns them
};

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// Matches a file's name against the filter's patterns, ignoring case as the program expects.
gboolean MatchesPatterns(const GtkFileFilterInfo* info, gpointer data)
{
    if (!info->display_name)
        return FALSE;
    const auto* patterns = static_cast<const std::vector<std::string>*>(data);
    return std::any_of(patterns->begin(), patterns->end(), [info](const std::string& pattern) {
        return fnmatch(pattern.c_str(), info->display_name, FNM_CASEFOLD) == 0;
    });
}

// Adds the "Name|pattern;pattern|..." pairs as the chooser's filters.
void AddFilters(GtkFileChooser* chooser, OpenChooser& open)
{
    const std::vector<std::string> parts = Split(open.request->filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        auto* patterns = new std::vector<std::string>();
        for (const std::string& pattern : Split(parts[i + 1], ';')) {
            // "*.*" means every file, with or without a dot in its name.
            if (!pattern.empty())
                patterns->push_back(pattern == "*.*" ? "*" : pattern);
        }
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, parts[i].c_str());
        gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_DISPLAY_NAME, MatchesPatterns, patterns,
                                   +[](gpointer data) { delete static_cast<std::vector<std::string>*>(data); });
        gtk_file_chooser_add_filter(chooser, filter);
        open.filters.push_back(filter);
    }
    const std::size_t chosen = static_cast<std::size_t>(std::max(1, open.request->filterIndex)) - 1;
    if (chosen < open.filters.size())
        gtk_file_chooser_set_filter(chooser, open.filters[chosen]);
}

// Where the chooser starts: a folder, or a file in its folder.
void StartAt(GtkFileChooser* chooser, const CommonDialogRequest& request, GtkFileChooserAction action)
{
    if (request.initialPath.empty())
        return;
    const fs::path initial(request.initialPath);
    std::error_code error;
    if (fs::is_directory(initial, error)) {
        gtk_file_chooser_set_current_folder(chooser, initial.c_str());
        return;
    }
    if (initial.has_parent_path() && fs::is_directory(initial.parent_path(), error))
        gtk_file_chooser_set_current_folder(chooser, initial.parent_path().c_str());
    if (action == GTK_FILE_CHOOSER_ACTION_SAVE)
        gtk_file_chooser_set_current_name(chooser, initial.filename().c_str());
    else if (fs::exists(initial, error))
        gtk_file_chooser_select_filename(chooser, initial.c_str());
}

GtkWidget* FileChooser(GtkWindow* parent, OpenChooser& open)
{
    CommonDialogRequest& request = *open.request;
    GtkFileChooserAction action = GTK_FILE_CHOOSER_ACTION_OPEN;
    const char* accept = "_Open";
    std::string title = request.title;
    if (request.kind == CommonDialogRequest::Kind::SaveFile) {
        action = GTK_FILE_CHOOSER_ACTION_SAVE;
        accept = "_Save";
    } else if (request.kind == CommonDialogRequest::Kind::Folder) {
        action = GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
        accept = "_OK";
        if (title.empty())
            title = "Browse for Folder";
    }
    GtkWidget* dialog = gtk_file_chooser_dialog_new(title.c_str(), parent, action, "_Cancel", GTK_RESPONSE_CANCEL,
                                                    accept, GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    // The program asks again itself when it refuses an answer (and confirms overwriting).
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
    if (action == GTK_FILE_CHOOSER_ACTION_OPEN)
        gtk_file_chooser_set_select_multiple(chooser, request.multiSelect);
    if (action != GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER)
        AddFilters(chooser, open);
    StartAt(chooser, request, action);
    if (action == GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER) {
        GtkWidget* status = gtk_label_new(request.statusText.c_str());
        gtk_label_set_xalign(GTK_LABEL(status), 0);
        gtk_file_chooser_set_extra_widget(chooser, status);
        open.answer->status = GTK_LABEL(status);
        g_signal_connect(dialog, "selection-changed", G_CALLBACK(+[](GtkFileChooser* changed, OpenChooser* shown) {
                             if (gchar* folder = gtk_file_chooser_get_filename(changed)) {
                                 shown->answer->FolderSelected(folder);
                                 g_free(folder);
                             }
                         }),
                         &open);
    }
    return dialog;
}

void TakeFiles(GtkWidget* dialog, OpenChooser& open)
{
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    CommonDialogRequest& request = *open.request;
    request.paths.clear();
    GSList* names = gtk_file_chooser_get_filenames(chooser);
    for (GSList* name = names; name; name = name->next) {
        request.paths.emplace_back(static_cast<const char*>(name->data));
        g_free(name->data);
    }
    g_slist_free(names);
    const auto filter = std::find(open.filters.begin(), open.filters.end(), gtk_file_chooser_get_filter(chooser));
    if (filter != open.filters.end())
        request.filterIndex = static_cast<int>(filter - open.filters.begin()) + 1;
}

GdkRGBA RgbaOf(COLORREF colour)
{
    return GdkRGBA{GetRValue(colour) / 255.0, GetGValue(colour) / 255.0, GetBValue(colour) / 255.0, 1.0};
}

COLORREF ColourOf(const GdkRGBA& rgba)
{
    const auto channel = [](double value) { return static_cast<BYTE>(std::lround(std::clamp(value, 0.0, 1.0) * 255)); };
    return RGB(channel(rgba.red), channel(rgba.green), channel(rgba.blue));
}

GtkWidget* ColourChooser(GtkWindow* parent, const CommonDialogRequest& request)
{
    GtkWidget* dialog = gtk_color_chooser_dialog_new(request.title.c_str(), parent);
    GtkColorChooser* chooser = GTK_COLOR_CHOOSER(dialog);
    gtk_color_chooser_set_use_alpha(chooser, FALSE);
    // The caller's custom colours, offered beside the desktop's palette.
    std::vector<GdkRGBA> custom;
    for (COLORREF colour : request.customColours)
        custom.push_back(RgbaOf(colour));
    if (!custom.empty())
        gtk_color_chooser_add_palette(chooser, GTK_ORIENTATION_HORIZONTAL, 8, static_cast<gint>(custom.size()),
                                      custom.data());
    const GdkRGBA initial = RgbaOf(request.colour);
    gtk_color_chooser_set_rgba(chooser, &initial);
    return dialog;
}

GtkWidget* FontChooser(GtkWindow* parent, const CommonDialogRequest& request)
{
    GtkWidget* dialog = gtk_font_chooser_dialog_new(request.title.c_str(), parent);
    PangoFontDescription* description = DescriptionOf(request.font, kPixelsPerInch);
    // With no face asked for, the chooser keeps its own choice.
    if (pango_font_description_get_set_fields(description) & PANGO_FONT_MASK_FAMILY)
        gtk_font_chooser_set_font_desc(GTK_FONT_CHOOSER(dialog), description);
    pango_font_description_free(description);
    return dialog;
}

// The chooser's answer into the request (display thread; the asking thread waits meanwhile).
void TakeAnswer(GtkWidget* dialog, OpenChooser& open)
{
    CommonDialogRequest& request = *open.request;
    switch (request.kind) {
    case CommonDialogRequest::Kind::OpenFile:
    case CommonDialogRequest::Kind::SaveFile:
    case CommonDialogRequest::Kind::Folder:
        TakeFiles(dialog, open);
        break;
    case CommonDialogRequest::Kind::Colour: {
        GdkRGBA chosen{};
        gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(dialog), &chosen);
        request.colour = ColourOf(chosen);
        break;
    }
    case CommonDialogRequest::Kind::Font:
        // The chooser has no underline or strike-out: those stay as the request had them.
        if (PangoFontDescription* chosen = gtk_font_chooser_get_font_desc(GTK_FONT_CHOOSER(dialog))) {
            request.font = LogFontOf(chosen, request.font, kPixelsPerInch);
            pango_font_description_free(chosen);
        }
        break;
    }
}

// Shows the dialog modally; `respond` turns a response into the answer (nullopt: stay open).
// Closed in any other way (its owner destroyed), it answers `closed`.
template <typename Respond>
void ShowModal(GtkWidget* dialog, GtkWindow* parent, std::shared_ptr<DialogAnswer> answer, int closed, Respond respond)
{
    struct Shown {
        std::shared_ptr<DialogAnswer> answer;
        int closed;
        Respond respond;
    };
    auto* shown = new Shown{std::move(answer), closed, std::move(respond)};
    g_object_set_data_full(G_OBJECT(dialog), "zv-shown", shown, +[](gpointer data) {
        auto* ending = static_cast<Shown*>(data);
        ending->answer->status = nullptr;
        ending->answer->Give(ending->closed);
        delete ending;
    });
    g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog* responded, gint id, Shown* state) {
                         const std::optional<int> given = state->respond(GTK_WIDGET(responded), id);
                         if (!given)
                             return;
                         state->answer->Give(*given);
                         gtk_widget_destroy(GTK_WIDGET(responded));
                     }),
                     shown);
    // Escape and the close button end in a response; the window itself stays until it is given.
    g_signal_connect(dialog, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) { return TRUE; }),
                     nullptr);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_destroy_with_parent(GTK_WINDOW(dialog), parent != nullptr);
    gtk_window_present(GTK_WINDOW(dialog));
}

const char* ButtonText(int id)
{
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "_Abort";
    case IDRETRY: return "_Retry";
    case IDIGNORE: return "_Ignore";
    case IDYES: return "_Yes";
    case IDNO: return "_No";
    case IDTRYAGAIN: return "_Try Again";
    case IDCONTINUE: return "_Continue";
    default: return "?";
    }
}

// The key that answers with the button without Alt, as the desktop's message boxes take it.
guint AccessKeyOf(int id)
{
    const char* text = ButtonText(id);
    const char* marked = std::strchr(text, '_');
    return marked ? gdk_keyval_to_lower(gdk_unicode_to_keyval(static_cast<guchar>(marked[1]))) : 0;
}

GtkMessageType MessageTypeOf(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return GTK_MESSAGE_ERROR;
    case MB_ICONQUESTION: return GTK_MESSAGE_QUESTION;
    case MB_ICONEXCLAMATION: return GTK_MESSAGE_WARNING;
    case MB_ICONASTERISK: return GTK_MESSAGE_INFO;
    default: return GTK_MESSAGE_OTHER;
    }
}

} // namespace

void OpenCommonDialog(GtkWindow* parent, CommonDialogRequest& request, std::shared_ptr<DialogAnswer> answer)
{
    auto open = std::make_unique<OpenChooser>(OpenChooser{&request, answer, {}});
    GtkWidget* dialog = nullptr;
    switch (request.kind) {
    case CommonDialogRequest::Kind::OpenFile:
    case CommonDialogRequest::Kind::SaveFile:
    case CommonDialogRequest::Kind::Folder:
        dialog = FileChooser(parent, *open);
        break;
    case CommonDialogRequest::Kind::Colour:
        dialog = ColourChooser(parent, request);
        break;
    case CommonDialogRequest::Kind::Font:
        dialog = FontChooser(parent, request);
        break;
    }
    // The request is the asking thread's: touched only before the answer is given.
    OpenChooser* chooser = open.get();
    g_object_set_data_full(G_OBJECT(dialog), "zv-chooser", open.release(),
                           +[](gpointer data) { delete static_cast<OpenChooser*>(data); });
    ShowModal(dialog, parent, std::move(answer), 0, [chooser](GtkWidget* responded, int id) -> std::optional<int> {
        const bool ok = id == GTK_RESPONSE_ACCEPT || id == GTK_RESPONSE_OK;
        if (ok)
            TakeAnswer(responded, *chooser);
        return ok ? 1 : 0;
    });
}

void OpenMessageBox(GtkWindow* parent, const MessageBoxRequest& box, std::shared_ptr<DialogAnswer> answer)
{
    GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, MessageTypeOf(box.type), GTK_BUTTONS_NONE,
                                               "%s", box.text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), box.caption.c_str());
    if (box.type & (MB_TOPMOST | MB_SYSTEMMODAL))
        gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    const std::vector<int> buttons = MessageBoxButtons(box.type);
    const int defaultButton = MessageBoxDefaultButton(box.type);
    for (int id : buttons) {
        GtkWidget* button = gtk_dialog_add_button(GTK_DIALOG(dialog), ButtonText(id), id);
        if (id == defaultButton)
            gtk_widget_grab_focus(button);
    }
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), defaultButton);
    g_signal_connect_data(dialog, "key-press-event",
                          G_CALLBACK(+[](GtkWidget* pressed, GdkEventKey* key, std::vector<int>* ids) -> gboolean {
                              const auto modifiers = gtk_accelerator_get_default_mod_mask();
                              if (key->state & modifiers)
                                  return FALSE;
                              for (int id : *ids) {
                                  if (AccessKeyOf(id) && AccessKeyOf(id) == gdk_keyval_to_lower(key->keyval)) {
                                      gtk_dialog_response(GTK_DIALOG(pressed), id);
                                      return TRUE;
                                  }
                              }
                              return FALSE;
                          }),
                          new std::vector<int>(buttons),
                          +[](gpointer data, GClosure*) { delete static_cast<std::vector<int>*>(data); },
                          GConnectFlags{});
    // Escape (or closing the box) is Cancel when the box has it, OK when OK is all it has, and
    // otherwise does nothing: the user must pick an answer.
    const bool hasCancel = std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end();
    const int escape = hasCancel ? IDCANCEL : (buttons == std::vector<int>{IDOK} ? IDOK : 0);
    ShowModal(dialog, parent, std::move(answer), escape ? escape : defaultButton,
              [escape](GtkWidget*, int id) -> std::optional<int> {
                  if (id > 0)
                      return id;
                  if (escape)
                      return escape;
                  return std::nullopt;
              });
}

} // namespace zv::user::gtk
