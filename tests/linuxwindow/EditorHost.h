#pragma once
// A Linux VST2 host as far as the editor goes: it loads the real Corvanel.so through
// VSTPluginMain, makes a top-level X11 window per instance and opens the editor in it,
// then drives the editor one of the two ways Linux hosts do: by calling the event
// function the plug-in publishes on its window (_XEventProc) with the events the host's
// own connection gets for it, beside effEditIdle at 30 per second; or only through
// effEditIdle, at 15 or 60 per second.
#include "RecordingHost.h"

#include <cstdint>
#include <string>
#include <vector>

struct _XDisplay;
union _XEvent;

enum class Drive { kEventProc, kIdle15, kIdle60 };
const char* DriveName(Drive d);

class EditorHost {
public:
  // [test thread] Opens the host's connection to DISPLAY.
  EditorHost();
  ~EditorHost();
  EditorHost(const EditorHost&) = delete;
  EditorHost& operator=(const EditorHost&) = delete;

  struct Instance {
    AEffect* mEffect = nullptr;
    unsigned long mTop = 0;    // the host's window
    unsigned long mEditor = 0; // the plug-in's child window, 0 while closed
    void (*mEventProc)(union _XEvent*) = nullptr;
    long long mNextIdleMs = 0;

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
      return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
    }
    float Get(int index) { return mEffect->getParameter(mEffect, index); }
  };

  bool IsConnected() const { return mDisplay != nullptr; }
  // [test thread] A new plug-in instance, opened as hosts do, with a 620 x 355 window at
  // (x, y) on the screen; null when the library cannot be loaded.
  Instance* AddInstance(int x, int y);
  // [test thread] effEditOpen with the host's window; true when the editor opened and its
  // child window is there.
  bool OpenEditor(Instance* inst, Drive drive);
  void CloseEditor(Instance* inst);
  // [test thread] Runs the host's loop for ms milliseconds in the instances' drive mode.
  void Run(int ms);
  // [test thread] The editor window's pixels as the X server has them, 0x00RRGGBB (the
  // window's top-left w x h).
  std::vector<uint32_t> Screenshot(Instance* inst, int w = 620, int h = 355);
  // [test thread] Does what the plug-in asked with audioMasterSizeWindow since the last
  // Clear: the host's window takes the size. False when it asked nothing.
  bool FollowSizeRequests(Instance* inst);
  // [test thread] The size of the plug-in's window as the X server has it.
  bool EditorSize(Instance* inst, int* w, int* h);
  // [test thread] Paints the editor window black from the host's connection.
  bool ScribbleOver(Instance* inst);
  // [test thread] Calls the editor's event function with an exposure of all of `window`,
  // as the host's connection would have it; nothing else runs.
  void CallEventProc(Instance* inst, unsigned long window);
  // [test thread] One audio block of silence through processReplacing.
  void Process(Instance* inst, int frames = 512);

  RecordingHost mHost;
  Drive mDrive = Drive::kIdle60;

private:
  void Deliver(union _XEvent* ev);

  _XDisplay* mDisplay = nullptr;
  std::vector<Instance*> mInstances;
};

// [test thread] xdotool with these arguments; true when it succeeded within 5 s.
bool Xdotool(const std::vector<std::string>& args);
// The window id as xdotool takes it.
std::string WindowArg(unsigned long window);
