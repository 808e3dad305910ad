#include "platform/win32/runnable_program.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(RunnableProgramTest, ProgramsOfThisMachineAndScriptsAreRunnable)
{
    zv::win32::testing::TempZvRoot root;
    const std::string folder = root.Path() + "/";
    std::filesystem::copy_file("/bin/true", folder + "elf");
    std::string foreign = ReadAll("/bin/true");
    foreign[18] = static_cast<char>(foreign[18] ^ 0x7F); // e_machine: another architecture
    std::string object = ReadAll("/bin/true");
    object[16] = 1; // e_type: a relocatable object, not a program
    object[17] = 0;
    const struct Case {
        std::string name;
        std::string content;
        bool runnable;
    } cases[] = {
        {"elf", "", true},
        {"foreign", foreign, false},
        {"object", object, false},
        {"script", "#!/bin/sh\n", true},
        {"windows", std::string("MZ\x90\0", 4), false},
        {"empty", "", false},
        {"hash", "#", false},
    };
    for (const Case& c : cases) {
        if (c.name != "elf")
            std::ofstream(folder + c.name, std::ios::binary) << c.content;
        EXPECT_EQ(zv::win32::IsRunnableProgram(folder + c.name), c.runnable) << c.name;
        EXPECT_EQ(zv::win32::MakeProgramRunnable(folder + c.name), c.runnable) << c.name;
        EXPECT_EQ(access((folder + c.name).c_str(), X_OK) == 0, c.runnable) << c.name;
    }
    EXPECT_FALSE(zv::win32::IsRunnableProgram(folder + "missing"));
}

} // namespace
