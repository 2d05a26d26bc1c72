#pragma once
// The editor as a VST3 view: the plug-in's fixed-size editor (IGraphics) opened in the
// host's window. On Linux the parent is an X11 window id ("X11EmbedWindowID") and the
// editor runs only from the host's run loop, which the view asks the frame for: an event
// handler on the editor's X connection and a timer at the editor's 24 ticks per second,
// both calling the editor's idle work; no thread of our own. On Windows the parent is an
// HWND ("HWND") and the editor's own window and timer do the rest. On macOS the parent is
// an NSView ("NSView"): the editor's Cocoa view goes into it and its own timer on the main
// run loop drives it; removed() takes the view out of the parent again, which frees it.
//
// Its size is the editor's device size: 620 x 355 at 100 %, more at a higher scale (the
// host's content scale, the desktop's, or the user's choice from the editor's size menu);
// a new size goes to the host through the frame's resizeView.
//
// The view holds a reference to its plug-in; closing it (removed) keeps the editor's
// controls for the next view. One view at a time is attached per plug-in.
//
// Threads: every call comes from the host's user-interface thread.
#include "vst3_abi.h"

#include <atomic>

class IPlugVST3;

class IPlugVST3View final : public vst3::IPlugView,
                            public vst3::IPlugViewContentScaleSupport,
                            public vst3::IEventHandler,
                            public vst3::ITimerHandler {
public:
  // The editor ticks 24 times a second: a timer of 41 ms.
  static constexpr int kTimerMs = 1000 / 24;

  explicit IPlugVST3View(IPlugVST3* plug);
  virtual ~IPlugVST3View();
  IPlugVST3View(const IPlugVST3View&) = delete;
  IPlugVST3View& operator=(const IPlugVST3View&) = delete;

  vst3::tresult VST3_API queryInterface(const vst3::TUID iid, void** obj) override;
  uint32_t VST3_API addRef() override;
  uint32_t VST3_API release() override;

  vst3::tresult VST3_API isPlatformTypeSupported(vst3::FIDString type) override;
  // [UI thread; takes the plug-in's mutex around opening] The editor's window in `parent`.
  vst3::tresult VST3_API attached(void* parent, vst3::FIDString type) override;
  vst3::tresult VST3_API removed() override;
  vst3::tresult VST3_API onWheel(float distance) override;
  vst3::tresult VST3_API onKeyDown(char16_t key, int16_t keyCode, int16_t modifiers) override;
  vst3::tresult VST3_API onKeyUp(char16_t key, int16_t keyCode, int16_t modifiers) override;
  vst3::tresult VST3_API getSize(vst3::ViewRect* size) override;
  vst3::tresult VST3_API onSize(vst3::ViewRect* newSize) override;
  vst3::tresult VST3_API onFocus(vst3::TBool state) override;
  vst3::tresult VST3_API setFrame(vst3::IPlugFrame* frame) override;
  vst3::tresult VST3_API canResize() override;
  vst3::tresult VST3_API checkSizeConstraint(vst3::ViewRect* rect) override;

  // [UI thread] The screen's scale: the editor draws at the nearest of 100, 150 and 200 %
  // (unless the user chose a size) and asks the frame for the new size. On macOS the
  // Cocoa view follows its backing store instead: the factor is taken and ignored.
  vst3::tresult VST3_API setContentScaleFactor(float factor) override;

  // [UI thread] The editor's size changed while attached: the frame is asked to follow.
  void RequestResize();

  // [UI thread, from the host's run loop] The X connection is readable / a tick is due:
  // the editor's idle work (its events and the ticks elapsed time calls for), without the
  // plug-in's mutex, as the VST2 editor's idle runs.
  void VST3_API onFDIsSet(int fd) override;
  void VST3_API onTimer() override;

private:
  void Idle();
  // Leaves the host's run loop.
  void Unregister();

  std::atomic<uint32_t> mRefCount{1};
  IPlugVST3* mPlug;
  vst3::IPlugFrame* mFrame = nullptr;
  vst3::IRunLoop* mRunLoop = nullptr;
  bool mAttached = false;
  bool mTimerOn = false, mHandlerOn = false;
};
