// A second process for the tests of named objects. It reads one command per line on standard input
// and answers with one line on standard output:
//   create-mutex NAME OWNED      -> "<ok 0|1> <last error>"
//   wait-mutex NAME MS           -> the wait's result
//   release-mutex NAME           -> "<ok 0|1> <last error>"
//   create-mapping NAME SIZE     -> "<ok 0|1> <last error>"   (also maps the whole block)
//   open-mapping NAME            -> "<ok 0|1> <last error>"   (also maps the whole block)
//   write NAME OFFSET VALUE      -> "ok"   (one byte into the mapped block)
//   read NAME OFFSET             -> the byte's value
//   exit                         -> ends at once, without closing anything (as if it crashed)
// Objects are kept by name; standard input closing ends the helper the same way.
#include "platform/win32/file_mapping.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/mutexes.h"
#include "platform/win32/waits.h"

#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::map<std::string, HANDLE> g_mutexes;
std::map<std::string, unsigned char*> g_views;

std::string Outcome(bool ok)
{
    return std::to_string(ok ? 1 : 0) + " " + std::to_string(GetLastError());
}

std::string Run(const std::string& line)
{
    std::istringstream in(line);
    std::string command, name;
    in >> command >> name;
    if (command == "create-mutex") {
        int owned = 0;
        in >> owned;
        HANDLE mutex = CreateMutexA(nullptr, owned, name.c_str());
        const std::string result = Outcome(mutex != nullptr);
        if (mutex)
            g_mutexes[name] = mutex;
        return result;
    }
    if (command == "wait-mutex") {
        DWORD milliseconds = 0;
        in >> milliseconds;
        return std::to_string(WaitForSingleObject(g_mutexes[name], milliseconds));
    }
    if (command == "release-mutex")
        return Outcome(ReleaseMutex(g_mutexes[name]) != FALSE);
    if (command == "create-mapping" || command == "open-mapping") {
        DWORD size = 0;
        in >> size;
        HANDLE mapping = command == "create-mapping"
                             ? CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name.c_str())
                             : OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
        const DWORD error = GetLastError();
        void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr;
        if (view)
            g_views[name] = static_cast<unsigned char*>(view);
        return std::to_string(view ? 1 : 0) + " " + std::to_string(error);
    }
    if (command == "write") {
        std::size_t offset = 0;
        unsigned value = 0;
        in >> offset >> value;
        g_views[name][offset] = static_cast<unsigned char>(value);
        return "ok";
    }
    if (command == "read") {
        std::size_t offset = 0;
        in >> offset;
        return std::to_string(g_views[name][offset]);
    }
    return "unknown command";
}

} // namespace

int main()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "exit")
            break;
        std::cout << Run(line) << std::endl;
    }
    // No cleanup: the tests rely on this process leaving its objects behind like a crashed one.
    std::fflush(stdout);
    _exit(0);
}
