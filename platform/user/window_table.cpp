#include "platform/user/window_table.h"

#include "platform/user/remote_windows.h"

#include <cctype>
#include <cstring>

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
    m_windows.emplace(value, std::move(record));
    return true;
}

void WindowTable::Remove(HWND hwnd)
{
    m_windows.erase(reinterpret_cast<std::uintptr_t>(hwnd));
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

std::string FoldCase(const char* text)
{
    std::string folded(text ? text : "");
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

} // namespace zv::user
