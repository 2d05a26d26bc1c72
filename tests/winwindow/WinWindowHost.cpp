// corvanel-winhost: a small VST2 host with windows, for driving the plug-in's editor
// under wine like a person would (tests/winwindow/drive-window.sh).
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
//   rect n            RECT n x y w h of the editor window inside the host window, or
//                     RECT n none
//   move n x y        moves the editor window inside the host window (as hosts do)
//   entry n           ENTRY n class x y w h "text" of the open value entry (place in the
//                     editor window), or ENTRY n none
//   focus n           gives the editor window the keyboard focus (wheel messages go
//                     to it then, not to the host window)
//   dpi n d           sends the editor window WM_DPICHANGED for DPI d, as Windows does
//                     when a top-level window moves to a monitor of another DPI
//   audio 0|1         stops or starts the audio blocks (off at start, so the first
//                     picture shows the plug-in as it was opened)
//   wheel n delta     the host's wheel request ('stCA' 'Whee'); WHEEL n answer
//   set n idx value   setParameter with a normalised value
//   ping              PONG (everything before it was handled)
//   quit              closes the editors and the instances, exits 0
// The host window forwards wheel messages to the editor through the wheel request, as
// hosts do. Exit codes: 0 after quit; 2 usage; 3 load; 4 entry or magic; 5 window.
#include "PluginLibrary.h"
#include "vst2_abi.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kMaxInstances = 2;
constexpr int kBlock = 512;
constexpr UINT kCommandMsg = WM_APP + 1;
constexpr UINT_PTR kAudioTimer = 7;
const char kHostClass[] = "CorvanelTestHost";

struct Instance {
  AEffect* effect = nullptr;
  HWND window = nullptr;
  int number = 0;
};
Instance gInstances[kMaxInstances];
int gNInstances = 0;
VstTimeInfo gTime;
bool gAudio = false;
DWORD gStart = 0;

long Ms() { return (long)(GetTickCount() - gStart); }

void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

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

HWND EditorWindow(const Instance& in) { return GetWindow(in.window, GW_CHILD); }

void ProcessAudio() {
  if (!gAudio) return;
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

void PrintEntry(Instance& in) {
  HWND editor = EditorWindow(in);
  HWND entry = editor ? GetDlgItem(editor, 99) : nullptr;
  if (!entry) {
    Print("ENTRY %d none\n", in.number);
    return;
  }
  char cls[64] = {0}, text[256] = {0};
  GetClassNameA(entry, cls, sizeof(cls));
  GetWindowTextA(entry, text, sizeof(text));
  RECT r;
  GetWindowRect(entry, &r);
  MapWindowPoints(HWND_DESKTOP, editor, (POINT*)&r, 2);
  Print("ENTRY %d %s %ld %ld %ld %ld \"%s\"\n", in.number, cls, r.left, r.top, r.right - r.left,
        r.bottom - r.top, text);
}

// Returns false on quit.
bool RunCommand(const std::string& line) {
  char verb[32] = {0};
  int n = 0, a = 0, b = 0;
  float f = 0.0f;
  const int got = std::sscanf(line.c_str(), "%31s %d", verb, &n);
  if (got < 1) return true;
  const std::string v = verb;
  if (v == "quit") return false;
  if (v == "audio") {
    gAudio = n != 0;
    return true;
  }
  if (v == "ping") {
    Print("PONG\n");
    return true;
  }
  Instance* in = Find(n);
  if (!in) {
    Print("ERROR no instance %d\n", n);
    return true;
  }
  if (v == "params") {
    PrintParams(*in);
  } else if (v == "chunk") {
    PrintChunk(*in);
  } else if (v == "open") {
    Print("OPEN %d %d\n", n, (int)Dispatch(*in, effEditOpen, 0, 0, in->window));
  } else if (v == "close") {
    Print("CLOSE %d %d\n", n, (int)Dispatch(*in, effEditClose));
  } else if (v == "rect") {
    HWND editor = EditorWindow(*in);
    RECT r, host;
    if (!editor) {
      Print("RECT %d none\n", n);
    } else {
      GetWindowRect(editor, &r);
      GetWindowRect(in->window, &host);
      Print("RECT %d %ld %ld %ld %ld\n", n, r.left - host.left, r.top - host.top, r.right - r.left,
            r.bottom - r.top);
    }
  } else if (v == "move" && std::sscanf(line.c_str(), "%*s %*d %d %d", &a, &b) == 2) {
    if (HWND editor = EditorWindow(*in))
      SetWindowPos(editor, nullptr, a, b, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (v == "dpi" && std::sscanf(line.c_str(), "%*s %*d %d", &a) == 1) {
    if (HWND editor = EditorWindow(*in)) {
      RECT suggested;
      GetWindowRect(editor, &suggested);
      SendMessageA(editor, WM_DPICHANGED, MAKEWPARAM(a, a), (LPARAM)&suggested);
    }
  } else if (v == "focus") {
    SetFocus(EditorWindow(*in));
  } else if (v == "entry") {
    PrintEntry(*in);
  } else if (v == "wheel" && std::sscanf(line.c_str(), "%*s %*d %f", &f) == 1) {
    Print("WHEEL %d %d\n", n,
          (int)Dispatch(*in, effVendorSpecific, 0x73744341, 0x57686565, nullptr, f));
  } else if (v == "set" && std::sscanf(line.c_str(), "%*s %*d %d %f", &a, &f) == 2) {
    in->effect->setParameter(in->effect, a, f);
  } else {
    Print("ERROR unknown command %s\n", line.c_str());
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

// Standard input, read on a thread of its own and handed to the window thread.
DWORD WINAPI ReadCommands(LPVOID threadId) {
  char buf[4096];
  while (std::fgets(buf, sizeof(buf), stdin)) {
    std::string* line = new std::string(buf);
    while (!line->empty() && (line->back() == '\n' || line->back() == '\r'))
      line->pop_back();
    PostThreadMessageA((DWORD)(UINT_PTR)threadId, kCommandMsg, 0, (LPARAM)line);
  }
  PostThreadMessageA((DWORD)(UINT_PTR)threadId, kCommandMsg, 0, (LPARAM) new std::string("quit"));
  return 0;
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

  gStart = GetTickCount();
  std::memset(&gTime, 0, sizeof(gTime));
  gTime.sampleRate = 44100.0;
  gTime.tempo = 120.0;
  gTime.timeSigNumerator = 4;
  gTime.timeSigDenominator = 4;
  gTime.flags = kVstTempoValid | kVstTimeSigValid;

  WNDCLASSA wc = {};
  wc.lpfnWndProc = HostWndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
  wc.lpszClassName = kHostClass;
  RegisterClassA(&wc);

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
    char title[64];
    std::snprintf(title, sizeof(title), "Corvanel host %d", in.number);
    // No window manager draws frames: the client area is the whole window.
    in.window =
        CreateWindowExA(0, kHostClass, title, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, i * (w + 20),
                        0, w + 20, h + 20, nullptr, nullptr, wc.hInstance, nullptr);
    if (!in.window) return 5;
    Print("FLAGS %d %d\n", in.number, (in.effect->flags & effFlagsHasEditor) ? 1 : 0);
    Print("OPEN %d %d\n", in.number, (int)Dispatch(in, effEditOpen, 0, 0, in.window));
  }
  SetTimer(nullptr, kAudioTimer, 10, nullptr);
  CreateThread(nullptr, 0, ReadCommands, (LPVOID)(UINT_PTR)GetCurrentThreadId(), 0, nullptr);
  Print("READY\n");

  MSG msg;
  bool running = true;
  while (running && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == kCommandMsg) {
      std::string* line = (std::string*)msg.lParam;
      running = RunCommand(*line);
      delete line;
      continue;
    }
    if (msg.hwnd == nullptr && msg.message == WM_TIMER) {
      ProcessAudio();
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  for (int i = 0; i < gNInstances; ++i) {
    Dispatch(gInstances[i], effEditClose);
    Dispatch(gInstances[i], effMainsChanged, 0, 0);
    Dispatch(gInstances[i], effClose);
    DestroyWindow(gInstances[i].window);
  }
  Print("BYE\n");
  return 0;
}
