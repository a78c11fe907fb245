// SDL opens a D-Bus connection for audio thread priorities that libdbus keeps for the life of
// the process; the leak checker must not count it against the player.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
