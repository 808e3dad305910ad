// The command side of the end-to-end helper programs: one command a line on standard input, one
// answer line each on standard output.
#pragma once

#include <functional>
#include <iostream>
#include <sstream>
#include <string>

namespace zv::capture::testing {

inline void Answer(const std::string& line)
{
    std::cout << line << std::endl;
}

// Hands each command word, with the rest of its line, to `handle` until it returns false or the
// input ends.
inline void ForEachCommand(const std::function<bool(const std::string& command, std::istringstream& words)>& handle)
{
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (!handle(command, words)) return;
    }
}

} // namespace zv::capture::testing
