// corvanel-winhost: a small VST2 host with windows, for driving the plug-in's editor
// under wine like a person would (tests/winwindow/drive-window.py).
//
//   corvanel-winhost PLUGIN.dll [INSTANCES]
//
// It loads the DLL through VSTPluginMain, makes INSTANCES (1 or 2) plug-in instances,
// each in a top-level window "Corvanel host N" (N from 1) placed side by side, opens
// each editor with effEditOpen and processes audio on a timer, so that the step words
// an edit produces reach the host. Every host callback of interest is printed as it
// happens, one line each, with the instance number:
//   BEGIN n idx @ms | AUTOMATE n idx value @ms | END n idx @ms
//   SIZE n w h @ms    (audioMasterSizeWindow: the host window follows, as hosts do)
// (ms: milliseconds since the host started).
// Commands arrive on standard input, one a line, and answer on standard output:
//   params n          PARAM n idx normalised "display" for every parameter
//   chunk n           CHUNK n <hex of the program chunk>
//   open n / close n  effEditOpen (answer OPEN n rc) / effEditClose (CLOSE n rc)
//   wheel n delta     the host's wheel request ('stCA' 'Whee'); WHEEL n answer
//   set n idx value   setParameter with a normalised value
// and those every windowed test host answers (rect, move, entry, focus, dpi, audio, ping, quit:
// tests/winwindow/WinTestHost.h); quit closes the editors and the instances, exits 0.
// The host window forwards wheel messages to the editor through the wheel request, as
// hosts do. Exit codes: 0 after quit; 2 usage; 3 load; 4 entry or magic; 5 window.
#include "PluginLibrary.h"
#include "WinTestHost.h"
#include "vst2_abi.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using wintesthost::Ms;
using wintesthost::Print;

namespace {

constexpr int kMaxInstances = 2;
constexpr int kBlock = 512;

struct Instance {
  AEffect* effect = nullptr;
  HWND window = nullptr;
  int number = 0;
};
Instance gInstances[kMaxInstances];
int gNInstances = 0;
VstTimeInfo gTime;

int NumberOf(AEffect* effect) {
  for (int i = 0; i < gNInstances; ++i)
    if (gInstances[i].effect == effect) return gInstances[i].number;
  return 0; // during VSTPluginMain, before the instance is known
}

VstIntPtr VSTCALLBACK HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                   VstIntPtr value, void* ptr, float opt) {
  switch (opcode) {
  case audioMasterVersion:
    return 2400;
  case audioMasterAutomate:
    Print("AUTOMATE %d %d %.9g @%ld\n", NumberOf(effect), index, opt, Ms());
    return 0;
  case audioMasterBeginEdit:
    Print("BEGIN %d %d @%ld\n", NumberOf(effect), index, Ms());
    return 1;
  case audioMasterEndEdit:
    Print("END %d %d @%ld\n", NumberOf(effect), index, Ms());
    return 1;
  case audioMasterSizeWindow:
    Print("SIZE %d %d %d @%ld\n", NumberOf(effect), index, (int)value, Ms());
    for (int i = 0; i < gNInstances; ++i)
      if (gInstances[i].effect == effect && gInstances[i].window)
        SetWindowPos(gInstances[i].window, nullptr, 0, 0, index + 20, (int)value + 20,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 1;
  case audioMasterGetTime:
    return (VstIntPtr)&gTime;
  case audioMasterGetSampleRate:
    return 44100;
  case audioMasterGetBlockSize:
    return kBlock;
  default:
    return 0;
  }
}

VstIntPtr Dispatch(Instance& in, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.0f) {
  return in.effect->dispatcher(in.effect, opcode, index, value, ptr, opt);
}

Instance* Find(int number) {
  for (int i = 0; i < gNInstances; ++i)
    if (gInstances[i].number == number) return &gInstances[i];
  return nullptr;
}

void ProcessAudio() {
  static float in[2][kBlock], out[2][kBlock];
  float* ins[2] = {in[0], in[1]};
  float* outs[2] = {out[0], out[1]};
  for (int i = 0; i < gNInstances; ++i)
    gInstances[i].effect->processReplacing(gInstances[i].effect, ins, outs, kBlock);
  gTime.samplePos += kBlock;
}

void PrintParams(Instance& in) {
  for (int i = 0; i < in.effect->numParams + 3; ++i) {
    char display[64] = {0};
    const float v = in.effect->getParameter(in.effect, i);
    Dispatch(in, effGetParamDisplay, i, 0, display);
    Print("PARAM %d %d %.9g \"%s\"\n", in.number, i, v, display);
  }
}

void PrintChunk(Instance& in) {
  void* data = nullptr;
  const VstIntPtr size = Dispatch(in, effGetChunk, 1, 0, &data);
  std::string hex;
  char byte[3];
  for (VstIntPtr i = 0; data && i < size; ++i) {
    std::snprintf(byte, sizeof(byte), "%02x", ((unsigned char*)data)[i]);
    hex += byte;
  }
  Print("CHUNK %d %s\n", in.number, hex.c_str());
}

// The VST2 host's own commands.
bool RunCommand(const std::string& v, int n, const std::string& line) {
  Instance* in = Find(n);
  int a = 0;
  float f = 0.0f;
  if (v == "params") {
    PrintParams(*in);
  } else if (v == "chunk") {
    PrintChunk(*in);
  } else if (v == "open") {
    Print("OPEN %d %d\n", n, (int)Dispatch(*in, effEditOpen, 0, 0, in->window));
  } else if (v == "close") {
    Print("CLOSE %d %d\n", n, (int)Dispatch(*in, effEditClose));
  } else if (v == "wheel" && std::sscanf(line.c_str(), "%*s %*d %f", &f) == 1) {
    Print("WHEEL %d %d\n", n,
          (int)Dispatch(*in, effVendorSpecific, 0x73744341, 0x57686565, nullptr, f));
  } else if (v == "set" && std::sscanf(line.c_str(), "%*s %*d %d %f", &a, &f) == 2) {
    in->effect->setParameter(in->effect, a, f);
  } else {
    return false;
  }
  return true;
}

LRESULT CALLBACK HostWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
  case WM_MOUSEWHEEL:
    // Hosts hand the wheel to the plug-in's editor in notches.
    for (int i = 0; i < gNInstances; ++i)
      if (gInstances[i].window == hWnd)
        Dispatch(gInstances[i], effVendorSpecific, 0x73744341, 0x57686565, nullptr,
                 (float)((short)HIWORD(wParam) / 120));
    return 0;
  case WM_CLOSE:
    return 0; // only the quit command ends the host
  default:
    return DefWindowProcA(hWnd, msg, wParam, lParam);
  }
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: corvanel-winhost PLUGIN.dll [INSTANCES]\n");
    return 2;
  }
  const int count = argc > 2 ? std::atoi(argv[2]) : 1;
  if (count < 1 || count > kMaxInstances) return 2;
  PluginLibrary library(argv[1]);
  if (!library.IsLoaded()) {
    std::fprintf(stderr, "%s\n", library.Error().c_str());
    return 3;
  }
  VstPluginMainProc entry = (VstPluginMainProc)library.Symbol("VSTPluginMain");
  if (!entry) return 4;

  Ms(); // the clock starts
  std::memset(&gTime, 0, sizeof(gTime));
  gTime.sampleRate = 44100.0;
  gTime.tempo = 120.0;
  gTime.timeSigNumerator = 4;
  gTime.timeSigDenominator = 4;
  gTime.flags = kVstTempoValid | kVstTimeSigValid;

  for (int i = 0; i < count; ++i) {
    Instance& in = gInstances[i];
    in.effect = entry(HostCallback);
    if (!in.effect || in.effect->magic != kEffectMagic) return 4;
    in.number = i + 1;
    gNInstances = i + 1;
    Dispatch(in, effOpen);
    Dispatch(in, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(in, effSetBlockSize, 0, kBlock);
    Dispatch(in, effMainsChanged, 0, 1);
    ERect* rect = nullptr;
    Dispatch(in, effEditGetRect, 0, 0, &rect);
    const int w = rect ? rect->right - rect->left : 620, h = rect ? rect->bottom - rect->top : 355;
    in.window = wintesthost::CreateHostWindow(in.number, w, h, HostWndProc);
    if (!in.window) return 5;
    Print("FLAGS %d %d\n", in.number, (in.effect->flags & effFlagsHasEditor) ? 1 : 0);
    Print("OPEN %d %d\n", in.number, (int)Dispatch(in, effEditOpen, 0, 0, in.window));
  }
  wintesthost::Callbacks callbacks;
  callbacks.command = RunCommand;
  callbacks.window = [](int n) -> HWND {
    Instance* in = Find(n);
    return in ? in->window : nullptr;
  };
  callbacks.audio = ProcessAudio;
  wintesthost::Run(callbacks);
  for (int i = 0; i < gNInstances; ++i) {
    Dispatch(gInstances[i], effEditClose);
    Dispatch(gInstances[i], effMainsChanged, 0, 0);
    Dispatch(gInstances[i], effClose);
    DestroyWindow(gInstances[i].window);
  }
  Print("BYE\n");
  return 0;
}
