// The editor draws text through fontconfig, which keeps its configuration for the life
// of the process: not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
