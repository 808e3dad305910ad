#include "platform/win32/runnable_program.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv::win32 {

namespace {

// The start of an ELF header up to and including e_machine, which sits at the same place in
// both classes.
constexpr std::size_t kHeadBytes = offsetof(Elf32_Ehdr, e_machine) + sizeof(Elf32_Half);
using Head = std::array<unsigned char, kHeadBytes>;

bool ReadHead(const char* path, Head& head, std::size_t& length)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t count = read(fd, head.data(), head.size());
    close(fd);
    if (count < 0)
        return false;
    length = static_cast<std::size_t>(count);
    return true;
}

bool IsElf(const Head& head, std::size_t length)
{
    return length == head.size() && std::memcmp(head.data(), ELFMAG, SELFMAG) == 0;
}

bool SameMachine(const Head& file, const Head& self)
{
    // Class, byte order, then the architecture in the file's own byte order (compared as bytes).
    const std::size_t machine = offsetof(Elf32_Ehdr, e_machine);
    return file[EI_CLASS] == self[EI_CLASS] && file[EI_DATA] == self[EI_DATA] &&
           std::memcmp(file.data() + machine, self.data() + machine, sizeof(Elf32_Half)) == 0;
}

bool IsExecutableType(const Head& head)
{
    // Position-independent programs carry the shared-object type.
    const std::size_t type = offsetof(Elf32_Ehdr, e_type);
    const unsigned value = head[EI_DATA] == ELFDATA2LSB ? head[type] | head[type + 1] << 8
                                                          : head[type] << 8 | head[type + 1];
    return value == ET_EXEC || value == ET_DYN;
}

} // namespace

bool IsRunnableProgram(const std::string& path)
{
    Head head{};
    std::size_t length = 0;
    if (!ReadHead(path.c_str(), head, length))
        return false;
    if (length >= 2 && head[0] == '#' && head[1] == '!')
        return true;
    Head self{};
    std::size_t selfLength = 0;
    return IsElf(head, length) && IsExecutableType(head) && ReadHead("/proc/self/exe", self, selfLength) &&
           IsElf(self, selfLength) && SameMachine(head, self);
}

bool MakeProgramRunnable(const std::string& path)
{
    struct stat info {};
    if (!IsRunnableProgram(path) || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const mode_t readable = info.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
    // Each read bit shifted onto its execute bit.
    return chmod(path.c_str(), info.st_mode | (readable >> 2)) == 0;
}

} // namespace zv::win32
