// zvrc: compiles a resource script into the C++ source that embeds the resource set.
//   zvrc <script> <output.cpp>
// A bad script fails with "file:line: what" and leaves no output behind.
#include "emit_source.h"
#include "resource_script.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: zvrc <script> <output.cpp>\n";
        return 2;
    }
    const std::string script = argv[1];
    const std::string output = argv[2];
    try {
        const auto resources = zvrc::CompileScript(script);
        const std::string temporary = output + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            zvrc::EmitSource(out, script, resources);
            if (!out.flush())
                throw std::runtime_error("cannot write '" + temporary + "'");
        }
        std::filesystem::rename(temporary, output);
    } catch (const std::exception& error) {
        std::cerr << "zvrc: error: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
