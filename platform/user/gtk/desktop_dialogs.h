// The desktop's own dialogs, shown by the display thread: file, folder, colour and font choosers
// and message boxes. A display-thread job opens one and returns at once; the dialog answers
// through a DialogAnswer that the asking thread (never the display thread) waits on.
#pragma once

#include "platform/user/display.h"

#include <gtk/gtk.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace zv::user::gtk {

// Runs the job on the display thread, soon.
void OnDisplayThread(std::function<void()> job);

// One open dialog's answer: the display thread gives it, the asking thread waits for it.
class DialogAnswer : public std::enable_shared_from_this<DialogAnswer> {
public:
    // Display thread: the dialog ended with `answer`; later calls change nothing.
    void Give(int answer);
    // Display thread: the user moved a folder chooser's selection to `folder`.
    void FolderSelected(std::string folder);
    // Asking thread: waits for the answer. Each folder selected meanwhile goes to the request's
    // selectFolder hook here, and the status text it returns is shown in the dialog.
    int Await(const CommonDialogRequest* request);

    // Display thread only: where the dialog shows the status text; null once it is gone.
    GtkLabel* status = nullptr;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_selected;
    std::optional<int> m_answer;
};

// Display thread: opens the request's chooser, modal and transient for `parent` (may be null).
// The answer is 1 for OK, with the request's out fields filled first, or 0.
void OpenCommonDialog(GtkWindow* parent, CommonDialogRequest& request, std::shared_ptr<DialogAnswer> answer);

// Display thread: opens a message box; the answer is the button's ID (IDOK, IDYES, ...).
void OpenMessageBox(GtkWindow* parent, const MessageBoxRequest& box, std::shared_ptr<DialogAnswer> answer);

} // namespace zv::user::gtk
