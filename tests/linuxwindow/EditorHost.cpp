#include "EditorHost.h"

#include "PluginLibrary.h"
#include "XServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <time.h>
#include <unistd.h>

namespace {
long long NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

int IdlePeriodMs(Drive d) { return d == Drive::kIdle15 ? 66 : d == Drive::kIdle60 ? 16 : 33; }
} // namespace

const char* DriveName(Drive d) {
  return d == Drive::kEventProc ? "EventProc" : d == Drive::kIdle15 ? "Idle15" : "Idle60";
}

EditorHost::EditorHost() { mDisplay = XOpenDisplay(nullptr); }

EditorHost::~EditorHost() {
  for (Instance* inst : mInstances) {
    if (inst->mEditor) CloseEditor(inst);
    inst->Dispatch(effClose);
    if (mDisplay) XDestroyWindow(mDisplay, inst->mTop);
    delete inst;
  }
  if (mDisplay) XCloseDisplay(mDisplay);
}

EditorHost::Instance* EditorHost::AddInstance(int x, int y) {
  if (!mDisplay) return nullptr;
  auto entry = (VstPluginMainProc)BuiltPlugin().Symbol("VSTPluginMain");
  AEffect* effect = entry ? entry(RecordingHost::Callback) : nullptr;
  if (!effect) return nullptr;
  Instance* inst = new Instance();
  inst->mEffect = effect;
  inst->Dispatch(effOpen);
  inst->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  inst->Dispatch(effSetBlockSize, 0, 512);
  inst->Dispatch(effMainsChanged, 0, 1);
  inst->Dispatch(effStartProcess);
  const int screen = DefaultScreen(mDisplay);
  inst->mTop = XCreateSimpleWindow(mDisplay, RootWindow(mDisplay, screen), x, y, 620, 355, 0,
                                   BlackPixel(mDisplay, screen), BlackPixel(mDisplay, screen));
  XMapWindow(mDisplay, inst->mTop);
  XSync(mDisplay, False);
  mInstances.push_back(inst);
  return inst;
}

bool EditorHost::OpenEditor(Instance* inst, Drive drive) {
  mDrive = drive;
  if (inst->Dispatch(effEditOpen, 0, 0, (void*)(uintptr_t)inst->mTop) != 1) return false;
  XSync(mDisplay, False);
  // The plug-in's window is the child of ours.
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  XQueryTree(mDisplay, inst->mTop, &root, &parent, &children, &n);
  inst->mEditor = n > 0 ? children[n - 1] : 0;
  if (children) XFree(children);
  if (!inst->mEditor) return false;
  inst->mEventProc = nullptr;
  if (drive == Drive::kEventProc) {
    // The property holds the function's address as two 32-bit items, low half first.
    const Atom atom = XInternAtom(mDisplay, "_XEventProc", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(mDisplay, inst->mEditor, atom, 0, 2, False, atom, &type, &format, &count,
                           &after, &data) == Success &&
        data && format == 32 && count == 2) {
      const long* items = (const long*)data;
      const uint64_t address = ((uint64_t)(uint32_t)items[1] << 32) | (uint32_t)items[0];
      inst->mEventProc = (void (*)(XEvent*))(uintptr_t)address;
    }
    if (data) XFree(data);
    if (!inst->mEventProc) return false;
    // Button presses belong to the plug-in's own connection (one client only may
    // select them); the rest the host selects too and passes on.
    XSelectInput(mDisplay, inst->mEditor,
                 ExposureMask | KeyPressMask | ButtonMotionMask | StructureNotifyMask);
    XSync(mDisplay, False);
  }
  inst->mNextIdleMs = NowMs();
  return true;
}

void EditorHost::CloseEditor(Instance* inst) {
  inst->Dispatch(effEditClose);
  inst->mEditor = 0;
  inst->mEventProc = nullptr;
  XSync(mDisplay, False);
}

void EditorHost::Deliver(XEvent* ev) {
  for (Instance* inst : mInstances)
    if (inst->mEditor && inst->mEventProc && ev->xany.window == inst->mEditor) inst->mEventProc(ev);
}

void EditorHost::Run(int ms) {
  const long long end = NowMs() + ms;
  while (true) {
    while (XPending(mDisplay) > 0) {
      XEvent ev;
      XNextEvent(mDisplay, &ev);
      if (mDrive == Drive::kEventProc) Deliver(&ev);
    }
    const long long now = NowMs();
    for (Instance* inst : mInstances) {
      if (!inst->mEditor || now < inst->mNextIdleMs) continue;
      inst->Dispatch(effEditIdle);
      inst->mNextIdleMs += IdlePeriodMs(mDrive);
      if (inst->mNextIdleMs < now) inst->mNextIdleMs = now + IdlePeriodMs(mDrive);
    }
    if (now >= end) break;
    usleep(2000);
  }
}

std::vector<uint32_t> EditorHost::Screenshot(Instance* inst, int w, int h) {
  std::vector<uint32_t> pixels;
  if (!inst->mEditor) return pixels;
  XImage* image =
      XGetImage(mDisplay, inst->mEditor, 0, 0, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
  if (!image) return pixels;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      pixels.push_back((uint32_t)XGetPixel(image, x, y) & 0xffffff);
  XDestroyImage(image);
  return pixels;
}

bool EditorHost::FollowSizeRequests(Instance* inst) {
  const std::vector<HostCall> asks = mHost.CallsOf(audioMasterSizeWindow);
  if (asks.empty()) return false;
  XResizeWindow(mDisplay, inst->mTop, (unsigned)asks.back().mIndex, (unsigned)asks.back().mValue);
  XSync(mDisplay, False);
  return true;
}

bool EditorHost::EditorSize(Instance* inst, int* w, int* h) {
  XWindowAttributes a;
  if (!inst->mEditor || !XGetWindowAttributes(mDisplay, inst->mEditor, &a)) return false;
  *w = a.width;
  *h = a.height;
  return true;
}

bool EditorHost::ScribbleOver(Instance* inst) {
  if (!inst->mEditor) return false;
  GC gc = XCreateGC(mDisplay, inst->mEditor, 0, nullptr);
  XSetForeground(mDisplay, gc, BlackPixel(mDisplay, DefaultScreen(mDisplay)));
  XFillRectangle(mDisplay, inst->mEditor, gc, 0, 0, 620, 355);
  XFreeGC(mDisplay, gc);
  XSync(mDisplay, False);
  return true;
}

void EditorHost::CallEventProc(Instance* inst, unsigned long window) {
  if (!inst->mEventProc) return;
  XEvent ev = {};
  ev.xexpose.type = Expose;
  ev.xexpose.display = mDisplay;
  ev.xexpose.window = window;
  ev.xexpose.width = 620;
  ev.xexpose.height = 355;
  inst->mEventProc(&ev);
  XSync(mDisplay, False);
}

void EditorHost::Process(Instance* inst, int frames) {
  std::vector<float> in(frames, 0.0f), out(frames, 0.0f);
  float* ins[2] = {in.data(), in.data()};
  std::vector<float> out2(frames, 0.0f);
  float* outs[2] = {out.data(), out2.data()};
  inst->mEffect->processReplacing(inst->mEffect, ins, outs, frames);
}

bool Xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, 5000) == 0;
}

std::string WindowArg(unsigned long window) { return std::to_string(window); }
