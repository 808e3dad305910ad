#include "capture/SharedBlock.h"

#include "platform/win32/file_mapping.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/mutexes.h"

#include <utility>

CSharedBlock::CSharedBlock(std::string mutexName, std::string mappingName, DWORD bytes)
    : m_mutexName(std::move(mutexName)), m_mappingName(std::move(mappingName)), m_bytes(bytes)
{
}

CSharedBlock::~CSharedBlock()
{
    if (m_view)
        UnmapViewOfFile(m_view);
    if (m_mapping)
        CloseHandle(m_mapping);
    if (m_mutex)
        CloseHandle(m_mutex);
}

bool CSharedBlock::Create()
{
    if (!m_mutex)
        m_mutex = CreateMutexA(nullptr, FALSE, m_mutexName.c_str());
    if (m_view)
        return true;
    m_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, m_bytes, m_mappingName.c_str());
    if (!m_mapping)
        return false; // also an existing block smaller than ours
    // Exactly our size, not "to the end": a view never covers less than every write assumes.
    m_view = static_cast<BYTE*>(MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, m_bytes));
    if (!m_view) {
        CloseHandle(m_mapping);
        m_mapping = nullptr;
        return false;
    }
    return true;
}
