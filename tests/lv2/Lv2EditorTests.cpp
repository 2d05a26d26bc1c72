// The editor as an LV2 UI, under a private Xvfb: a test host makes its top-level window,
// runs the plug-in through lilv, opens the UI from the bundle's library with the parent
// window and instance access, and drives it through the idle interface. The user is
// played by xdotool; the tests assert on what the host sees: port writes inside touch
// gestures, state:StateChanged after a pattern edit, the size it is asked for, and the
// same pixels as the VST2 editor in a VST2 host's window.
// gtest before Xlib, whose macros (None) clash with its names.
#include <gtest/gtest.h>

#include "EditorHost.h"
#include "Lv2Host.h"
#include "XServerEnvironment.h"

#include "lv2/instance-access/instance-access.h"
#include "lv2/atom/atom.h"
#include "lv2/options/options.h"
#include "lv2/ui/ui.h"
#include "lv2/urid/urid.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 620, kHeight = 355;
constexpr uint32_t kMixPort = 13; // ports 4-13: Rate .. Mix

const LV2UI_Descriptor* UIDescriptor() {
  static void* library = dlopen((std::string(CORVANEL_LV2_BUNDLE) + "/Corvanel.so").c_str(),
                                RTLD_NOW | RTLD_LOCAL);
  typedef const LV2UI_Descriptor* (*Entry)(uint32_t);
  Entry entry = library ? (Entry)dlsym(library, "lv2ui_descriptor") : nullptr;
  return entry ? entry(0) : nullptr;
}

// The host's side: its window, the plug-in, the UI and everything the UI tells it.
class Lv2EditorHost {
public:
  Lv2EditorHost() {
    mDisplay = XOpenDisplay(nullptr);
    if (!mDisplay) return;
    mTop = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 100, 100, kWidth, kHeight,
                               0, 0, 0);
    XMapWindow(mDisplay, mTop);
    XSync(mDisplay, False);
  }
  ~Lv2EditorHost() {
    Close();
    if (mDisplay) {
      XDestroyWindow(mDisplay, mTop);
      XCloseDisplay(mDisplay);
    }
  }

  // Opens the UI with the given features, on this host's plug-in or on `plug`; false when
  // it declines.
  // With `scale` above 0 the host gives ui:scaleFactor among its options.
  bool Open(bool instanceAccess = true, bool parent = true, Lv2Instance* plug = nullptr,
            float scale = 0.0f) {
    const LV2UI_Descriptor* d = UIDescriptor();
    if (!plug) plug = &mPlug;
    if (!d || !plug->Ok()) return false;
    mResize = {this, [](LV2UI_Feature_Handle h, int w, int hh) {
                 ((Lv2EditorHost*)h)->mSize = {w, hh};
                 return 0;
               }};
    mTouch = {this, [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
                ((Lv2EditorHost*)h)->mTouches.push_back(grabbed ? (int)port : -(int)port - 1);
              }};
    const LV2_Feature parentF = {LV2_UI__parent, (void*)mTop};
    const LV2_Feature accessF = {LV2_INSTANCE_ACCESS_URI,
                                 lilv_instance_get_handle(plug->Instance())};
    const LV2_Feature resizeF = {LV2_UI__resize, &mResize};
    const LV2_Feature touchF = {LV2_UI__touch, &mTouch};
    std::vector<const LV2_Feature*> features = {&resizeF, &touchF};
    Lv2World& world = Lv2World::Get();
    mScale = scale;
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, world.Urid(LV2_UI__scaleFactor), sizeof(float),
         world.Urid(LV2_ATOM__Float), &mScale},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature mapF = {LV2_URID__map, world.Map()};
    const LV2_Feature optionsF = {LV2_OPTIONS__options, (void*)options};
    if (scale > 0.0f) {
      features.push_back(&mapF);
      features.push_back(&optionsF);
    }
    if (parent) features.push_back(&parentF);
    if (instanceAccess) features.push_back(&accessF);
    features.push_back(nullptr);
    LV2UI_Widget widget = nullptr;
    mUI = d->instantiate(d, "https://www.orbalin.com/Corvanel/lv2", CORVANEL_LV2_BUNDLE, Write,
                         this, &widget, features.data());
    mEditor = (Window)(uintptr_t)widget;
    mIdle = d->extension_data ? (const LV2UI_Idle_Interface*)d->extension_data(LV2_UI__idleInterface)
                              : nullptr;
    return mUI != nullptr;
  }
  void Close() {
    if (mUI) UIDescriptor()->cleanup(mUI);
    mUI = nullptr;
  }
  // The host's loop for ms milliseconds: the UI's idle at 60 per second.
  void Run(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      if (mUI && mIdle) mIdle->idle(mUI);
      XSync(mDisplay, False);
      std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
  }
  // One audio block through the plug-in.
  void Process() {
    std::vector<float> in(512, 0.0f), l(512), r(512);
    mPlug.Run(in.data(), in.data(), l.data(), r.data(), 512);
  }
  std::vector<uint32_t> Screenshot();

  Lv2Instance mPlug;
  Display* mDisplay = nullptr;
  Window mTop = 0, mEditor = 0;
  LV2UI_Handle mUI = nullptr;
  const LV2UI_Idle_Interface* mIdle = nullptr;
  LV2UI_Resize mResize = {};
  LV2UI_Touch mTouch = {};
  std::pair<int, int> mSize = {0, 0};
  float mScale = 0.0f;
  std::vector<std::pair<uint32_t, float>> mWrites;
  std::vector<int> mTouches; // +port grabbed, -(port + 1) released

private:
  // The host takes a written value into its port, as hosts do.
  static void Write(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format,
                    const void* buffer) {
    Lv2EditorHost* host = (Lv2EditorHost*)c;
    if (format != 0 || size != sizeof(float)) return;
    const float v = *(const float*)buffer;
    host->mWrites.push_back({port, v});
    if (port == kMixPort) host->mPlug.SetControl("mix", v);
  }
};

std::vector<std::string> At(unsigned long w, int x, int y) {
  return {"mousemove", "--window", WindowArg(w), std::to_string(x), std::to_string(y)};
}

class Lv2Editor : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(gServer && gServer->IsRunning()) << "Xvfb did not start";
    ASSERT_NE(mHost.mDisplay, nullptr);
    ASSERT_TRUE(mHost.Open());
    mHost.Run(300);
  }
  Lv2EditorHost mHost;
};

TEST_F(Lv2Editor, OpensInTheHostsWindowAtItsSizeWithTheVst2EditorsPixels) {
  EXPECT_NE(mHost.mEditor, 0u);
  EXPECT_EQ(mHost.mSize, std::make_pair(kWidth, kHeight));
  ASSERT_NE(mHost.mIdle, nullptr);
  EditorHost vst;
  ASSERT_TRUE(vst.IsConnected());
  EditorHost::Instance* fx = vst.AddInstance(100, 500);
  ASSERT_NE(fx, nullptr);
  ASSERT_TRUE(vst.OpenEditor(fx, Drive::kIdle60));
  vst.Run(300);
  mHost.Run(100);
  const std::vector<uint32_t> lv2 = mHost.Screenshot(), vst2 = vst.Screenshot(fx);
  ASSERT_EQ(lv2.size(), (size_t)kWidth * kHeight);
  EXPECT_TRUE(lv2 == vst2);
}

// The host's ui:scaleFactor: the editor opens at the nearest scale and says its size
// through ui:resize; the size menu's 100 % goes to the host the same way.
TEST(Lv2EditorScale, TheHostsScaleFactorSizesTheEditorAndTheHostHearsEverySize) {
  ASSERT_TRUE(gServer && gServer->IsRunning());
  Lv2EditorHost host;
  ASSERT_NE(host.mDisplay, nullptr);
  XResizeWindow(host.mDisplay, host.mTop, 1240, 710);
  ASSERT_TRUE(host.Open(true, true, nullptr, 1.8f));
  host.Run(200);
  EXPECT_EQ(host.mSize, std::make_pair(1240, 710));
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(host.mDisplay, host.mEditor, &a));
  EXPECT_EQ(a.width, 1240);
  // A right click on the background at (8, 60), then the menu's first entry, "100 %".
  std::vector<std::string> menu = At(host.mEditor, 16, 120);
  menu.insert(menu.end(), {"click", "3"});
  ASSERT_TRUE(Xdotool(menu));
  host.Run(200);
  std::vector<std::string> choose = At(host.mEditor, 40, 2 * (61 + 9));
  choose.insert(choose.end(), {"click", "1"});
  ASSERT_TRUE(Xdotool(choose));
  host.Run(200);
  EXPECT_EQ(host.mSize, std::make_pair(620, 355));
  EXPECT_TRUE(host.mWrites.empty()) << "the menu's clicks reach no control";
}

TEST_F(Lv2Editor, AKnobDragWritesThePortInsideOneTouchGesture) {
  std::vector<std::string> drag = At(mHost.mEditor, 569, 125);
  drag.insert(drag.end(), {"mousedown", "1"});
  ASSERT_TRUE(Xdotool(drag));
  mHost.Run(100);
  for (int y : {110, 80, 60}) {
    ASSERT_TRUE(Xdotool(At(mHost.mEditor, 569, y)));
    mHost.Run(60);
  }
  ASSERT_TRUE(Xdotool({"mouseup", "1"}));
  mHost.Run(200);
  ASSERT_FALSE(mHost.mWrites.empty());
  for (const auto& w : mHost.mWrites)
    EXPECT_EQ(w.first, kMixPort);
  const float mix = mHost.mWrites.back().second;
  EXPECT_GT(mix, 80.0f);
  EXPECT_EQ(mix, std::floor(mix)) << "the port holds the parameter's whole value";
  ASSERT_GE(mHost.mTouches.size(), 2u);
  EXPECT_EQ(mHost.mTouches.front(), (int)kMixPort);
  EXPECT_EQ(mHost.mTouches.back(), -(int)kMixPort - 1);
  // The port and the plug-in agree, and the state saves the same value.
  mHost.Process();
  LilvState* state = mHost.mPlug.SaveState();
  ASSERT_NE(state, nullptr);
  lilv_state_free(state);
  const std::vector<unsigned char> blob = mHost.mPlug.StateBlob();
  double saved = 0.0;
  ASSERT_EQ(blob.size(), 188u);
  std::memcpy(&saved, &blob[4 + 8 * 9], sizeof(saved));
  EXPECT_EQ(saved, (double)mix);
}

TEST_F(Lv2Editor, StepBarClicksChangeThePatternAndTheHostHearsStateChanged) {
  mHost.Process();
  EXPECT_TRUE(mHost.mPlug.Notifications().empty());
  const std::vector<unsigned char> before = mHost.mPlug.StateBlob();
  // The bottom of step 1's volume bar, then a right click on step 2's time bar.
  std::vector<std::string> click = At(mHost.mEditor, 47, 228);
  click.insert(click.end(), {"click", "1"});
  ASSERT_TRUE(Xdotool(click));
  click = At(mHost.mEditor, 82, 212);
  click.insert(click.end(), {"click", "3"});
  ASSERT_TRUE(Xdotool(click));
  mHost.Run(200);
  mHost.Process();
  EXPECT_EQ(mHost.mPlug.Notifications(),
            std::vector<std::string>{"http://lv2plug.in/ns/ext/state#StateChanged"});
  EXPECT_NE(mHost.mPlug.StateBlob(), before);
  EXPECT_TRUE(mHost.mWrites.empty()) << "the pattern has no ports";
  mHost.Process();
  EXPECT_TRUE(mHost.mPlug.Notifications().empty()) << "told once";
}

TEST_F(Lv2Editor, ASecondUIOfTheSameInstanceTakesTheEditorOverAndKeepsIt) {
  Lv2EditorHost second;
  ASSERT_TRUE(second.Open(true, true, &mHost.mPlug));
  second.Run(200);
  mHost.Close(); // the older UI goes: the editor stays in the newer one's window
  second.Run(200);
  // The editor's window is still a child of the newer host's window.
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  ASSERT_TRUE(XQueryTree(second.mDisplay, second.mTop, &root, &parent, &children, &n));
  const bool there = std::find(children, children + n, second.mEditor) != children + n;
  if (children) XFree(children);
  ASSERT_TRUE(there) << "the older UI's cleanup closed the newer one's editor";
  std::vector<std::string> drag = At(second.mEditor, 569, 125);
  drag.insert(drag.end(), {"click", "4"}); // a wheel notch up on Mix
  ASSERT_TRUE(Xdotool(drag));
  second.Run(700);
  ASSERT_FALSE(second.mWrites.empty()) << "the newer UI's host hears the edit";
  EXPECT_EQ(second.mWrites.back().first, kMixPort);
  EXPECT_TRUE(mHost.mWrites.empty());
}

TEST(Lv2EditorFeatures, WithoutInstanceAccessOrAParentTheUIDeclines) {
  ASSERT_TRUE(gServer && gServer->IsRunning()) << "Xvfb did not start";
  {
    Lv2EditorHost host;
    EXPECT_FALSE(host.Open(false, true));
  }
  {
    Lv2EditorHost host;
    EXPECT_FALSE(host.Open(true, false));
  }
  // A UI after a declined one still opens.
  Lv2EditorHost host;
  EXPECT_TRUE(host.Open());
}
// ---- jalv.gtk3 ----------------------------------------------------------------------------------

extern "C" char** environ;

// A program running beside the test, stopped (and reaped) at the end, killed if it lingers.
class Background {
public:
  explicit Background(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv)
      args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (posix_spawnp(&mPid, args[0], nullptr, nullptr, args.data(), environ) != 0) mPid = -1;
  }
  ~Background() {
    if (mPid <= 0) return;
    kill(mPid, SIGTERM);
    for (int i = 0; i < 40; ++i) {
      if (waitpid(mPid, nullptr, WNOHANG) == mPid) return;
      usleep(50000);
    }
    kill(mPid, SIGKILL);
    waitpid(mPid, nullptr, 0);
  }
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  bool Running() { return mPid > 0 && waitpid(mPid, nullptr, WNOHANG) == 0; }

private:
  pid_t mPid = -1;
};

bool HaveProgram(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// The first window of the editor's size under `w`, 0 when there is none.
Window FindEditorWindow(Display* d, Window w) {
  XWindowAttributes a;
  if (XGetWindowAttributes(d, w, &a) && a.width == kWidth && a.height == kHeight &&
      a.map_state == IsViewable && w != DefaultRootWindow(d)) {
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    // The innermost one: toolkits wrap the plug-in's window in one of the same size.
    if (XQueryTree(d, w, &root, &parent, &children, &n) && n == 0) {
      if (children) XFree(children);
      return w;
    }
    if (children) XFree(children);
  }
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n && !found; ++i)
      found = FindEditorWindow(d, children[i]);
    if (children) XFree(children);
  }
  return found;
}

std::vector<uint32_t> Pixels(Display* d, Window w, int x0, int y0, int x1, int y1) {
  std::vector<uint32_t> pixels;
  XImage* image = XGetImage(d, w, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  if (!image) return pixels;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      pixels.push_back((uint32_t)XGetPixel(image, x, y) & 0xffffff);
  XDestroyImage(image);
  return pixels;
}

std::vector<uint32_t> Lv2EditorHost::Screenshot() {
  return Pixels(mDisplay, mEditor, 0, 0, kWidth, kHeight);
}

// jalv.gtk3 on JACK's dummy backend shows the editor in its window: the knobs and controls
// as the VST2 editor draws them, and a click on a step bar changes what the screen shows.
TEST(Lv2EditorInJalv, ShowsTheEditorAndTakesAPatternClick) {
  ASSERT_TRUE(gServer && gServer->IsRunning()) << "Xvfb did not start";
  if (!CORVANEL_LV2_FOREIGN_HOSTS) GTEST_SKIP() << "jalv cannot load a sanitizer build";
  if (!HaveProgram("jalv.gtk3") || !HaveProgram("jackd")) GTEST_SKIP() << "jalv or jackd missing";
  const std::string server = "corvanel-lv2-ui-" + std::to_string(getpid());
  setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
  setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
  const std::string bundle = CORVANEL_LV2_BUNDLE;
  setenv("LV2_PATH", bundle.substr(0, bundle.find_last_of('/')).c_str(), 1);
  Background jack({"timeout", "60", "jackd", "-n", server, "-d", "dummy", "-r", "44100", "-p", "512"});
  ASSERT_TRUE(jack.Running());
  bool ready = false;
  for (int i = 0; i < 50 && !ready; ++i) {
    ready = RunProgram({"jack_lsp"}, 2000) == 0;
    if (!ready) usleep(100000);
  }
  ASSERT_TRUE(ready) << "jackd did not start";
  Background jalv({"timeout", "60", "jalv.gtk3", "-n", server + "-jalv",
                   "https://www.orbalin.com/Corvanel/lv2"});
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  Window editor = 0;
  for (int i = 0; i < 100 && !editor; ++i) {
    editor = FindEditorWindow(d, DefaultRootWindow(d));
    if (!editor) usleep(100000);
  }
  ASSERT_NE(editor, 0u) << "no editor window in jalv.gtk3";
  usleep(500000);

  // The top of the editor (knobs, texts, switches) as the VST2 editor shows it; below it
  // the status line and the steps' activity follow jalv's transport.
  EditorHost vst;
  ASSERT_TRUE(vst.IsConnected());
  EditorHost::Instance* fx = vst.AddInstance(700, 100);
  ASSERT_NE(fx, nullptr);
  ASSERT_TRUE(vst.OpenEditor(fx, Drive::kIdle60));
  vst.Run(300);
  const std::vector<uint32_t> reference = vst.Screenshot(fx);
  const std::vector<uint32_t> top = Pixels(d, editor, 0, 0, kWidth, 170);
  EXPECT_TRUE(std::equal(top.begin(), top.end(), reference.begin())) << "the top of the editor";

  // A click on step 1's volume bar, at its bottom.
  const std::vector<uint32_t> bar = Pixels(d, editor, 30, 222, 64, 230);
  std::vector<std::string> click = At(editor, 47, 228);
  click.insert(click.end(), {"click", "1"});
  ASSERT_TRUE(Xdotool(click));
  std::vector<uint32_t> after = bar;
  for (int i = 0; i < 30 && after == bar; ++i) {
    usleep(100000);
    after = Pixels(d, editor, 30, 222, 64, 230);
  }
  EXPECT_NE(after, bar) << "the step bar did not change on the screen";
  XCloseDisplay(d);
}
} // namespace
