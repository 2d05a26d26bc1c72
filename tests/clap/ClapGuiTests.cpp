// Corvanel.clap's editor under a private X server, as a Linux CLAP host shows it: embedded
// in the host's own top-level window or floating on its own, driven only by the host's
// timer and its watch of the editor's display connection, both serviced by the test
// host's loop. The user is played by xdotool; the test asserts on what the host sees
// (values, output events, the state marked dirty) and that closing leaves no timer or fd
// registered and no thread behind.
#include "BuiltClap.h"
#include "ClapInstance.h"
#include "XServer.h"

// gtest before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr clapabi::Id kMix = 9;

int ThreadCount() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d))
      n += e->d_name[0] != '.';
    closedir(d);
  }
  return n;
}

bool Xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, 5000) == 0;
}

bool ClickAt(unsigned long w, int x, int y, int button) {
  return Xdotool({"mousemove", "--window", std::to_string(w), std::to_string(x), std::to_string(y),
                  "click", std::to_string(button)});
}

class ClapGui : public ::testing::Test {
protected:
  void SetUp() override {
    if (!mServer.IsRunning()) GTEST_SKIP() << "no X server";
    mDisplay = XOpenDisplay(mServer.Display().c_str());
    ASSERT_NE(mDisplay, nullptr);
    mTop = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, 620, 355, 0, 0, 0);
    XMapWindow(mDisplay, mTop);
    XSync(mDisplay, False);
    mClap.reset(new ClapInstance(mHost, ClapFactory()));
    ASSERT_NE(mClap->mPlugin, nullptr);
    mGui = PluginExt<clapabi::PluginGui>(mClap->mPlugin, clapabi::kExtGui);
    ASSERT_NE(mGui, nullptr);
  }
  void TearDown() override {
    mClap.reset();
    if (mDisplay) {
      XDestroyWindow(mDisplay, mTop);
      XCloseDisplay(mDisplay);
    }
  }

  // The host's main loop for ms milliseconds: its timers and fds serviced, its own X
  // connection drained.
  void Run(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      mHost.Service(mClap->mPlugin, 10);
      while (XPending(mDisplay) > 0) {
        XEvent ev;
        XNextEvent(mDisplay, &ev);
      }
      usleep(5000);
    }
  }

  OutputEventList Flush() {
    OutputEventList out;
    mClap->Flush(InputEventList(), &out);
    return out;
  }

  // The editor's child window in the host's window.
  unsigned long EditorWindow() {
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    XQueryTree(mDisplay, mTop, &root, &parent, &children, &n);
    const unsigned long w = n > 0 ? children[0] : 0;
    if (children) XFree(children);
    return w;
  }

  XServer mServer;
  Display* mDisplay = nullptr;
  Window mTop = 0;
  TestHost mHost;
  std::unique_ptr<ClapInstance> mClap;
  const clapabi::PluginGui* mGui = nullptr;
};

TEST_F(ClapGui, EmbeddedEditorDrivenByTheHostsTimerAndFdSendsEditsAndClosesClean) {
  const int threads = ThreadCount();
  EXPECT_TRUE(mGui->is_api_supported(mClap->mPlugin, "x11", false));
  EXPECT_TRUE(mGui->is_api_supported(mClap->mPlugin, "x11", true));
  EXPECT_FALSE(mGui->is_api_supported(mClap->mPlugin, "wayland", false));
  ASSERT_TRUE(mGui->create(mClap->mPlugin, "x11", false));
  // The parent before the size, as one host does it.
  clapabi::Window parent;
  parent.api = "x11";
  parent.x11 = mTop;
  ASSERT_TRUE(mGui->set_parent(mClap->mPlugin, &parent));
  uint32_t w = 0, h = 0;
  ASSERT_TRUE(mGui->get_size(mClap->mPlugin, &w, &h));
  EXPECT_EQ(w, 620u);
  EXPECT_EQ(h, 355u);
  EXPECT_FALSE(mGui->can_resize(mClap->mPlugin));
  EXPECT_TRUE(mGui->set_size(mClap->mPlugin, 620, 355));
  EXPECT_FALSE(mGui->set_size(mClap->mPlugin, 700, 400));
  ASSERT_TRUE(mGui->show(mClap->mPlugin));
  EXPECT_EQ(mHost.mTimers.size(), 1u);
  EXPECT_EQ(mHost.mFds.size(), 1u);
  Run(200);
  const unsigned long editor = EditorWindow();
  ASSERT_NE(editor, 0u);

  // A wheel notch on the Mix knob: the value moves, the host is asked for a flush, and the
  // gesture ends half a second later on the editor's ticks.
  const double before = mClap->Value(kMix);
  ASSERT_TRUE(ClickAt(editor, 569, 125, 4));
  Run(1200); // the gesture ends 12 ticks (half a second) after the notch, with room to spare
  EXPECT_GT(mClap->Value(kMix), before);
  EXPECT_GT(mHost.mFdCallbacks, 0); // the click came in through the watched connection
  EXPECT_GE(mHost.mFlushRequests, 1);
  const OutputEventList out = Flush();
  ASSERT_GE(out.mEvents.size(), 3u);
  EXPECT_EQ(out.mEvents.front().mType, clapabi::kEventParamGestureBegin);
  EXPECT_EQ(out.mEvents.back().mType, clapabi::kEventParamGestureEnd);
  EXPECT_EQ(out.mEvents.back().mParam, kMix);
  EXPECT_EQ(out.mEvents[out.mEvents.size() - 2].mValue, mClap->Value(kMix));

  // A click on a step bar: the state is marked dirty at once, and the processing that
  // follows publishes the step words as gestures.
  const int dirty = mHost.mDirtyMarks;
  ASSERT_TRUE(ClickAt(editor, 47, 228, 1));
  Run(200);
  EXPECT_GT(mHost.mDirtyMarks, dirty);
  ASSERT_TRUE(mClap->Start());
  float l[256] = {0}, r[256] = {0};
  float* io[2] = {l, r};
  OutputEventList words;
  mClap->Process<float>(io, io, 2, 256, nullptr, nullptr, &words);
  int wordGestures = 0;
  for (const OutEvent& e : words.mEvents)
    wordGestures += e.mType == clapabi::kEventParamGestureEnd && e.mParam >= 10 && e.mParam <= 22;
  EXPECT_EQ(wordGestures, 13);

  EXPECT_TRUE(mGui->hide(mClap->mPlugin));
  EXPECT_TRUE(mHost.mTimers.empty());
  EXPECT_TRUE(mHost.mFds.empty());
  EXPECT_TRUE(mGui->show(mClap->mPlugin));
  EXPECT_EQ(mHost.mTimers.size(), 1u);
  mGui->destroy(mClap->mPlugin);
  XSync(mDisplay, False);
  EXPECT_EQ(EditorWindow(), 0u);
  EXPECT_TRUE(mHost.mTimers.empty());
  EXPECT_TRUE(mHost.mFds.empty());
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_TRUE(mHost.mViolations.empty()) << mHost.mViolations[0];
}

// set_scale: the editor's size is the nearest scale's, before and after set_parent; a new
// scale while embedded asks the host for the size; a click at 150 % reaches the pattern.
TEST_F(ClapGui, TheHostsScaleSizesTheEditorAndANewOneAsksForTheSize) {
  ASSERT_TRUE(mGui->create(mClap->mPlugin, "x11", false));
  EXPECT_TRUE(mGui->set_scale(mClap->mPlugin, 2.0));
  uint32_t w = 0, h = 0;
  ASSERT_TRUE(mGui->get_size(mClap->mPlugin, &w, &h));
  EXPECT_EQ(w, 1240u);
  EXPECT_EQ(h, 710u);
  EXPECT_TRUE(mGui->set_size(mClap->mPlugin, 1240, 710));
  clapabi::Window parent;
  parent.api = "x11";
  parent.x11 = mTop;
  XResizeWindow(mDisplay, mTop, 1240, 710);
  ASSERT_TRUE(mGui->set_parent(mClap->mPlugin, &parent));
  ASSERT_TRUE(mGui->show(mClap->mPlugin));
  Run(200);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(mDisplay, EditorWindow(), &a));
  EXPECT_EQ(a.width, 1240);
  EXPECT_TRUE(mHost.mResizeRequests.empty()) << "the size the host asked for already";

  EXPECT_TRUE(mGui->set_scale(mClap->mPlugin, 1.5));
  ASSERT_EQ(mHost.mResizeRequests.size(), 1u);
  EXPECT_EQ(mHost.mResizeRequests[0], std::make_pair(930u, 533u));
  Run(200);
  ASSERT_TRUE(XGetWindowAttributes(mDisplay, EditorWindow(), &a));
  EXPECT_EQ(a.width, 930);
  const int dirty = mHost.mDirtyMarks;
  ASSERT_TRUE(ClickAt(EditorWindow(), 71, 343, 1)); // (47, 228) at 100 %: step 1's volume
  Run(200);
  EXPECT_GT(mHost.mDirtyMarks, dirty) << "the pattern changed";
  mGui->destroy(mClap->mPlugin);
  EXPECT_FALSE(mGui->set_scale(mClap->mPlugin, 2.0)) << "no editor to scale";
}

TEST_F(ClapGui, FloatingEditorHasTheHostsTitleAndTakesClicks) {
  ASSERT_TRUE(mGui->create(mClap->mPlugin, "x11", true));
  clapabi::Window owner;
  owner.api = "x11";
  owner.x11 = mTop;
  EXPECT_TRUE(mGui->set_transient(mClap->mPlugin, &owner));
  mGui->suggest_title(mClap->mPlugin, "Corvanel on Track 1");
  ASSERT_TRUE(mGui->show(mClap->mPlugin));
  Run(200);
  // The window is a top-level one with that title, above the host's.
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  XQueryTree(mDisplay, DefaultRootWindow(mDisplay), &root, &parent, &children, &n);
  unsigned long floating = 0;
  for (unsigned int i = 0; i < n && !floating; ++i) {
    char* name = nullptr;
    if (XFetchName(mDisplay, children[i], &name) && name) {
      if (std::string(name) == "Corvanel on Track 1") floating = children[i];
      XFree(name);
    }
  }
  if (children) XFree(children);
  ASSERT_NE(floating, 0u);
  Window transientFor = 0;
  EXPECT_TRUE(XGetTransientForHint(mDisplay, floating, &transientFor));
  EXPECT_EQ(transientFor, mTop);
  const double before = mClap->Value(kMix);
  ASSERT_TRUE(ClickAt(floating, 569, 125, 4));
  Run(300);
  EXPECT_GT(mClap->Value(kMix), before);
  mGui->destroy(mClap->mPlugin);
  EXPECT_TRUE(mHost.mTimers.empty());
  EXPECT_TRUE(mHost.mFds.empty());
  EXPECT_TRUE(mHost.mViolations.empty()) << mHost.mViolations[0];
}

// A host that destroys the plug-in with its editor still open: the window closes and the
// timer and fd are given back first.
TEST_F(ClapGui, DestroyingThePlugInClosesAnEditorTheHostLeftOpen) {
  ASSERT_TRUE(mGui->create(mClap->mPlugin, "x11", false));
  clapabi::Window parent;
  parent.api = "x11";
  parent.x11 = mTop;
  ASSERT_TRUE(mGui->set_parent(mClap->mPlugin, &parent));
  ASSERT_TRUE(mGui->show(mClap->mPlugin));
  Run(100);
  ASSERT_FALSE(mHost.mTimers.empty());
  mClap.reset();
  XSync(mDisplay, False);
  EXPECT_EQ(EditorWindow(), 0u);
  EXPECT_TRUE(mHost.mTimers.empty());
  EXPECT_TRUE(mHost.mFds.empty());
  EXPECT_TRUE(mHost.mViolations.empty()) << mHost.mViolations[0];
}

// The editor cannot run without the host's timer: a host without it is refused.
TEST_F(ClapGui, AHostWithoutTimersGetsNoEditor) {
  TestHost bare(false);
  ClapInstance clap(bare, ClapFactory());
  const clapabi::PluginGui* gui = PluginExt<clapabi::PluginGui>(clap.mPlugin, clapabi::kExtGui);
  ASSERT_NE(gui, nullptr);
  EXPECT_FALSE(gui->create(clap.mPlugin, "x11", false));
}

} // namespace
