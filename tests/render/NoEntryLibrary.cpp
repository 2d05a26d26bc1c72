// A shared library that is no plug-in: it exports no VST2 entry point.
extern "C" __attribute__((visibility("default"))) int corvanel_not_a_plugin() { return 42; }
