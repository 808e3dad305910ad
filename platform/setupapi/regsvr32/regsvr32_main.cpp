// regsvr32: registers (or with /u unregisters) a COM library by calling its DllRegisterServer
// (DllUnregisterServer). /s keeps it silent; otherwise it says on standard error what happened.
// Exit status 0 on success, 3 when the library does not load, 4 when it lacks the entry, 5 when
// the entry fails, 1 for a bad command line.
#include "platform/win32/com_base.h"
#include "platform/win32/modules.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    bool unregister = false;
    bool silent = false;
    std::string library;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.size() == 2 && (word[0] == '/' || word[0] == '-') && (word[1] == 'u' || word[1] == 'U')) {
            unregister = true;
        } else if (word.size() == 2 && (word[0] == '/' || word[0] == '-') && (word[1] == 's' || word[1] == 'S')) {
            silent = true;
        } else if (library.empty() && !word.empty()) {  // paths begin with '/' here: only /u and /s are switches
            library = word;
        } else {
            if (!silent) std::fprintf(stderr, "regsvr32: unknown argument '%s'\n", word.c_str());
            return 1;
        }
    }
    if (library.empty()) {
        if (!silent) std::fprintf(stderr, "usage: regsvr32 [/u] [/s] library\n");
        return 1;
    }
    HMODULE module = LoadLibraryA(library.c_str());
    if (!module) {
        if (!silent) std::fprintf(stderr, "regsvr32: cannot load '%s'\n", library.c_str());
        return 3;
    }
    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    using Entry = HRESULT (*)();
    const auto entry = reinterpret_cast<Entry>(GetProcAddress(module, entryName));
    if (!entry) {
        if (!silent) std::fprintf(stderr, "regsvr32: '%s' has no %s\n", library.c_str(), entryName);
        FreeLibrary(module);
        return 4;
    }
    const HRESULT result = entry();
    FreeLibrary(module);
    if (FAILED(result)) {
        if (!silent) std::fprintf(stderr, "regsvr32: %s of '%s' failed (0x%08x)\n", entryName, library.c_str(),
                                  static_cast<unsigned>(result));
        return 5;
    }
    if (!silent) std::fprintf(stderr, "regsvr32: %s of '%s' succeeded\n", entryName, library.c_str());
    return 0;
}
