#include "platform/user/window_table.h"
#include "platform/win32/last_error.h"

#include "platform/user/remote_windows.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>

namespace zv::user {

WindowTable& WindowTable::Instance()
{
    // Never destroyed: threads may still end and clean up after static destruction began.
    static auto* table = new WindowTable();
    return *table;
}

WindowRecord* WindowTable::Find(HWND hwnd)
{
    auto it = m_windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == m_windows.end() ? nullptr : it->second.get();
}

bool WindowTable::Add(std::shared_ptr<WindowRecord> record)
{
    // Stored in 32-bit fields elsewhere, read by other processes, and never given out twice.
    const std::uintptr_t value = AllocateWindowHandle();
    if (value == 0)
        return false;
    record->handle = reinterpret_cast<HWND>(value);
    WindowRecord& added = *record;
    m_windows.emplace(value, std::move(record));
    // A new child goes below its siblings (dialog controls keep their creation order), a new
    // top-level window on top.
    std::vector<HWND>& stack = StackOf(added);
    if (added.IsChild()) {
        stack.push_back(added.handle);
    } else {
        stack.insert(stack.begin(), added.handle);
        NormaliseTopLevelOrder();
    }
    return true;
}

void WindowTable::Remove(HWND hwnd)
{
    if (WindowRecord* record = Find(hwnd))
        std::erase(StackOf(*record), hwnd);
    for (HWND* held : {&m_input.active, &m_input.focus, &m_input.capture, &m_input.inactive}) {
        if (*held == hwnd)
            *held = nullptr;
    }
    m_windows.erase(reinterpret_cast<std::uintptr_t>(hwnd));
}

std::vector<HWND> WindowTable::OwnedBy(HWND owner) const
{
    std::vector<HWND> owned;
    for (const auto& [value, record] : m_windows) {
        if (record->parent == owner && !record->IsChild())
            owned.push_back(record->handle);
    }
    return owned;
}

std::vector<HWND>& WindowTable::StackOf(const WindowRecord& record)
{
    if (record.IsChild()) {
        if (WindowRecord* parent = Find(record.parent))
            return parent->children;
    }
    return m_topLevels;
}

WindowRecord* WindowTable::TopLevelOf(HWND hwnd)
{
    WindowRecord* record = Find(hwnd);
    while (record && record->IsChild()) {
        WindowRecord* parent = Find(record->parent);
        if (!parent)
            break;
        record = parent;
    }
    return record;
}

void WindowTable::NormaliseTopLevelOrder()
{
    const auto topmost = [this](HWND hwnd) {
        WindowRecord* record = Find(hwnd);
        return record && (record->exStyle & WS_EX_TOPMOST);
    };
    // The window a window is stacked with: its owner, when they share the band.
    const auto groupOwner = [&](HWND hwnd) -> HWND {
        WindowRecord* record = Find(hwnd);
        if (!record || !record->parent)
            return nullptr;
        WindowRecord* owner = Find(record->parent);
        if (!owner || owner->IsChild() || topmost(owner->handle) != topmost(hwnd))
            return nullptr;
        return owner->handle;
    };
    const std::vector<HWND> current = m_topLevels;
    std::vector<HWND> ordered;
    ordered.reserve(current.size());
    const auto modal = [this](HWND hwnd) {
        WindowRecord* record = Find(hwnd);
        return record && record->modal;
    };
    // Emits a window's owned ones above it, recursively: the modal ones first (a dialog the owner
    // waits for is not hidden by the owner's other pop-ups), each kind in its present order.
    std::function<void(HWND)> emitGroup = [&](HWND hwnd) {
        for (const bool modalOnes : {true, false}) {
            for (HWND other : current) {
                if (other != hwnd && groupOwner(other) == hwnd && modal(other) == modalOnes)
                    emitGroup(other);
            }
        }
        ordered.push_back(hwnd);
    };
    // A group stands where its highest member stands.
    const auto groupRoot = [&](HWND hwnd) {
        for (HWND owner = groupOwner(hwnd); owner; owner = groupOwner(owner))
            hwnd = owner;
        return hwnd;
    };
    for (const bool band : {true, false}) {
        std::vector<HWND> roots;
        for (HWND hwnd : current) {
            if (topmost(hwnd) != band)
                continue;
            const HWND root = groupRoot(hwnd);
            if (std::find(roots.begin(), roots.end(), root) == roots.end())
                roots.push_back(root);
        }
        for (HWND root : roots)
            emitGroup(root);
    }
    m_topLevels = std::move(ordered);
}

std::vector<HWND> WindowTable::ChildrenOf(HWND parent) const
{
    std::vector<HWND> children;
    for (const auto& [value, record] : m_windows) {
        if (record->parent == parent)
            children.push_back(record->handle);
    }
    return children;
}

std::vector<HWND> WindowTable::WindowsOf(const ThreadQueue* queue) const
{
    std::vector<HWND> windows;
    for (const auto& [value, record] : m_windows) {
        if (record->queue.get() == queue)
            windows.push_back(record->handle);
    }
    return windows;
}

std::shared_ptr<WindowClass> WindowTable::FindClass(const char* name) const
{
    auto it = m_classes.find(FoldCase(name));
    return it == m_classes.end() ? nullptr : it->second;
}

bool WindowTable::AddClass(std::shared_ptr<WindowClass> windowClass)
{
    const std::string key = FoldCase(windowClass->name.c_str());
    if (m_classes.count(key) || m_nextAtom > 0xFFFF)
        return false;
    windowClass->atom = static_cast<ATOM>(m_nextAtom++);
    m_classes.emplace(key, std::move(windowClass));
    return true;
}

void WindowTable::RemoveClass(const std::string& name)
{
    m_classes.erase(FoldCase(name.c_str()));
}

void SetInvalidWindowHandleError()
{
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
}

std::string FoldCase(const char* text)
{
    std::string folded(text ? text : "");
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

} // namespace zv::user
