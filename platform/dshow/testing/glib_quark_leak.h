// Test support for programs that open media files. GLib's quark table outgrows its first block
// once the decoders' plugins register their types, and GLib leaves the block made by its library
// initialiser behind on purpose (readers take no lock). The leak report is told so; full stacks
// let it see where the block came from. Include from exactly one file of a test program.
#pragma once

extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:_dl_init\n";
}
