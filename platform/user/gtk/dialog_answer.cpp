#include "platform/user/gtk/desktop_dialogs.h"

namespace zv::user::gtk {

void OnDisplayThread(std::function<void()> job)
{
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        +[](gpointer data) -> gboolean {
            (*static_cast<std::function<void()>*>(data))();
            return G_SOURCE_REMOVE;
        },
        new std::function<void()>(std::move(job)),
        +[](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

void DialogAnswer::Give(int answer)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_answer)
            return;
        m_answer = answer;
    }
    m_changed.notify_all();
}

void DialogAnswer::FolderSelected(std::string folder)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_answer)
            return;
        m_selected.push_back(std::move(folder));
    }
    m_changed.notify_all();
}

int DialogAnswer::Await(const CommonDialogRequest* request)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_answer.has_value() || !m_selected.empty(); });
        if (m_answer)
            return *m_answer;
        const std::string folder = std::move(m_selected.front());
        m_selected.pop_front();
        if (!request || !request->selectFolder)
            continue;
        // The hook waits for the caller's thread: never on the display thread, never locked.
        lock.unlock();
        std::string text = request->selectFolder(folder);
        OnDisplayThread([self = shared_from_this(), text = std::move(text)] {
            if (self->status)
                gtk_label_set_text(self->status, text.c_str());
        });
        lock.lock();
    }
}

} // namespace zv::user::gtk
