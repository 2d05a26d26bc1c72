#include "IPlugVST3View.h"

#include "IGraphics.h"
#include "IPlugVST3.h"
#include "PlatformGraphics.h"

#include <cstring>

using namespace vst3;

// Only the X11 editor needs the host's run loop: Windows and macOS run the editor's window
// and timer on the system's own message loop.
#if !defined(_WIN32) && !defined(CORVANEL_MACOS)
#define CORVANEL_VST3_RUN_LOOP 1
#endif

namespace {
#if defined(_WIN32)
constexpr const char* kPlatformType = kPlatformHwnd;
#elif defined(CORVANEL_MACOS)
constexpr const char* kPlatformType = kPlatformNSView;
#else
constexpr const char* kPlatformType = kPlatformX11;
#endif

// Whether this build's editor opens windows in the host's window at all.
#ifdef CORVANEL_EDITOR_WINDOWS
constexpr bool kEditorWindows = true;
#else
constexpr bool kEditorWindows = false;
#endif
} // namespace

IPlugVST3View::IPlugVST3View(IPlugVST3* plug) : mPlug(plug) { mPlug->addRef(); }

IPlugVST3View::~IPlugVST3View() {
  if (mAttached) removed();
  mPlug->release();
}

tresult IPlugVST3View::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (kFUnknownIid.Is(iid) || kPlugViewIid.Is(iid))
    *obj = static_cast<IPlugView*>(this);
  else if (kPlugViewContentScaleSupportIid.Is(iid))
    *obj = static_cast<IPlugViewContentScaleSupport*>(this);
#ifdef CORVANEL_VST3_RUN_LOOP
  else if (kEventHandlerIid.Is(iid))
    *obj = static_cast<IEventHandler*>(this);
  else if (kTimerHandlerIid.Is(iid))
    *obj = static_cast<ITimerHandler*>(this);
#endif
  if (!*obj) return kNoInterface;
  addRef();
  return kResultOk;
}

uint32_t IPlugVST3View::addRef() { return ++mRefCount; }

uint32_t IPlugVST3View::release() {
  const uint32_t count = --mRefCount;
  if (count == 0) delete this;
  return count;
}

tresult IPlugVST3View::isPlatformTypeSupported(FIDString type) {
  return kEditorWindows && type && !std::strcmp(type, kPlatformType) ? kResultTrue : kResultFalse;
}

tresult IPlugVST3View::attached(void* parent, FIDString type) {
  if (!parent || isPlatformTypeSupported(type) != kResultTrue) return kResultFalse;
  if (mAttached) return kResultFalse;
  {
    WDL_MutexLock lock(&mPlug->mMutex);
    IGraphics* graphics = mPlug->GetGUI();
    // The plug-in's one editor window belongs to one view at a time.
    if (!graphics || mPlug->mAttachedView) return kResultFalse;
    // Attached before the window opens: a window that finds its screen at another scale
    // asks the frame for its size through this view.
    mPlug->mAttachedView = this;
    if (!graphics->OpenWindow(parent)) {
      mPlug->mAttachedView = nullptr;
      return kResultFalse;
    }
    mPlug->EditorOpened();
  }
  mAttached = true;
#ifdef CORVANEL_VST3_RUN_LOOP
  // The host's run loop drives the editor: asked of the frame, where Linux hosts offer it.
  void* loop = nullptr;
  if (mFrame && mFrame->queryInterface(kRunLoopIid.mBytes, &loop) == kResultOk && loop) {
    mRunLoop = static_cast<IRunLoop*>(loop);
    const int fd = static_cast<PlatformGraphics*>(mPlug->GetGUI())->WindowConnectionFd();
    mHandlerOn = fd >= 0 && mRunLoop->registerEventHandler(this, fd) == kResultOk;
    mTimerOn = mRunLoop->registerTimer(this, kTimerMs) == kResultOk;
  }
#endif
  return kResultOk;
}

void IPlugVST3View::Unregister() {
  if (!mRunLoop) return;
  if (mHandlerOn) mRunLoop->unregisterEventHandler(this);
  if (mTimerOn) mRunLoop->unregisterTimer(this);
  mHandlerOn = mTimerOn = false;
  mRunLoop->release();
  mRunLoop = nullptr;
}

tresult IPlugVST3View::removed() {
  if (!mAttached) return kResultFalse;
  Unregister();
  WDL_MutexLock lock(&mPlug->mMutex);
  mPlug->EditorClosed();
  if (mPlug->GetGUI()) mPlug->GetGUI()->CloseWindow();
  mPlug->mAttachedView = nullptr;
  mAttached = false;
  return kResultOk;
}

void IPlugVST3View::Idle() {
  IGraphics* graphics = mPlug->GetGUI();
  if (mAttached && graphics && graphics->WindowIsOpen()) graphics->HostIdle();
}

void IPlugVST3View::onFDIsSet(int) { Idle(); }

void IPlugVST3View::onTimer() { Idle(); }

tresult IPlugVST3View::onWheel(float) { return kResultFalse; }

tresult IPlugVST3View::onKeyDown(char16_t, int16_t, int16_t) { return kResultFalse; }

tresult IPlugVST3View::onKeyUp(char16_t, int16_t, int16_t) { return kResultFalse; }

tresult IPlugVST3View::getSize(ViewRect* size) {
  if (!size) return kInvalidArgument;
  IGraphics* graphics = mPlug->GetGUI();
  if (!graphics) return kResultFalse;
  size->left = size->top = 0;
#ifdef CORVANEL_MACOS
  // Points on macOS: the device size over the backing store's pixels per point.
  size->right = static_cast<PlatformGraphics*>(graphics)->ViewWidth();
  size->bottom = static_cast<PlatformGraphics*>(graphics)->ViewHeight();
#else
  size->right = graphics->DeviceWidth();
  size->bottom = graphics->DeviceHeight();
#endif
  return kResultOk;
}

tresult IPlugVST3View::setContentScaleFactor(float factor) {
#ifndef CORVANEL_MACOS
  IGraphics* graphics = mPlug->GetGUI();
  if (!graphics) return kResultFalse;
  graphics->SetHostScale(editor_scale::NearestScale(factor));
#else
  (void)factor;
#endif
  return kResultOk;
}

void IPlugVST3View::RequestResize() {
  ViewRect size;
  if (!mFrame || getSize(&size) != kResultOk) return;
  mFrame->resizeView(this, &size);
}

// The editor's size follows its scale alone: any other is answered with it.
tresult IPlugVST3View::onSize(ViewRect* newSize) { return newSize ? kResultOk : kInvalidArgument; }

tresult IPlugVST3View::onFocus(TBool) { return kResultOk; }

tresult IPlugVST3View::setFrame(IPlugFrame* frame) {
  // The frame outlives the view (the host says so with setFrame(null) first); not held.
  if (!frame) Unregister();
  mFrame = frame;
  return kResultOk;
}

tresult IPlugVST3View::canResize() { return kResultFalse; }

tresult IPlugVST3View::checkSizeConstraint(ViewRect* rect) {
  if (!rect) return kInvalidArgument;
  ViewRect fixed;
  if (getSize(&fixed) != kResultOk) return kResultFalse;
  rect->right = rect->left + fixed.right;
  rect->bottom = rect->top + fixed.bottom;
  return kResultOk;
}
