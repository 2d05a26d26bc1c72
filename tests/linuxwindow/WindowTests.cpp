// The editor in a Linux host's window, under a private Xvfb: the real Corvanel.so opened
// by a test host in its own top-level window, the user played by xdotool, in each of
// the ways Linux hosts drive an editor. The tests assert on what the host sees:
// parameter values and texts, edit gestures, step words, the pixels on the screen.
#include "EditorHost.h"
#include "EngineFixture.h"
#include "IGraphicsLinux.h"
#include "XServerEnvironment.h"
#include "lice_png.h"
#include "lice_sysbitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {


constexpr int kCycle = 1, kTarget = 8, kMix = 9;

std::string Display(EditorHost::Instance* inst, int param) {
  char buf[64] = {0};
  inst->Dispatch(effGetParamDisplay, param, 0, buf);
  std::string s(buf);
  while (!s.empty() && s.back() == ' ')
    s.pop_back();
  while (!s.empty() && s.front() == ' ')
    s.erase(s.begin());
  return s;
}

// xdotool steps over the editor window, with the window's coordinates.
std::vector<std::string> At(unsigned long w, int x, int y) {
  return {"mousemove", "--window", WindowArg(w), std::to_string(x), std::to_string(y)};
}
bool ClickAt(unsigned long w, int x, int y, int button) {
  std::vector<std::string> a = At(w, x, y);
  a.insert(a.end(), {"click", std::to_string(button)});
  return Xdotool(a);
}

bool Contains(const std::vector<int>& v, int x) {
  return std::find(v.begin(), v.end(), x) != v.end();
}

class EditorWindowTest : public ::testing::TestWithParam<Drive> {
protected:
  void SetUp() override {
    ASSERT_TRUE(gServer && gServer->IsRunning()) << "Xvfb did not start";
    ASSERT_TRUE(mHost.IsConnected());
    mFx = mHost.AddInstance(100, 100);
    ASSERT_NE(mFx, nullptr);
    ASSERT_TRUE(mHost.OpenEditor(mFx, GetParam()));
    mHost.Run(300);
    mHost.mHost.Clear();
  }
  EditorHost mHost;
  EditorHost::Instance* mFx = nullptr;
};

TEST_P(EditorWindowTest, TheScreenShowsTheOffScreenPicture) {
  const std::vector<uint32_t> screen = mHost.Screenshot(mFx);
  ASSERT_EQ(screen.size(), 620u * 355u);

  TestCorvanel offScreen;
  offScreen.OpenLikeHost(44100.0, 512);
  auto* g = static_cast<IGraphicsLinux*>(offScreen.GetGUI());
  g->OpenWindow(nullptr);
  g->Tick();
  LICE_SysBitmap* surface = g->GetDrawBitmap();
  int differing = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < 355; ++y)
    for (int x = 0; x < 620; ++x) {
      const uint32_t p = surface->getBits()[y * surface->getRowSpan() + x] & 0xffffff;
      if (p != screen[y * 620 + x] && differing++ == 0) {
        firstX = x;
        firstY = y;
      }
    }
  EXPECT_EQ(differing, 0) << "first at " << firstX << ", " << firstY;
  if (differing) {
    // Both pictures, for a look at what differs.
    LICE_WritePNG((::testing::TempDir() + "offscreen.png").c_str(), surface, false);
    LICE_SysBitmap shot(620, 355);
    for (int y = 0; y < 355; ++y)
      for (int x = 0; x < 620; ++x)
        shot.getBits()[y * shot.getRowSpan() + x] = screen[y * 620 + x] | 0xff000000u;
    LICE_WritePNG((::testing::TempDir() + "screen.png").c_str(), &shot, false);
  }
}

#ifdef CORVANEL_EDITOR_TOOL
// The picture a PNG file holds, 0x00RRGGBB per pixel; empty when it cannot be read.
std::vector<uint32_t> ReadPicture(const std::string& path) {
  std::vector<uint32_t> pixels;
  LICE_IBitmap* bmp = LICE_LoadPNG(path.c_str());
  if (!bmp) return pixels;
  for (int y = 0; y < bmp->getHeight(); ++y)
    for (int x = 0; x < bmp->getWidth(); ++x)
      pixels.push_back(bmp->getBits()[y * bmp->getRowSpan() + x] & 0xffffff);
  delete bmp;
  return pixels;
}

TEST_P(EditorWindowTest, AfterTheUsersEditsTheScreenShowsTheToolsPictureOfTheSameEvents) {
  const unsigned long w = mFx->mEditor;
  const std::vector<uint32_t> fresh = mHost.Screenshot(mFx);
  ASSERT_TRUE(ClickAt(w, 569, 125, 4));
  ASSERT_TRUE(ClickAt(w, 569, 125, 4));
  ASSERT_TRUE(ClickAt(w, 47, 228, 1));
  ASSERT_TRUE(ClickAt(w, 82, 212, 3));
  mHost.Run(400);
  const std::string events = ::testing::TempDir() + "window-events.txt";
  const std::string picture = ::testing::TempDir() + "window-tool.png";
  FILE* f = std::fopen(events.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("wheel 569 125 1\nwheel 569 125 1\npress 47 228\nrelease 47 228\n"
             "press 82 212 right\nrelease 82 212 right\ntick 12\n",
             f);
  std::fclose(f);
  ASSERT_EQ(RunProgram({CORVANEL_EDITOR_TOOL, "--events", events, "-o", picture}, 20000), 0);
  const std::vector<uint32_t> expected = ReadPicture(picture);
  const std::vector<uint32_t> screen = mHost.Screenshot(mFx);
  ASSERT_EQ(expected.size(), 620u * 355u);
  ASSERT_EQ(screen.size(), expected.size());
  int differing = 0, first = -1;
  for (size_t i = 0; i < screen.size(); ++i)
    if (screen[i] != expected[i] && differing++ == 0) first = (int)i;
  EXPECT_EQ(differing, 0) << "first at " << first % 620 << ", " << first / 620;
  EXPECT_NE(screen, fresh) << "the edits show";
}
#endif

TEST_P(EditorWindowTest, ADragOnAKnobIsOneGestureEvenWhenReleasedOutside) {
  const float before = mFx->Get(kMix);
  const unsigned long w = mFx->mEditor;
  std::vector<std::string> drag = At(w, 569, 125);
  drag.push_back("mousedown");
  drag.push_back("1");
  ASSERT_TRUE(Xdotool(drag));
  mHost.Run(100);
  for (int y : {110, 80, 40, -40}) {
    ASSERT_TRUE(Xdotool(At(w, 569, y)));
    mHost.Run(60);
  }
  ASSERT_TRUE(Xdotool({"mouseup", "1"}));
  mHost.Run(200);
  EXPECT_NE(mFx->Get(kMix), before);
  const std::vector<int> g = mHost.mHost.Gestures();
  ASSERT_GE(g.size(), 2u);
  EXPECT_EQ(g.front(), kMix);
  EXPECT_EQ(g.back(), -(kMix + 1)) << "the release outside the window ends the gesture";
}

TEST_P(EditorWindowTest, AWheelNotchEndsItsGestureHalfASecondLaterInRealTime) {
  const float before = mFx->Get(kMix);
  ASSERT_TRUE(ClickAt(mFx->mEditor, 569, 125, 4));
  // The host is busy for 600 ms: the ticks owed for that time run before the notch
  // is handled, not after it.
  usleep(600000);
  mHost.Run(250);
  EXPECT_GT(mFx->Get(kMix), before) << "button 4 turns up";
  EXPECT_TRUE(Contains(mHost.mHost.Gestures(), kMix));
  EXPECT_FALSE(Contains(mHost.mHost.Gestures(), -(kMix + 1))) << "the end waits 12 ticks";
  // 12 ticks at 24 per second; a tick per idle call would take 800 ms at 15 Hz.
  mHost.Run(450);
  EXPECT_TRUE(Contains(mHost.mHost.Gestures(), -(kMix + 1)));
  const float up = mFx->Get(kMix);
  ASSERT_TRUE(ClickAt(mFx->mEditor, 569, 125, 5));
  mHost.Run(150);
  EXPECT_LT(mFx->Get(kMix), up) << "button 5 turns down";
}

TEST_P(EditorWindowTest, ADoubleClickOnAKnobPutsBackItsFirstValueTwoSlowClicksDoNot) {
  const float first = mFx->Get(kMix);
  const unsigned long w = mFx->mEditor;
  ASSERT_TRUE(ClickAt(w, 569, 125, 4));
  ASSERT_TRUE(ClickAt(w, 569, 125, 4));
  mHost.Run(150);
  const float turned = mFx->Get(kMix);
  ASSERT_GT(turned, first);
  std::vector<std::string> slow = At(w, 569, 125);
  slow.insert(slow.end(), {"click", "--repeat", "2", "--delay", "600", "1"});
  ASSERT_TRUE(Xdotool(slow));
  mHost.Run(150);
  EXPECT_EQ(mFx->Get(kMix), turned) << "600 ms apart: two clicks";
  std::vector<std::string> quick = At(w, 569, 125);
  quick.insert(quick.end(), {"click", "--repeat", "2", "--delay", "80", "1"});
  ASSERT_TRUE(Xdotool(quick));
  mHost.Run(150);
  EXPECT_EQ(mFx->Get(kMix), first);
}

TEST_P(EditorWindowTest, ClicksOnTheStepBarsChangeTheStepWords) {
  std::vector<float> words;
  for (int i = 10; i <= 22; ++i)
    words.push_back(mFx->Get(i));
  // The bottom of step 1's volume bar, then a right click on step 2's time bar.
  ASSERT_TRUE(ClickAt(mFx->mEditor, 47, 228, 1));
  ASSERT_TRUE(ClickAt(mFx->mEditor, 82, 212, 3));
  mHost.Run(200);
  mHost.Process(mFx);
  std::vector<float> after;
  for (int i = 10; i <= 22; ++i)
    after.push_back(mFx->Get(i));
  EXPECT_NE(after, words);
  // Every step word that changed was written inside a gesture of its own.
  const std::vector<int> g = mHost.mHost.Gestures();
  for (int i = 10; i <= 22; ++i)
    if (after[i - 10] != words[i - 10]) {
      EXPECT_TRUE(Contains(g, i) && Contains(g, -(i + 1))) << "word " << i;
    }
}

TEST_P(EditorWindowTest, TheTypedEntrySetsAValueOnEnterAndEscapeDismissesIt) {
  const unsigned long w = mFx->mEditor;
  ASSERT_TRUE(ClickAt(w, 121, 125, 3)); // the Cycle knob
  mHost.Run(200);
  ASSERT_TRUE(Xdotool({"type", "--delay", "20", "12"}));
  mHost.Run(100);
  ASSERT_TRUE(Xdotool({"key", "Return"}));
  mHost.Run(200);
  EXPECT_EQ(Display(mFx, kCycle), "12");
  EXPECT_TRUE(Contains(mHost.mHost.Gestures(), kCycle));

  ASSERT_TRUE(ClickAt(w, 121, 125, 3));
  mHost.Run(200);
  ASSERT_TRUE(Xdotool({"type", "--delay", "20", "40"}));
  ASSERT_TRUE(Xdotool({"key", "Escape"}));
  mHost.Run(200);
  EXPECT_EQ(Display(mFx, kCycle), "12");

  // Backspace, and a left click elsewhere applies the text too.
  ASSERT_TRUE(ClickAt(w, 121, 125, 3));
  mHost.Run(200);
  ASSERT_TRUE(Xdotool({"type", "--delay", "20", "335"}));
  ASSERT_TRUE(Xdotool({"key", "BackSpace"}));
  mHost.Run(100);
  ASSERT_TRUE(ClickAt(w, 600, 20, 1));
  mHost.Run(200);
  EXPECT_EQ(Display(mFx, kCycle), "33");

  // A right click dismisses the field and reaches no control.
  ASSERT_TRUE(ClickAt(w, 121, 125, 3));
  mHost.Run(200);
  ASSERT_TRUE(Xdotool({"type", "--delay", "20", "7"}));
  ASSERT_TRUE(ClickAt(w, 121, 125, 3));
  mHost.Run(200);
  EXPECT_EQ(Display(mFx, kCycle), "33");
}

TEST_P(EditorWindowTest, TheDrawnListChoosesADisplayText) {
  // Target's radio group: the list opens below its centre (422, 133), a row each.
  ASSERT_TRUE(ClickAt(mFx->mEditor, 422, 133, 3));
  mHost.Run(200);
  ASSERT_TRUE(ClickAt(mFx->mEditor, 422, 133 + 18 * 2 + 9, 1));
  mHost.Run(200);
  EXPECT_FLOAT_EQ(mFx->Get(kTarget), 2.0f / 3.0f);
  EXPECT_TRUE(Contains(mHost.mHost.Gestures(), kTarget));
}

TEST_P(EditorWindowTest, ClosingAndOpeningAgainAndTwoEditorsSideBySide) {
  for (int i = 0; i < 3; ++i) {
    mHost.CloseEditor(mFx);
    mHost.Run(50);
    ASSERT_TRUE(mHost.OpenEditor(mFx, GetParam())) << "cycle " << i;
    mHost.Run(100);
  }
  EditorHost::Instance* second = mHost.AddInstance(760, 100);
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(mHost.OpenEditor(second, GetParam()));
  mHost.Run(300);
  EXPECT_EQ(mHost.Screenshot(mFx), mHost.Screenshot(second));
  const float first = mFx->Get(kMix), other = second->Get(kMix);
  ASSERT_TRUE(ClickAt(second->mEditor, 569, 125, 4));
  mHost.Run(200);
  EXPECT_EQ(mFx->Get(kMix), first) << "the wheel over the second editor";
  EXPECT_GT(second->Get(kMix), other);
}

// The published event function alone: an exposure the host's connection got repaints
// the window; an event for a window that is not an editor's is ignored.
TEST(EditorEventProc, AnExposureThroughTheEventFunctionRepaints) {
  ASSERT_TRUE(gServer && gServer->IsRunning());
  EditorHost host;
  EditorHost::Instance* fx = host.AddInstance(100, 100);
  ASSERT_NE(fx, nullptr);
  ASSERT_TRUE(host.OpenEditor(fx, Drive::kEventProc));
  host.Run(300);
  const std::vector<uint32_t> painted = host.Screenshot(fx);
  ASSERT_TRUE(host.ScribbleOver(fx));
  ASSERT_NE(host.Screenshot(fx), painted);
  host.CallEventProc(fx, 0);
  host.CallEventProc(fx, fx->mEditor);
  EXPECT_EQ(host.Screenshot(fx), painted);
}

#ifdef CORVANEL_EDITOR_TOOL
// The desktop at 200 % (GDK_SCALE=2): the window opens at twice the size, the host is
// asked to follow, the screen is the tool's 200 % picture, a click edits the step word
// the same click edits at 100 %, and the size menu's "150 %" applies at once and is
// remembered for the next opening.
TEST(EditorWindowScale, ADesktopAt200PercentGetsASharpEditorThatEditsAsAt100) {
  ASSERT_TRUE(gServer && gServer->IsRunning());
  const char* prefs = std::getenv("CORVANEL_CONFIG_DIR");
  ASSERT_NE(prefs, nullptr) << "the X server's environment gives the editors a folder";
  auto words = [](EditorHost::Instance* fx) {
    std::vector<float> w;
    for (int i = 10; i <= 22; ++i)
      w.push_back(fx->Get(i));
    return w;
  };

  // At 100 %: the bottom of step 1's volume bar.
  std::vector<float> at100;
  {
    unsetenv("GDK_SCALE");
    EditorHost host;
    EditorHost::Instance* fx = host.AddInstance(0, 0);
    ASSERT_NE(fx, nullptr);
    ASSERT_TRUE(host.OpenEditor(fx, Drive::kIdle60));
    host.Run(300);
    ASSERT_TRUE(ClickAt(fx->mEditor, 47, 228, 1));
    host.Run(200);
    host.Process(fx);
    at100 = words(fx);
    host.CloseEditor(fx);
  }

  setenv("GDK_SCALE", "2", 1);
  EditorHost host;
  EditorHost::Instance* fx = host.AddInstance(0, 0);
  ASSERT_NE(fx, nullptr);
  const std::vector<float> fresh = words(fx);
  ASSERT_NE(fresh, at100);
  ASSERT_TRUE(host.OpenEditor(fx, Drive::kIdle60));
  host.Run(300);
  int w = 0, h = 0;
  ASSERT_TRUE(host.EditorSize(fx, &w, &h));
  EXPECT_EQ(w, 1240);
  EXPECT_EQ(h, 710);
  ASSERT_TRUE(host.FollowSizeRequests(fx)) << "the host is asked for 1240 x 710";
  EXPECT_EQ(host.mHost.CallsOf(audioMasterSizeWindow).back().mIndex, 1240);
  EXPECT_EQ(host.mHost.CallsOf(audioMasterSizeWindow).back().mValue, 710);
  host.Run(200);

  const std::string picture = ::testing::TempDir() + "window-tool-200.png";
  ASSERT_EQ(RunProgram({CORVANEL_EDITOR_TOOL, "--scale", "2", "-o", picture}, 20000), 0);
  const std::vector<uint32_t> expected = ReadPicture(picture);
  const std::vector<uint32_t> screen = host.Screenshot(fx, 1240, 710);
  ASSERT_EQ(expected.size(), 1240u * 710u);
  ASSERT_EQ(screen, expected);

  // The same spot of step 1's volume bar, at its last device pixel.
  ASSERT_TRUE(ClickAt(fx->mEditor, 95, 457, 1));
  host.Run(200);
  host.Process(fx);
  EXPECT_EQ(words(fx), at100);

  // The size menu from the background at (8, 60); its second entry is "150 %".
  host.mHost.Clear();
  ASSERT_TRUE(ClickAt(fx->mEditor, 16, 120, 3));
  host.Run(200);
  ASSERT_TRUE(ClickAt(fx->mEditor, 60, 2 * (61 + 18 + 9), 1));
  host.Run(300);
  ASSERT_TRUE(host.EditorSize(fx, &w, &h));
  EXPECT_EQ(w, 930);
  EXPECT_EQ(h, 533);
  ASSERT_TRUE(host.FollowSizeRequests(fx));
  EXPECT_EQ(host.mHost.CallsOf(audioMasterSizeWindow).back().mIndex, 930);
  EXPECT_TRUE(host.mHost.Gestures().empty()) << "the menu's clicks reach no control";
  EXPECT_EQ(words(fx), at100);

  // Closed and opened again: the remembered 150 % wins over the desktop's 200 %.
  host.CloseEditor(fx);
  ASSERT_TRUE(host.OpenEditor(fx, Drive::kIdle60));
  host.Run(300);
  ASSERT_TRUE(host.EditorSize(fx, &w, &h));
  EXPECT_EQ(w, 930);
  host.CloseEditor(fx);
  unsetenv("GDK_SCALE");
  std::remove((std::string(prefs) + "/editor.conf").c_str());
}
#endif

INSTANTIATE_TEST_SUITE_P(Drives, EditorWindowTest,
                         ::testing::Values(Drive::kEventProc, Drive::kIdle15, Drive::kIdle60),
                         [](const ::testing::TestParamInfo<Drive>& p) {
                           return std::string(DriveName(p.param));
                         });

} // namespace
