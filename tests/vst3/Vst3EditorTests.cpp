// The VST3 editor on Linux as a host embeds it: a private Xvfb, a host window per instance,
// the view attached with its X11 window id, and a run loop of the host's own (poll on the
// file descriptors the plug-in registers, timers at their periods) as the only thing that
// drives it. The user plays through xdotool; the tests look at what the host is told:
// gesture calls on the component handler, values the controller reports, and the step
// words the audio thread publishes in the output parameter changes.
#include "Vst3TestHost.h"
#include "XServerEnvironment.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <string>
#include <vector>

using namespace vst3;

namespace {
constexpr ParamID kMix = 9;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The host's frame, which also answers the run loop (as Ardour's does).
class TestFrame final : public IPlugFrame, public IRunLoop {
public:
  virtual ~TestFrame() = default;
  tresult VST3_API queryInterface(const TUID iid, void** obj) override {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (kFUnknownIid.Is(iid) || kPlugFrameIid.Is(iid))
      *obj = static_cast<IPlugFrame*>(this);
    else if (kRunLoopIid.Is(iid))
      *obj = static_cast<IRunLoop*>(this);
    else
      return kResultFalse;
    addRef();
    return kResultOk;
  }
  uint32_t VST3_API addRef() override { return ++mRefs; }
  uint32_t VST3_API release() override { return --mRefs; }
  // As Ardour does: the window takes the size and the view hears onSize before the return.
  tresult VST3_API resizeView(IPlugView* view, ViewRect* r) override {
    if (!view || !r) return kInvalidArgument;
    mResizes.push_back(*r);
    view->onSize(r);
    return kResultOk;
  }
  std::vector<ViewRect> mResizes;

  tresult VST3_API registerEventHandler(IEventHandler* handler, int fd) override {
    if (!handler || fd < 0) return kInvalidArgument;
    for (const auto& h : mHandlers)
      if (h.second == fd) return kResultFalse; // one handler per descriptor, as Ardour has it
    mHandlers.push_back({handler, fd});
    return kResultOk;
  }
  tresult VST3_API unregisterEventHandler(IEventHandler* handler) override {
    const size_t before = mHandlers.size();
    mHandlers.erase(std::remove_if(mHandlers.begin(), mHandlers.end(),
                                   [&](const auto& h) { return h.first == handler; }),
                    mHandlers.end());
    return mHandlers.size() < before ? kResultOk : kResultFalse;
  }
  tresult VST3_API registerTimer(ITimerHandler* handler, uint64_t ms) override {
    if (!handler || ms == 0) return kInvalidArgument; // Ardour refuses 0 ms
    mTimers.push_back({handler, (long long)ms, NowMs() + (long long)ms});
    return kResultOk;
  }
  tresult VST3_API unregisterTimer(ITimerHandler* handler) override {
    const size_t before = mTimers.size();
    mTimers.erase(std::remove_if(mTimers.begin(), mTimers.end(),
                                 [&](const Timer& t) { return t.mHandler == handler; }),
                  mTimers.end());
    return mTimers.size() < before ? kResultOk : kResultFalse;
  }

  // The host's loop for `ms` milliseconds: readable descriptors and due timers call back.
  void Run(int ms) {
    const long long end = NowMs() + ms;
    for (long long now = NowMs(); now < end; now = NowMs()) {
      long long wait = end - now;
      for (const Timer& t : mTimers)
        wait = std::min(wait, std::max(0LL, t.mDue - now));
      std::vector<pollfd> fds;
      for (const auto& h : mHandlers)
        fds.push_back({h.second, POLLIN, 0});
      poll(fds.data(), fds.size(), (int)wait);
      const auto handlers = mHandlers;
      for (size_t i = 0; i < fds.size(); ++i)
        if (fds[i].revents) handlers[i].first->onFDIsSet(fds[i].fd);
      now = NowMs();
      for (size_t i = 0; i < mTimers.size(); ++i)
        if (mTimers[i].mDue <= now) {
          mTimers[i].mDue = now + mTimers[i].mPeriod;
          mTimers[i].mHandler->onTimer();
        }
    }
  }

  struct Timer {
    ITimerHandler* mHandler;
    long long mPeriod;
    long long mDue;
  };
  std::vector<std::pair<IEventHandler*, int>> mHandlers;
  std::vector<Timer> mTimers;
  uint32_t mRefs = 1;
};

int RunXdotool(std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  return RunProgram(args, 5000);
}
bool ClickAt(unsigned long w, int x, int y, int button) {
  return RunXdotool({"mousemove", "--window", std::to_string(w), std::to_string(x),
                     std::to_string(y), "click", std::to_string(button)}) == 0;
}

// One plug-in with its editor in a host window of 620 x 355 at (x, y).
struct Editor {
  Editor(Display* display, int x, int y) : mDisplay(display) {
    mTop = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, 620, 355, 0, 0, 0);
    XMapWindow(display, mTop);
    XSync(display, False);
  }
  ~Editor() {
    if (mView) Close();
    XDestroyWindow(mDisplay, mTop);
    XSync(mDisplay, False);
  }
  bool Open() {
    mView = mPlugin.mController->createView("editor");
    if (!mView) return false;
    mView->setFrame(&mFrame);
    return mView->attached((void*)(uintptr_t)mTop, kPlatformX11) == kResultOk;
  }
  void Close() {
    mView->removed();
    mView->setFrame(nullptr);
    mView->release();
    mView = nullptr;
  }
  // The plug-in's child window in the host's window, 0 when there is none.
  unsigned long Child() {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    XQueryTree(mDisplay, mTop, &root, &parent, &children, &n);
    const unsigned long child = n > 0 ? children[0] : 0;
    if (children) XFree(children);
    return child;
  }
  // One silent block, as the host's audio would run.
  void Process() {
    float l[256] = {0}, r[256] = {0};
    float* ch[2] = {l, r};
    mPlugin.Process(ch, ch, 2, 256, nullptr);
  }

  Display* mDisplay;
  Window mTop = 0;
  Vst3Plugin mPlugin;
  TestFrame mFrame;
  IPlugView* mView = nullptr;
};

class Vst3EditorTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(gServer && gServer->IsRunning()) << "Xvfb did not start";
    mDisplay = XOpenDisplay(gServer->Display().c_str());
    ASSERT_NE(mDisplay, nullptr);
  }
  void TearDown() override {
    if (mDisplay) XCloseDisplay(mDisplay);
  }
  Display* mDisplay = nullptr;
};

TEST_F(Vst3EditorTest, TheViewEmbedsIntoAnX11WindowAndRunsOnTheHostsRunLoop) {
  Editor e(mDisplay, 50, 50);
  ASSERT_TRUE(e.mPlugin.Setup());
  IPlugView* probe = e.mPlugin.mController->createView("editor");
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe->isPlatformTypeSupported(kPlatformX11), kResultTrue);
  EXPECT_NE(probe->isPlatformTypeSupported(kPlatformHwnd), kResultTrue);
  EXPECT_NE(probe->isPlatformTypeSupported(nullptr), kResultTrue);
  ViewRect size;
  ASSERT_EQ(probe->getSize(&size), kResultOk); // before attached, as Ardour asks
  EXPECT_EQ(size.right - size.left, 620);
  EXPECT_EQ(size.bottom - size.top, 355);
  EXPECT_NE(probe->canResize(), kResultTrue);
  ViewRect wish = {0, 0, 800, 600};
  ASSERT_EQ(probe->checkSizeConstraint(&wish), kResultOk);
  EXPECT_EQ(wish.right, 620);
  EXPECT_EQ(wish.bottom, 355);
  EXPECT_EQ(probe->release(), 0u);
  EXPECT_EQ(e.mPlugin.mController->createView("other"), nullptr);

  ASSERT_TRUE(e.Open());
  EXPECT_NE(e.Child(), 0u);
  ASSERT_EQ(e.mFrame.mHandlers.size(), 1u);
  ASSERT_EQ(e.mFrame.mTimers.size(), 1u);
  EXPECT_EQ(e.mFrame.mTimers[0].mPeriod, 41);
  // A second view of the same plug-in cannot take the window away.
  IPlugView* second = e.mPlugin.mController->createView("editor");
  EXPECT_NE(second->attached((void*)(uintptr_t)e.mTop, kPlatformX11), kResultOk);
  second->release();
  e.mFrame.Run(200);

  // Closing leaves the run loop and the window; the editor opens again.
  e.Close();
  EXPECT_TRUE(e.mFrame.mHandlers.empty());
  EXPECT_TRUE(e.mFrame.mTimers.empty());
  XSync(mDisplay, False);
  EXPECT_EQ(e.Child(), 0u);
  ASSERT_TRUE(e.Open());
  EXPECT_NE(e.Child(), 0u);
  e.mFrame.Run(200);
}

TEST_F(Vst3EditorTest, AWheelNotchOnAKnobIsAGestureTheHostSeesAndEndsOnTheTimer) {
  Editor e(mDisplay, 50, 50);
  ASSERT_TRUE(e.mPlugin.Setup());
  ASSERT_TRUE(e.Open());
  e.mFrame.Run(300);
  const double before = e.mPlugin.mController->getParamNormalized(kMix);
  e.mPlugin.mHandler.mCalls.clear();
  ASSERT_TRUE(ClickAt(e.Child(), 569, 125, 4));
  e.mFrame.Run(250);
  const double after = e.mPlugin.mController->getParamNormalized(kMix);
  EXPECT_GT(after, before);
  const auto& calls = e.mPlugin.mHandler.mCalls;
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0].mKind, 'b');
  EXPECT_EQ(calls[0].mId, kMix);
  EXPECT_EQ(calls[1].mKind, 'p');
  EXPECT_EQ(calls[1].mValue, after);
  // The end waits for 12 ticks of the host's timer (half a second).
  e.mFrame.Run(700);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().mKind, 'e');
  EXPECT_EQ(calls.back().mId, kMix);
}

TEST_F(Vst3EditorTest, StepBarClicksReachTheHostAsStepWordsFromTheAudioThread) {
  Editor e(mDisplay, 50, 50);
  ASSERT_TRUE(e.mPlugin.Setup());
  ASSERT_TRUE(e.Open());
  e.mFrame.Run(300);
  std::vector<double> before;
  for (ParamID id = 10; id <= 22; ++id)
    before.push_back(e.mPlugin.mController->getParamNormalized(id));
  e.mPlugin.mHandler.mCalls.clear();
  // The bottom of step 1's volume bar, then a right click on step 2's time bar.
  ASSERT_TRUE(ClickAt(e.Child(), 47, 228, 1));
  ASSERT_TRUE(ClickAt(e.Child(), 82, 212, 3));
  e.mFrame.Run(200);
  e.Process();
  int changed = 0;
  for (ParamID id = 10; id <= 22; ++id) {
    const double now = e.mPlugin.mController->getParamNormalized(id);
    if (now == before[id - 10]) continue;
    ++changed;
    EXPECT_EQ(e.mPlugin.mOutChanges.Last(id), now) << "word " << id;
  }
  EXPECT_GT(changed, 0);
  // The editor's own signal parameters never reach the host.
  for (const HandlerCall& c : e.mPlugin.mHandler.mCalls)
    EXPECT_LT(c.mId, 23u) << c.mKind;
}

// The host's content scale: the view answers the interface, its size follows the nearest
// scale before and after it is attached, the frame is asked for every new size, and a
// click at 150 % edits what it edits at 100 %.
TEST_F(Vst3EditorTest, TheHostsContentScaleSizesTheEditorAndTheFrameFollows) {
  Editor e(mDisplay, 0, 0);
  ASSERT_TRUE(e.mPlugin.Setup());
  e.mView = e.mPlugin.mController->createView("editor");
  ASSERT_NE(e.mView, nullptr);
  void* obj = nullptr;
  ASSERT_EQ(e.mView->queryInterface(kPlugViewContentScaleSupportIid.mBytes, &obj), kResultOk);
  auto* scale = static_cast<IPlugViewContentScaleSupport*>(obj);
  EXPECT_EQ(scale->setContentScaleFactor(2.0f), kResultOk);
  ViewRect size;
  ASSERT_EQ(e.mView->getSize(&size), kResultOk);
  EXPECT_EQ(size.right, 1240);
  EXPECT_EQ(size.bottom, 710);
  e.mView->setFrame(&e.mFrame);
  ASSERT_EQ(e.mView->attached((void*)(uintptr_t)e.mTop, kPlatformX11), kResultOk);
  e.mFrame.Run(200);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(mDisplay, e.Child(), &a));
  EXPECT_EQ(a.width, 1240);
  EXPECT_EQ(a.height, 710);

  XResizeWindow(mDisplay, e.mTop, 930, 533);
  EXPECT_EQ(scale->setContentScaleFactor(1.4f), kResultOk) << "nearest: 150 %";
  ASSERT_EQ(e.mFrame.mResizes.size(), 1u);
  EXPECT_EQ(e.mFrame.mResizes[0].right, 930);
  EXPECT_EQ(e.mFrame.mResizes[0].bottom, 533);
  e.mFrame.Run(200);
  ASSERT_TRUE(XGetWindowAttributes(mDisplay, e.Child(), &a));
  EXPECT_EQ(a.width, 930);
  // The bottom of step 1's volume bar: (47, 228) at 100 % is (71, 343) at 150 %.
  std::vector<double> before;
  for (ParamID id = 10; id <= 22; ++id)
    before.push_back(e.mPlugin.mController->getParamNormalized(id));
  ASSERT_TRUE(ClickAt(e.Child(), 71, 343, 1));
  e.mFrame.Run(200);
  e.Process();
  int changed = 0;
  for (ParamID id = 10; id <= 22; ++id)
    changed += e.mPlugin.mController->getParamNormalized(id) != before[id - 10];
  EXPECT_EQ(changed, 1) << "the word holding step 1's volume";
  scale->setContentScaleFactor(1.5f);
  EXPECT_EQ(e.mFrame.mResizes.size(), 1u) << "no new size, no request";
  scale->release();
}

TEST_F(Vst3EditorTest, TwoInstancesSideBySideKeepTheirOwnValues) {
  Editor a(mDisplay, 0, 0), b(mDisplay, 640, 0);
  ASSERT_TRUE(a.mPlugin.Setup() && b.mPlugin.Setup());
  ASSERT_TRUE(a.Open() && b.Open());
  a.mFrame.Run(150);
  b.mFrame.Run(150);
  const double mixA = a.mPlugin.mController->getParamNormalized(kMix);
  const double mixB = b.mPlugin.mController->getParamNormalized(kMix);
  ASSERT_TRUE(ClickAt(b.Child(), 569, 125, 4));
  b.mFrame.Run(250);
  a.mFrame.Run(100);
  EXPECT_EQ(a.mPlugin.mController->getParamNormalized(kMix), mixA);
  EXPECT_GT(b.mPlugin.mController->getParamNormalized(kMix), mixB);
  EXPECT_TRUE(a.mPlugin.mHandler.mCalls.empty());
}

} // namespace
