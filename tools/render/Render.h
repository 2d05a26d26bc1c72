#pragma once
// The render loop: reads the source block by block, moves the host transport to
// each block's first frame, lets the plug-in process the block (float or double
// replacing) and writes the result.
#include "AudioFiles.h"
#include "PluginHost.h"

#include <csignal>
#include <cstdint>
#include <string>

struct RenderStats {
  int64_t frames = 0;
  double seconds = 0.0; // wall-clock time of the loop
};

// The plug-in must be resumed and its channels set. Stops with a message on a read
// or write error, or when *interrupted becomes non-zero.
bool RenderAll(PluginHost& host, AudioSource& source, OutputFile& output,
               const RenderOptions& options, volatile sig_atomic_t* interrupted, RenderStats* stats,
               std::string* error);
