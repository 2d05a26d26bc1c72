// corvanel-vst3-winhost: a VST3 host with windows, for playing the user on the bundle's
// Windows editor under wine (tests/vst3/drive-vst3-window.py). It drives each instance
// through the test host's life cycle (Vst3Plugin, as Ardour does), and opens its view as a
// Windows host does: createView("editor"), setFrame, then attached(host window, "HWND")
// with a top-level window "Corvanel host N" (N from 1) of its own per instance, side by
// side. The editor runs on its own window's timer; the host only pumps messages, and
// processes audio on a timer so that the step words an edit produces reach it.
//
//   corvanel-vst3-winhost [BUNDLE] [INSTANCES]
//
// BUNDLE: the Corvanel.vst3 folder (default: this build's, or CORVANEL_VST3_BUNDLE).
// Printed as it happens, one line each, with the instance number n:
//   BEGIN n id @ms | AUTOMATE n id value @ms | END n id @ms   the component handler's
//                     beginEdit / performEdit / endEdit
//   RESTART n flags @ms                                       restartComponent
//   OUT n id value @ms   the last value of an output parameter queue after a block
//   RESIZE n w h @ms     the view asked the frame for another size
// (ms: milliseconds since the host started).
// Commands arrive on standard input, one a line, and answer on standard output:
//   params n          PARAM n id normalised "display" for the 23 host parameters
//   chunk n           CHUNK n <hex of the component's state>
//   open n            creates a view and attaches it: OPEN n rc (1: attached); a new host
//                     window first when the last one was destroyed
//   destroy n         destroys the host window with the view still attached, as some
//                     hosts do before they call removed: DESTROYED n
//   close n           removed, setFrame(null), release: CLOSE n rc (1: removed)
//   reattach n        the open view removed and attached again, as hosts that move it
//                     do: REATTACH n rc (1: attached)
//   second n          a second view of the plug-in, attached to the same window while the
//                     first holds it: SECOND n rc (1: attached), then released
//   set n id value    a host change (automation): setParamNormalized on the controller,
//                     and the value in the next block's input changes
//   view n            what the view says of itself: VIEW n hwnd x11 resize w h (the first
//                     three 1 when supported)
// and those every windowed test host answers (rect, move, entry, focus, audio, ping, quit:
// tests/winwindow/WinTestHost.h); quit closes the views and the instances, exits 0.
// Exit codes: 0 after quit; 2 usage; 3 no plug-in; 4 setup refused; 5 window.
#include "Vst3TestHost.h"
#include "WinTestHost.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

using namespace vst3;
using wintesthost::Ms;
using wintesthost::Print;

namespace {

constexpr int kMaxInstances = 2;
constexpr int kBlock = 512;
constexpr ParamID kHostParams = 23; // Rate .. Mix and the step words

// The host's frame for one instance: a Windows host offers no run loop.
class WinFrame final : public IPlugFrame, public HostObject {
public:
  explicit WinFrame(int number) : mNumber(number) {}
  virtual ~WinFrame() = default;
  tresult VST3_API queryInterface(const TUID iid, void** obj) override {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!kFUnknownIid.Is(iid) && !kPlugFrameIid.Is(iid)) return kResultFalse;
    *obj = static_cast<IPlugFrame*>(this);
    addRef();
    return kResultOk;
  }
  VST3_TEST_REFCOUNT
  tresult VST3_API resizeView(IPlugView*, ViewRect* r) override {
    Print("RESIZE %d %d %d @%ld\n", mNumber, r ? r->right - r->left : -1,
          r ? r->bottom - r->top : -1, Ms());
    return kResultFalse;
  }

private:
  int mNumber;
};

struct Instance {
  explicit Instance(int number) : mNumber(number), mFrame(number) {}
  int mNumber;
  Vst3Plugin mPlugin;
  WinFrame mFrame;
  IPlugView* mView = nullptr;
  HWND mWindow = nullptr;
  TestParamChanges mChanges; // the host's changes for the next block
  size_t mPrinted = 0;       // the handler calls printed so far
};
std::unique_ptr<Instance> gInstances[kMaxInstances];
int gNInstances = 0;

Instance* Find(int number) {
  return number >= 1 && number <= gNInstances ? gInstances[number - 1].get() : nullptr;
}

// The handler calls the plug-in made since the last time, in their order.
void PrintCalls(Instance& in) {
  const std::vector<HandlerCall>& calls = in.mPlugin.mHandler.mCalls;
  for (; in.mPrinted < calls.size(); ++in.mPrinted) {
    const HandlerCall& c = calls[in.mPrinted];
    if (c.mKind == 'b')
      Print("BEGIN %d %u @%ld\n", in.mNumber, (unsigned)c.mId, Ms());
    else if (c.mKind == 'p')
      Print("AUTOMATE %d %u %.17g @%ld\n", in.mNumber, (unsigned)c.mId, c.mValue, Ms());
    else if (c.mKind == 'e')
      Print("END %d %u @%ld\n", in.mNumber, (unsigned)c.mId, Ms());
    else
      Print("RESTART %d %d @%ld\n", in.mNumber, (int)c.mValue, Ms());
  }
}

void PrintAllCalls() {
  for (int i = 0; i < gNInstances; ++i)
    PrintCalls(*gInstances[i]);
}

void ProcessAudio() {
  static float in[2][kBlock], out[2][kBlock];
  float* ins[2] = {in[0], in[1]};
  float* outs[2] = {out[0], out[1]};
  for (int i = 0; i < gNInstances; ++i) {
    Instance& inst = *gInstances[i];
    inst.mPlugin.Process(ins, outs, 2, kBlock, nullptr, &inst.mChanges);
    inst.mChanges.Clear();
    for (TestParamQueue* q : inst.mPlugin.mOutChanges.mQueues)
      if (!q->mPoints.empty())
        Print("OUT %d %u %.17g @%ld\n", inst.mNumber, (unsigned)q->mId, q->mPoints.back().second,
              Ms());
  }
}

// The host window, the size the view asks for before it is attached.
HWND MakeWindow(Instance& in) {
  IPlugView* probe = in.mPlugin.mController->createView(kEditorViewName);
  ViewRect r = {0, 0, 620, 355};
  if (probe) probe->getSize(&r);
  if (probe) probe->release();
  return wintesthost::CreateHostWindow(in.mNumber, r.right - r.left, r.bottom - r.top);
}

bool Open(Instance& in) {
  if (in.mView) return false;
  if (!IsWindow(in.mWindow)) in.mWindow = MakeWindow(in);
  in.mView = in.mPlugin.mController->createView(kEditorViewName);
  if (!in.mView) return false;
  in.mView->setFrame(&in.mFrame);
  if (in.mView->attached(in.mWindow, kPlatformHwnd) == kResultOk) return true;
  in.mView->setFrame(nullptr);
  in.mView->release();
  in.mView = nullptr;
  return false;
}

bool Close(Instance& in) {
  if (!in.mView) return false;
  const bool removed = in.mView->removed() == kResultOk;
  in.mView->setFrame(nullptr);
  in.mView->release();
  in.mView = nullptr;
  return removed;
}

void PrintParams(Instance& in) {
  for (ParamID id = 0; id < kHostParams; ++id) {
    const double v = in.mPlugin.mController->getParamNormalized(id);
    Print("PARAM %d %u %.17g \"%s\"\n", in.mNumber, (unsigned)id, v,
          in.mPlugin.ParamText(id, v).c_str());
  }
}

void PrintChunk(Instance& in) {
  std::string hex;
  char byte[3];
  for (unsigned char b : in.mPlugin.State()) {
    std::snprintf(byte, sizeof(byte), "%02x", b);
    hex += byte;
  }
  Print("CHUNK %d %s\n", in.mNumber, hex.c_str());
}

void PrintView(Instance& in) {
  IPlugView* view = in.mPlugin.mController->createView(kEditorViewName);
  if (!view) {
    Print("VIEW %d none\n", in.mNumber);
    return;
  }
  ViewRect r;
  std::memset(&r, 0, sizeof(r));
  view->getSize(&r);
  Print("VIEW %d %d %d %d %d %d\n", in.mNumber,
        view->isPlatformTypeSupported(kPlatformHwnd) == kResultTrue,
        view->isPlatformTypeSupported(kPlatformX11) == kResultTrue,
        view->canResize() == kResultTrue, r.right - r.left, r.bottom - r.top);
  view->release();
}

// The VST3 host's own commands.
bool RunCommand(const std::string& v, int n, const std::string& line) {
  Instance& in = *Find(n);
  PrintCalls(in);
  unsigned id = 0;
  double value = 0.0;
  if (v == "params") {
    PrintParams(in);
  } else if (v == "chunk") {
    PrintChunk(in);
  } else if (v == "open") {
    const bool opened = Open(in);
    PrintCalls(in);
    Print("OPEN %d %d\n", n, opened ? 1 : 0);
  } else if (v == "close") {
    const bool closed = Close(in);
    PrintCalls(in); // a gesture the closing ended comes before the answer
    Print("CLOSE %d %d\n", n, closed ? 1 : 0);
  } else if (v == "destroy") {
    DestroyWindow(in.mWindow);
    PrintCalls(in);
    Print("DESTROYED %d\n", n);
  } else if (v == "reattach") {
    const bool again = in.mView && in.mView->removed() == kResultOk &&
                       in.mView->attached(in.mWindow, kPlatformHwnd) == kResultOk;
    PrintCalls(in);
    Print("REATTACH %d %d\n", n, again ? 1 : 0);
  } else if (v == "second") {
    IPlugView* second = in.mPlugin.mController->createView(kEditorViewName);
    int rc = -1;
    if (second) {
      WinFrame frame(n);
      second->setFrame(&frame);
      rc = second->attached(in.mWindow, kPlatformHwnd) == kResultOk ? 1 : 0;
      if (rc == 1) second->removed();
      second->setFrame(nullptr);
      second->release();
    }
    Print("SECOND %d %d\n", n, rc);
  } else if (v == "set" && std::sscanf(line.c_str(), "%*s %*d %u %lf", &id, &value) == 2) {
    in.mPlugin.mController->setParamNormalized(id, value);
    in.mChanges.Add(id, 0, value);
  } else if (v == "view") {
    PrintView(in);
  } else {
    return false;
  }
  return true;
}

} // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "-") != 0) {
    const std::string setting = std::string("CORVANEL_VST3_BUNDLE=") + argv[1];
    _putenv(setting.c_str());
  }
  const int count = argc > 2 ? std::atoi(argv[2]) : 1;
  if (count < 1 || count > kMaxInstances) {
    std::fprintf(stderr, "usage: corvanel-vst3-winhost [BUNDLE|-] [1|2]\n");
    return 2;
  }
  Ms(); // the clock starts
  for (int i = 0; i < count; ++i) {
    gInstances[i].reset(new Instance(i + 1));
    Instance& in = *gInstances[i];
    gNInstances = i + 1;
    if (!in.mPlugin.IsValid()) {
      std::fprintf(stderr, "no plug-in in %s\n", Vst3BundlePath().c_str());
      return 3;
    }
    if (!in.mPlugin.Setup(44100.0, kBlock)) return 4;
    in.mWindow = MakeWindow(in);
    if (!in.mWindow) return 5;
    Print("OPEN %d %d\n", in.mNumber, Open(in) ? 1 : 0);
  }
  wintesthost::Callbacks callbacks;
  callbacks.command = RunCommand;
  callbacks.window = [](int n) -> HWND {
    Instance* in = Find(n);
    return in ? in->mWindow : nullptr;
  };
  callbacks.audio = ProcessAudio;
  callbacks.afterMessage = PrintAllCalls;
  wintesthost::Run(callbacks);
  for (int i = gNInstances - 1; i >= 0; --i) {
    Close(*gInstances[i]);
    PrintCalls(*gInstances[i]);
    DestroyWindow(gInstances[i]->mWindow);
    gInstances[i].reset();
  }
  Print("BYE\n");
  return 0;
}
