// The main program's shared data block as the snapshot manager reads it: the mapping's name, its
// size and the fields this program uses. The main program creates the block; this program only
// opens it, reads the user's id and group and publishes its own dialog's window.
#pragma once

#include "platform/user/user_types.h"

#include <cstdint>
#include <cstring>
#include <string>

inline constexpr const char* kSharedDataName = "KestrovaZelvanteSharedData";
inline constexpr DWORD kSharedDataBytes = 0x368;

// Byte offsets of the fields.
inline constexpr std::size_t kSharedUserIdOffset = 0x004;   // char[20], NUL-terminated
inline constexpr std::size_t kSharedUserIdBytes = 20;
inline constexpr std::size_t kSharedHostGroupOffset = 0x35C; // int32, 1 = adult group
inline constexpr std::size_t kSharedSnapshotWindowOffset = 0x364; // u32 window handle, 0 = closed

// Typed access to a mapped view (never null here: callers check that the block is mapped).
class SharedDataView {
public:
    explicit SharedDataView(BYTE* view) : m_view(view) {}

    // The id as the main program wrote it, cut at the field's end even without a NUL.
    std::string UserId() const
    {
        const char* field = reinterpret_cast<const char*>(m_view + kSharedUserIdOffset);
        return std::string(field, strnlen(field, kSharedUserIdBytes));
    }
    std::int32_t HostGroup() const { return Read<std::int32_t>(kSharedHostGroupOffset); }
    HWND SnapshotWindow() const
    {
        return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(Read<std::uint32_t>(kSharedSnapshotWindowOffset)));
    }
    // Window handles of this machine fit 32 bits.
    void SetSnapshotWindow(HWND window)
    {
        const auto value = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
        std::memcpy(m_view + kSharedSnapshotWindowOffset, &value, sizeof value);
    }

private:
    template <typename T>
    T Read(std::size_t offset) const
    {
        T value;
        std::memcpy(&value, m_view + offset, sizeof value);
        return value;
    }

    BYTE* m_view;
};
