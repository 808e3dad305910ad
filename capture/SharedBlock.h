// One named block of shared memory with its companion named mutex, as other processes find them.
//
// The block is mapped whole for the life of the object. An existing block of the name (another
// running copy, or a consumer that created it first) is opened as it is, but only when it is at
// least as large as asked: a smaller one is refused and gives no view, so nothing is ever written
// past its end. The mutex exists for consumers; this program never takes it.
#pragma once

#include "platform/win32/types.h"

#include <string>

class CSharedBlock {
public:
    CSharedBlock(std::string mutexName, std::string mappingName, DWORD bytes);
    ~CSharedBlock();

    CSharedBlock(const CSharedBlock&) = delete;
    CSharedBlock& operator=(const CSharedBlock&) = delete;

    // Creates the mutex when not yet created, then the mapping and its view unless a view exists.
    // False when there is no view afterwards; a failure leaves null handles and no view.
    bool Create();

    BYTE* View() const { return m_view; }
    DWORD Bytes() const { return m_bytes; }

private:
    const std::string m_mutexName;
    const std::string m_mappingName;
    const DWORD m_bytes;
    HANDLE m_mutex = nullptr;
    HANDLE m_mapping = nullptr;
    BYTE* m_view = nullptr;
};
