#pragma once
// How each format's entry points leave the plug-in library: under their C names, and on
// Linux and macOS with default visibility (the version script or export list hides
// everything else). On Windows the deliverable's module-definition file names the exported
// functions; an exported variable (CLAP's clap_entry) is marked for export itself.
#if defined(_WIN32)
#define CORVANEL_EXPORT extern "C"
#define CORVANEL_EXPORT_DATA extern "C" __declspec(dllexport)
#else
#define CORVANEL_EXPORT extern "C" __attribute__((visibility("default")))
#define CORVANEL_EXPORT_DATA CORVANEL_EXPORT
#endif
