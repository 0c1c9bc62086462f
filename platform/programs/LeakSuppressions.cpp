// Leak-checker defaults linked into every program of ours (sanitizer builds read them; other builds ignore them).

// Memory held until exit by system libraries we do not control: SDL's video start-up opens the session bus,
// which keeps one buffer for the life of the process.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}
