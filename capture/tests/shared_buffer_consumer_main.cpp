// A consumer of the shared video buffer in a process of its own, for the tests. Exits 0 on success.
//   shared_buffer_consumer set-mask <mask>     sets the request mask
//   shared_buffer_consumer dump <slot> <file>  writes the slot's bytes to the file
#include "capture/VideoSlots.h"
#include "platform/win32/file_mapping.h"

#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "ZelvanteVideoBuffer");
    void* block = mapping ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kVideoBufferBytes) : nullptr;
    auto* view = static_cast<BYTE*>(block);
    const std::string command = argc > 1 ? argv[1] : "";
    if (!view)
        return 2;
    if (command == "set-mask" && argc == 3) {
        const auto mask = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 0));
        for (int i = 0; i < 4; ++i)
            view[i] = static_cast<BYTE>(mask >> (8 * i));
        return 0;
    }
    const int slot = argc == 4 ? std::atoi(argv[2]) : -1;
    if (command != "dump" || slot < 0 || slot >= kVideoSlotCount)
        return 1;
    std::ofstream file(argv[3], std::ios::binary);
    file.write(reinterpret_cast<const char*>(view + kVideoSlotOffsets[slot]), g_nFormatBytes[slot]);
    return file.good() ? 0 : 1;
}
