// The X11 editor window's pieces that need no X server: X events to input records
// (modifiers, wheel notches, motion only with a button held), double clicks by time
// and distance, key codes, the real-time tick at any idle rate, and the drawn entry's
// typing and list rows, and a web page that cannot be opened.
#include "EngineFixture.h"
#include "IGraphicsLinux.h"
#include "IParam.h"
#include "ITextControl.h"
#include "TickClock.h"
#include "ValueEntryView.h"
#include "X11Window.h"

#include <gtest/gtest.h>

#include <string>

#include <unistd.h>

// After the test framework: Xlib's macros (None, Bool) would clash with its names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

XEvent Button(int type, unsigned int button, unsigned int state, unsigned long time = 1000,
              int x = 10, int y = 20) {
  XEvent ev = {};
  ev.type = type;
  ev.xbutton.button = button;
  ev.xbutton.state = state;
  ev.xbutton.time = time;
  ev.xbutton.x = x;
  ev.xbutton.y = y;
  return ev;
}

struct ModCase {
  const char* what;
  int type;
  unsigned int button, state;
  int kind;
  bool L, R, S, C, A;
};

TEST(WindowInput, ButtonsBecomePressesReleasesAndWheelNotchesWithTheirModifiers) {
  const ModCase cases[] = {
      {"left press holds L", ButtonPress, 1, 0, WindowInput::kPress, true, false, false, false,
       false},
      {"right press holds R", ButtonPress, 3, 0, WindowInput::kPress, false, true, false, false,
       false},
      {"shift-control press", ButtonPress, 1, ShiftMask | ControlMask, WindowInput::kPress, true,
       false, true, true, false},
      {"alt press", ButtonPress, 3, Mod1Mask, WindowInput::kPress, false, true, false, false, true},
      {"left release no longer holds L", ButtonRelease, 1, Button1Mask, WindowInput::kRelease,
       false, false, false, false, false},
      {"right release with left still held", ButtonRelease, 3, Button1Mask | Button3Mask,
       WindowInput::kRelease, true, false, false, false, false},
      {"wheel keeps shift, no buttons", ButtonPress, 4, ShiftMask | Button1Mask,
       WindowInput::kWheel, false, false, true, false, false},
  };
  for (const ModCase& c : cases) {
    ClickTracker clicks;
    XEvent ev = Button(c.type, c.button, c.state);
    WindowInput in;
    ASSERT_TRUE(TranslateXEvent(&ev, &clicks, &in)) << c.what;
    EXPECT_EQ(in.mKind, c.kind) << c.what;
    EXPECT_EQ(in.mMod.L, c.L) << c.what;
    EXPECT_EQ(in.mMod.R, c.R) << c.what;
    EXPECT_EQ(in.mMod.S, c.S) << c.what;
    EXPECT_EQ(in.mMod.C, c.C) << c.what;
    EXPECT_EQ(in.mMod.A, c.A) << c.what;
    EXPECT_EQ(in.mX, 10);
    EXPECT_EQ(in.mY, 20);
  }
}

TEST(WindowInput, WheelButtonsAreNotchesAndMotionCountsOnlyWithAButtonHeld) {
  ClickTracker clicks;
  WindowInput in;
  XEvent up = Button(ButtonPress, 4, 0), down = Button(ButtonPress, 5, 0);
  ASSERT_TRUE(TranslateXEvent(&up, &clicks, &in));
  EXPECT_EQ(in.mWheel, 1);
  ASSERT_TRUE(TranslateXEvent(&down, &clicks, &in));
  EXPECT_EQ(in.mWheel, -1);
  XEvent wheelUp = Button(ButtonRelease, 4, 0), middle = Button(ButtonPress, 2, 0);
  EXPECT_FALSE(TranslateXEvent(&wheelUp, &clicks, &in)) << "a wheel button's release";
  EXPECT_FALSE(TranslateXEvent(&middle, &clicks, &in)) << "the middle button";

  XEvent motion = {};
  motion.type = MotionNotify;
  motion.xmotion.x = -5;
  motion.xmotion.y = 400;
  EXPECT_FALSE(TranslateXEvent(&motion, &clicks, &in)) << "no button held";
  motion.xmotion.state = Button3Mask;
  ASSERT_TRUE(TranslateXEvent(&motion, &clicks, &in));
  EXPECT_EQ(in.mKind, WindowInput::kDrag);
  EXPECT_TRUE(in.mMod.R);
  EXPECT_EQ(in.mX, -5) << "outside the window while the mouse is held";
  EXPECT_EQ(in.mY, 400);
}

struct ClickCase {
  const char* what;
  unsigned long dt;
  int dx, dy;
  bool dbl;
};

TEST(WindowInput, ADoubleClickIsASecondLeftPressSoonAndNearby) {
  const ClickCase cases[] = {
      {"at once, same place", 0, 0, 0, true}, {"400 ms later", 400, 0, 0, true},
      {"401 ms later", 401, 0, 0, false},     {"5 pixels away", 100, 5, -5, true},
      {"6 pixels away", 100, 6, 0, false},    {"6 pixels down", 100, 0, 6, false},
  };
  for (const ClickCase& c : cases) {
    ClickTracker clicks;
    WindowInput in;
    XEvent first = Button(ButtonPress, 1, 0, 5000, 100, 100);
    XEvent second = Button(ButtonPress, 1, 0, 5000 + c.dt, 100 + c.dx, 100 + c.dy);
    ASSERT_TRUE(TranslateXEvent(&first, &clicks, &in));
    EXPECT_EQ(in.mKind, WindowInput::kPress) << c.what;
    ASSERT_TRUE(TranslateXEvent(&second, &clicks, &in));
    EXPECT_EQ(in.mKind, c.dbl ? WindowInput::kDoubleClick : WindowInput::kPress) << c.what;
  }
  // A third quick press starts over; a right press in between breaks the pair.
  ClickTracker clicks;
  WindowInput in;
  XEvent p1 = Button(ButtonPress, 1, 0, 100), p2 = Button(ButtonPress, 1, 0, 150),
         p3 = Button(ButtonPress, 1, 0, 200), r = Button(ButtonPress, 3, 0, 250),
         p4 = Button(ButtonPress, 1, 0, 300);
  TranslateXEvent(&p1, &clicks, &in);
  TranslateXEvent(&p2, &clicks, &in);
  EXPECT_EQ(in.mKind, WindowInput::kDoubleClick);
  TranslateXEvent(&p3, &clicks, &in);
  EXPECT_EQ(in.mKind, WindowInput::kPress);
  TranslateXEvent(&r, &clicks, &in);
  TranslateXEvent(&p4, &clicks, &in);
  EXPECT_EQ(in.mKind, WindowInput::kPress);
}

TEST(WindowInput, KeysMapToTheEditorsCodesAndOthersAreSwallowed) {
  const struct {
    unsigned long keysym;
    int code;
  } cases[] = {{XK_space, 0}, {XK_Up, 1},      {XK_Down, 2}, {XK_Left, 3}, {XK_Right, 4},
               {XK_0, 6},     {XK_9, 15},      {XK_a, 16},   {XK_A, 16},   {XK_z, 41},
               {XK_Z, 41},    {XK_Escape, -1}, {XK_Tab, -1}, {XK_F12, -1}, {XK_KP_5, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(EditorKeyCode(c.keysym), c.code) << "keysym " << c.keysym;
  EXPECT_EQ(EntryKeyOf(XK_Return, "\r"), WindowInput::kEntryEnter);
  EXPECT_EQ(EntryKeyOf(XK_KP_Enter, "\r"), WindowInput::kEntryEnter);
  EXPECT_EQ(EntryKeyOf(XK_Escape, "\x1b"), WindowInput::kEntryEscape);
  EXPECT_EQ(EntryKeyOf(XK_BackSpace, "\b"), WindowInput::kEntryBackspace);
  EXPECT_EQ(EntryKeyOf(XK_minus, "-"), WindowInput::kEntryText);
  EXPECT_EQ(EntryKeyOf(XK_Tab, "\t"), WindowInput::kEntryNone);
  EXPECT_EQ(EntryKeyOf(XK_Shift_L, ""), WindowInput::kEntryNone);
}

TEST(TickClock, TicksFollowRealTimeAtAnyIdleRate) {
  constexpr int64_t kMs = 1000000;
  for (int64_t period : {66 * kMs, 33 * kMs, 16 * kMs, 1 * kMs}) {
    TickClock clock(24);
    clock.Start(0);
    int ticks = 0;
    for (int64_t t = period; t <= 3000 * kMs; t += period)
      ticks += clock.Due(t);
    EXPECT_NEAR(ticks, 72, 2) << "idle every " << period / kMs << " ms";
  }
  // Half a second is 12 ticks whichever way it is cut.
  TickClock clock(24);
  clock.Start(0);
  EXPECT_EQ(clock.Due(41 * kMs), 0);
  EXPECT_EQ(clock.Due(42 * kMs), 1);
  EXPECT_EQ(clock.Due(500 * kMs), 11);
  // A five-second stall runs one second of ticks, then counts from there.
  EXPECT_EQ(clock.Due(5500 * kMs), 24);
  EXPECT_EQ(clock.Due(5500 * kMs + 42 * kMs), 1);
  EXPECT_EQ(clock.Due(1 * kMs), 0) << "time going backwards runs nothing";
}

class EntryPlug : public TestCorvanel {
public:
  IGraphicsLinux* Editor() { return static_cast<IGraphicsLinux*>(GetGUI()); }
};

TEST(DrawnEntry, TypingReplacesTheOfferedTextThenAppendsAndBackspaceTakesOne) {
  EntryPlug p;
  IGraphicsLinux* g = p.Editor();
  g->OpenWindow(nullptr);
  IControl* cycle = g->GetControl(5);
  g->PromptUserInput(cycle, p.GetParam(1), true);
  ASSERT_NE(g->GetValueEntry(), nullptr);
  auto* e = const_cast<IGraphicsLinux::ValueEntry*>(g->GetValueEntry());
  EXPECT_STREQ(e->mTyped.Get(), e->mText.Get()) << "the field offers the current text";
  EntryType(e, "4");
  EXPECT_STREQ(e->mTyped.Get(), "4");
  EntryType(e, "2");
  EXPECT_STREQ(e->mTyped.Get(), "42");
  EntryBackspace(e);
  EXPECT_STREQ(e->mTyped.Get(), "4");
  EntryBackspace(e);
  EntryBackspace(e);
  EXPECT_STREQ(e->mTyped.Get(), "");
  // A fresh entry: Backspace clears the selected offer at once.
  g->DismissValueEntry();
  g->Tick();
  g->PromptUserInput(cycle, p.GetParam(1), true);
  e = const_cast<IGraphicsLinux::ValueEntry*>(g->GetValueEntry());
  EntryBackspace(e);
  EXPECT_STREQ(e->mTyped.Get(), "");
}

TEST(DrawnEntry, ListRowsLieInsideTheEditor) {
  EntryPlug p;
  IGraphicsLinux* g = p.Editor();
  g->OpenWindow(nullptr);
  // Target's radio group: four rows from its centre down.
  IControl* target = g->GetControl(11);
  g->PromptUserInput(target, p.GetParam(8), true);
  ASSERT_NE(g->GetValueEntry(), nullptr);
  ASSERT_TRUE(g->GetValueEntry()->mIsList);
  const IRECT a = EntryArea(*g);
  EXPECT_EQ(a.T, 133);
  EXPECT_EQ(a.H(), 4 * kEntryRowHeight);
  EXPECT_EQ(EntryRowAt(*g, 422, 133), 0);
  EXPECT_EQ(EntryRowAt(*g, 422, 133 + 2 * kEntryRowHeight + 9), 2);
  EXPECT_EQ(EntryRowAt(*g, 422, a.B), -1);
  g->DismissValueEntry();
  g->Tick();
  // Rate's 28 texts do not fit below its knob: the list moves up to the editor's top.
  g->PromptUserInput(g->GetControl(4), p.GetParam(0), true);
  ASSERT_NE(g->GetValueEntry(), nullptr);
  EXPECT_EQ(EntryArea(*g).T, 0);
}

std::string StatusLine(EntryPlug& p) {
  WDL_String text;
  p.StatusLine()->GetText(&text);
  return text.Get();
}

TEST(WebPage, AnOpenerThatCannotStartOrFailsShowsTheErrorInTheStatusLine) {
  const struct {
    const char* opener;
    const char* status;
  } cases[] = {
      {"/nonexistent/opener", "Cannot open url. Check your default browser."},
      {"false", "Cannot open url. Check your default browser."}, // starts, then fails
      {"true", ""},
  };
  for (const auto& c : cases) {
    EntryPlug p;
    IGraphicsLinux* g = p.Editor();
    g->OpenWindow(nullptr);
    g->SetURLOpener(c.opener);
    IMouseMod left(true);
    g->OnMouseDown(200, 30, &left); // the URL area
    g->OnMouseUp(200, 30, &left);
    EXPECT_STRNE(g->GetLastURL(), "") << c.opener;
    // The opener is reaped on a tick once it has ended.
    for (int i = 0; i < 200 && StatusLine(p) != c.status; ++i) {
      usleep(10000);
      g->Tick();
    }
    EXPECT_EQ(StatusLine(p), c.status) << c.opener;
  }
}

} // namespace
