// Under AddressSanitizer: what GTK's own libraries keep until the process ends (the
// accessibility bridge's D-Bus connection, GLib's type and thread data, libnotify's) is not ours to
// free. Stacks through these libraries end there (they have no frame pointers), so the library names
// are all there is to match. Linked into every gui test program.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libnotify.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libfontconfig.so\n"
           // WebKit's process-wide context and its script engine's (the browser tests).
           "leak:libwebkit2gtk-4.1.so\n"
           "leak:libjavascriptcoregtk-4.1.so\n";
}
