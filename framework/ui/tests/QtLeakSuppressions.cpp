// Linked into every Qt test program: the system's font and bus libraries keep
// caches for the life of the process, which the leak checker would report.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libdbus\nleak:libglib\nleak:libxcb\nleak:libX11\n";
}
