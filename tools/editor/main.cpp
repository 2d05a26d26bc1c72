// corvanel-editor: the plug-in's editor without a window. The real plug-in class, with
// its real graphics core and controls on the Linux off-screen surface, is set up as a
// host sets it up (the render tool's settings), then plays a list of mouse, wheel,
// tick and typing events and writes what a host would see: the editor's picture, the
// state chunk, the parameters, the status line and the edit gestures.
#include "Corvanel.h"
#include "DemoSignal.h"
#include "EditorEvents.h"
#include "EventPlayer.h"
#include "IGraphicsLinux.h"
#include "ITextControl.h"
#include "Options.h"
#include "PluginHost.h"
#include "PluginSettings.h"
#include "TempFile.h"
#include "lice_png.h"
#include "lice_sysbitmap.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef CORVANEL_SANITIZE_BUILD
// The editor draws text through fontconfig, which keeps its configuration for the life of
// the process: not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
// Error messages stay one line: no table of the suppressions used.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage: corvanel-editor [options]\n"
    "Shows the Corvanel editor as a host window would, without a window.\n"
    "\n"
    "Outputs:\n"
    "  -o PICTURE.png        the editor's picture after the events\n"
    "  --scale 1|1.5|2       draw the editor at 100 %, 150 % or 200 % (default 1); event\n"
    "                        positions are then in the scaled picture's pixels\n"
    "  --state-out FILE      the plug-in's state as a host stores it\n"
    "  --print-params        index, name, display text and normalised value of each parameter\n"
    "  --print-status        the status line\n"
    "  --print-gestures      the edits the host saw: begin P, change P VALUE, end P\n"
    "Input:\n"
    "  --events FILE         events to play on the editor ('-' reads standard input):\n"
    "                          press X Y [MODS], drag X Y [MODS], release X Y [MODS],\n"
    "                          dblclick X Y [MODS], wheel X Y NOTCHES [MODS], tick [N],\n"
    "                          type TEXT (commit the open value entry), dismiss\n"
    "                        MODS: left (default), right, shift, control, alt\n"
    "  --playing-step N      the transport stands in step N (1-64, wrapping at Cycle)\n"
    "  --play-demo           play silence as long as corvanel-render's demo (4 bars), so the\n"
    "                        playing step is where the demo ended\n"
    "  --tempo BPM, --sample-rate HZ, --start SAMPLES   the transport, as for corvanel-render\n"
    "Settings, applied in this order as corvanel-render applies them:\n"
    "  --state-in FILE, --preset NAME|NUMBER, --pattern TIMES/VOLUMES, --set NAME=VALUE\n"
    "  --list-presets, --list-params   list and stop\n";

struct EditorOptions {
  RenderOptions settings; // the render tool's settings and transport options
  std::string picture, stateOut, events;
  int playingStep = 0; // 0: none given
  int scale = 100;      // percent
  bool playDemo = false;
  bool printParams = false, printStatus = false, printGestures = false;
  bool help = false;
};

int Fail(const std::string& message, int code = kExitError) {
  std::fprintf(stderr, "corvanel-editor: %s\n", message.c_str());
  return code;
}

bool ParseEditorOptions(int argc, char** argv, EditorOptions* out, std::string* error) {
  // The render tool's parser checks these; everything else is the editor's own.
  static const char* const kForwardedWithValue[] = {
      "--preset", "--pattern", "--set", "--state-in", "--tempo", "--sample-rate", "--start"};
  std::vector<const char*> forwarded = {"corvanel-editor"};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* v) {
      if (i + 1 >= argc) {
        *error = arg + " wants a value";
        return false;
      }
      *v = argv[++i];
      return true;
    };
    bool takesValue = false;
    for (const char* name : kForwardedWithValue)
      takesValue = takesValue || arg == name;
    if (takesValue) {
      forwarded.push_back(argv[i]);
      if (i + 1 >= argc) {
        *error = arg + " wants a value";
        return false;
      }
      forwarded.push_back(argv[++i]);
    } else if (arg == "--list-presets" || arg == "--list-params") {
      forwarded.push_back(argv[i]);
    } else if (arg == "-o") {
      if (!value(&out->picture)) return false;
    } else if (arg == "--state-out") {
      if (!value(&out->stateOut)) return false;
    } else if (arg == "--events") {
      if (!value(&out->events)) return false;
    } else if (arg == "--playing-step") {
      std::string v;
      int64_t n = 0;
      if (!value(&v)) return false;
      if (!ParseWholeNumber(v, &n) || n < 1 || n > kNumSteps) {
        *error = "--playing-step wants a step from 1 to 64: '" + v + "'";
        return false;
      }
      out->playingStep = (int)n;
    } else if (arg == "--scale") {
      std::string v;
      if (!value(&v)) return false;
      if (v == "1") {
        out->scale = 100;
      } else if (v == "1.5") {
        out->scale = 150;
      } else if (v == "2") {
        out->scale = 200;
      } else {
        *error = "--scale wants 1, 1.5 or 2: '" + v + "'";
        return false;
      }
    } else if (arg == "--play-demo") {
      out->playDemo = true;
    } else if (arg == "--print-params") {
      out->printParams = true;
    } else if (arg == "--print-status") {
      out->printStatus = true;
    } else if (arg == "--print-gestures") {
      out->printGestures = true;
    } else if (arg == "--help" || arg == "-h") {
      out->help = true;
    } else {
      *error = "unknown option '" + arg + "' (--help lists them)";
      return false;
    }
  }
  if (out->playDemo && out->playingStep) {
    *error = "--play-demo and --playing-step both place the transport: give one";
    return false;
  }
  return ParseOptions((int)forwarded.size(), forwarded.data(), &out->settings, error);
}

bool ReadEvents(const std::string& source, std::string* text, std::string* error) {
  if (source == "-") {
    text->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return true;
  }
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    *error = "cannot read the events file '" + source + "': " + std::strerror(errno);
    return false;
  }
  text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

AEffect* VSTCALLBACK BuiltInEntry(audioMasterCallback hostCallback) {
  return IPlugVST::CreateEffect(hostCallback, [](IPlugInstanceInfo info) -> IPlugVST* {
    return new (std::nothrow) CLS_CORVANEL(info);
  });
}

bool WritePicture(LICE_IBitmap* surface, const std::string& path, TempFile* file,
                  std::string* error) {
  const int fd = file->Create(path, error);
  if (fd < 0) return false;
  close(fd);
  if (!LICE_WritePNG(file->TempPath().c_str(), surface, false)) {
    *error = "cannot write the picture '" + path + "'";
    return false;
  }
  return true;
}

int Run(int argc, char** argv) {
  EditorOptions options;
  std::string error;
  if (!ParseEditorOptions(argc, argv, &options, &error)) return Fail(error, kExitUsage);
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const RenderOptions& settings = options.settings;
  std::vector<EditorEvent> events;
  if (!options.events.empty()) {
    std::string text;
    if (!ReadEvents(options.events, &text, &error)) return Fail(error);
    const int w = editor_scale::ToDevice(620, options.scale);
    const int h = editor_scale::ToDevice(355, options.scale);
    if (!ParseEditorEvents(text, w, h, &events, &error)) return Fail(error, kExitUsage);
  }

  PluginHost host;
  if (!host.Create(BuiltInEntry, "the built-in plug-in", &error)) return Fail(error);
  TransportState& transport = host.Transport();
  transport.tempo = settings.tempo;
  transport.samplePos = settings.startPosition;
  host.Open();
  host.SetSampleRate(settings.sampleRate);
  host.SetBlockSize(512);
  host.SetChannels(2, 2);
  host.SetPrecision(false);
  if (!ApplyAllSettings(host, settings, &error)) return Fail(error);
  if (settings.listPresets || settings.listParams) {
    if (settings.listPresets) ListPresets(host, stdout);
    if (settings.listPresets && settings.listParams) std::fputc('\n', stdout);
    if (settings.listParams) ListParams(host, stdout);
    return 0;
  }

  auto* plug = static_cast<CLS_CORVANEL*>((IPlugVST*)host.Effect()->object);
  auto* graphics = static_cast<IGraphicsLinux*>(plug->GetGUI());
  if (!graphics) return Fail("the plug-in has no editor");

  // The transport: where the demo ended, in the middle of the given step, or at the start.
  host.Resume();
  transport.playing = true;
  transport.changed = true;
  SilencePlayer audio(host.Effect(), &host.Transport());
  if (options.playDemo) {
    audio.Play(DemoSignal(settings.sampleRate, settings.tempo).Frames());
  } else if (options.playingStep) {
    const double samplesPerBar = 4.0 * 60.0 / settings.tempo * settings.sampleRate;
    const double stepLength =
        CLS_CORVANEL::RateToBars(plug->GetParam(kRate)->Int()) * samplesPerBar;
    transport.samplePos = (int64_t)((options.playingStep - 0.5) * stepLength);
    audio.Play(1);
  } else {
    audio.Play(1);
  }

  graphics->OpenWindow(nullptr);
  graphics->SetScale(options.scale);
  graphics->Tick();
  const size_t editsBefore = host.Edits().size();
  if (!PlayEvents(events, graphics, audio, &error)) return Fail(error, kExitUsage);
  graphics->Tick();

  TempFile pictureFile, stateFile;
  if (!options.picture.empty() &&
      !WritePicture(graphics->GetDrawBitmap(), options.picture, &pictureFile, &error))
    return Fail(error);
  if (!options.stateOut.empty() && !WriteStateFile(host, options.stateOut, &stateFile, &error))
    return Fail(error);
  if (!options.picture.empty() && !pictureFile.Commit(&error)) return Fail(error);
  if (!options.stateOut.empty() && !stateFile.Commit(&error)) return Fail(error);

  if (options.printParams)
    for (int i = 0; i < host.Effect()->numParams; ++i)
      std::printf("%d\t%s\t%s\t%.6f\n", i, host.ParamName(i).c_str(), host.ParamDisplay(i).c_str(),
                  host.GetParam(i));
  if (options.printStatus) {
    WDL_String status;
    plug->StatusLine()->GetText(&status);
    std::printf("%s\n", status.Get());
  }
  if (options.printGestures) {
    const auto& edits = host.Edits();
    for (size_t i = editsBefore; i < edits.size(); ++i) {
      const PluginHost::Edit& e = edits[i];
      if (e.kind == PluginHost::Edit::kBegin) std::printf("begin %d\n", e.index);
      if (e.kind == PluginHost::Edit::kChange) std::printf("change %d %.6f\n", e.index, e.value);
      if (e.kind == PluginHost::Edit::kEnd) std::printf("end %d\n", e.index);
    }
  }
  host.Suspend();
  return 0;
}

} // namespace

int main(int argc, char** argv) { return Run(argc, argv); }
