// corvanel-render: renders an audio file, or a built-in demo chord, through the
// Corvanel plug-in loaded as a VST2 library, driven the way a DAW drives it.
#include "AudioFiles.h"
#include "DemoSignal.h"
#include "Options.h"
#include "PluginHost.h"
#include "PluginSettings.h"
#include "Render.h"
#include "TempFile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

volatile sig_atomic_t gInterrupted = 0;

// The first signal lets the render loop stop and clean up; a second one removes the
// temporary files at once and leaves.
void OnSignal(int) {
  if (gInterrupted) {
    for (const char* const* p = TempFile::ActivePaths(); *p; ++p)
      unlink(*p);
    _exit(kExitInterrupted);
  }
  gInterrupted = 1;
}

int Fail(const std::string& message, int code = kExitError) {
  std::fprintf(stderr, "corvanel-render: %s\n", message.c_str());
  return code;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ExecutableDir() {
  char buffer[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return ".";
  std::string path(buffer, (size_t)n);
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The library built with this tool, or one with its file name beside the tool.
bool DefaultPluginPath(std::string* path, std::string* error) {
#ifdef CORVANEL_PLUGIN_PATH
  if (FileExists(CORVANEL_PLUGIN_PATH)) {
    *path = CORVANEL_PLUGIN_PATH;
    return true;
  }
  const std::string fileName = CORVANEL_PLUGIN_FILE_NAME;
#else
  const std::string fileName = "Corvanel.so";
#endif
  const std::string beside = ExecutableDir() + "/" + fileName;
  if (FileExists(beside)) {
    *path = beside;
    return true;
  }
  *error = "no plug-in library found";
#ifdef CORVANEL_PLUGIN_PATH
  *error += std::string(" at ") + CORVANEL_PLUGIN_PATH + " or";
#endif
  *error += " beside the tool (" + beside + "); build the Corvanel target or pass --plugin PATH";
  return false;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string AbsolutePath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string result = resolved;
  std::free(resolved);
  return result;
}

// Single quotes for a shell command line, when the path needs them.
std::string ShellQuoted(const std::string& path) {
  if (path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                             "_-./+,:@") == std::string::npos)
    return path;
  std::string q = "'";
  for (char c : path)
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

int Run(int argc, char** argv) {
  RenderOptions options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) return Fail(error, kExitUsage);
  if (options.help) {
    std::fputs(UsageText(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("corvanel-render %d.%d.%d\n", CORVANEL_VERSION_MAJOR, CORVANEL_VERSION_MINOR,
                CORVANEL_VERSION_PATCH);
    return 0;
  }
  const bool listing = options.listPresets || options.listParams;

  // The input first: its sample rate and channel count configure the plug-in.
  std::unique_ptr<InputFile> input;
  int channels = 2, sampleRate = options.sampleRate;
  if (!options.input.empty() && !listing) {
    input.reset(new InputFile);
    if (!input->Open(options.input, &error)) return Fail(error);
    channels = input->Channels();
    sampleRate = input->SampleRate();
  }
  const std::string outputPath =
      options.output.empty() ? DefaultOutputPath(options.input) : options.output;
  if (!listing && input && SameFile(options.input, outputPath))
    return Fail("the output '" + outputPath + "' would overwrite the input");

  std::string pluginPath = options.plugin;
  if (pluginPath.empty() && !DefaultPluginPath(&pluginPath, &error)) return Fail(error);
  PluginHost host;
  if (!host.Load(pluginPath, &error)) return Fail(error);
  AEffect* effect = host.Effect();
  if (!listing) {
    if (effect->numInputs < channels || effect->numOutputs < channels)
      return Fail("the plug-in has " + std::to_string(effect->numInputs) + " inputs and " +
                  std::to_string(effect->numOutputs) + " outputs; the input has " +
                  std::to_string(channels) + " channels");
    if (options.useDouble &&
        (!(effect->flags & effFlagsCanDoubleReplacing) || !effect->processDoubleReplacing))
      return Fail("the plug-in cannot process in double precision (--double)");
    if (!options.useDouble &&
        (!(effect->flags & effFlagsCanReplacing) || !effect->processReplacing))
      return Fail("the plug-in offers no replacing float processing");
  }

  // Set up as a DAW does: open, audio settings, channel layout, then the state.
  TransportState& transport = host.Transport();
  transport.tempo = options.tempo;
  transport.samplePos = options.startPosition;
  host.Open();
  host.SetSampleRate(sampleRate);
  host.SetBlockSize(options.blockSize);
  host.SetChannels(channels, channels);
  host.SetPrecision(options.useDouble);
  if (!ApplyAllSettings(host, options, &error)) return Fail(error);

  if (listing) {
    if (options.listPresets) ListPresets(host, stdout);
    if (options.listPresets && options.listParams) std::fputc('\n', stdout);
    if (options.listParams) ListParams(host, stdout);
    return 0;
  }

  std::unique_ptr<AudioSource> demo;
  if (!input) demo.reset(new DemoSignal(sampleRate, options.tempo));
  AudioSource& source = input ? static_cast<AudioSource&>(*input) : *demo;
  if (options.startPosition + source.Frames() > (int64_t)INT32_MAX + 1)
    return Fail("--start " + std::to_string((long long)options.startPosition) +
                " puts the end of the render beyond the host's 32-bit song position");

  OutputFile output;
  if (!output.Open(outputPath, channels, sampleRate, source.Frames(), options.format, &error))
    return Fail(error);
  host.Resume();
  RenderStats stats;
  if (!RenderAll(host, source, output, options, &gInterrupted, &stats, &error))
    return Fail(error, gInterrupted ? kExitInterrupted : kExitError);
  host.Suspend();

  TempFile stateOut;
  if (!options.stateOut.empty() && !WriteStateFile(host, options.stateOut, &stateOut, &error))
    return Fail(error);
  if (!output.Close(&error) || !output.Commit(&error)) return Fail(error);
  if (!options.stateOut.empty() && !stateOut.Commit(&error)) return Fail(error);
  host.Unload();

  if (!options.quiet) {
    const double seconds = (double)stats.frames / sampleRate;
    std::printf("Rendered %.2f s of %s audio at %d Hz", seconds, channels == 1 ? "mono" : "stereo",
                sampleRate);
    if (!input) std::printf(" (demo chord, %d bars at %g BPM)", DemoSignal::kBars, options.tempo);
    if (stats.seconds > 0.0)
      std::printf(" in %.2f s (%.0fx real time)", stats.seconds, seconds / stats.seconds);
    std::printf(".\nOutput: %s (%s WAV)\n", AbsolutePath(outputPath).c_str(),
                FormatName(options.format));
    if (!options.stateOut.empty())
      std::printf("State:  %s\n", AbsolutePath(options.stateOut).c_str());
    const std::string q = ShellQuoted(outputPath);
    std::printf("Listen: aplay %s   (or: play %s, from sox; or open it in any audio player)\n",
                q.c_str(), q.c_str());
  }
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  return Run(argc, argv);
}
