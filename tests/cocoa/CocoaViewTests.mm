// The editor in a Cocoa host, played through the X server: the host finds the view
// through kAudioUnitProperty_CocoaUI, shows it in its window, and what the user does
// reaches the host as parameter values and gesture events.
#include "EditorPicture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>

#import "CocoaHost.h"

// What an Audio Unit host watches of its plug-in's view: the frame's changes.
@interface FrameWatcher : NSObject {
@public
  int mChanges;
  NSSize mLast;
}
- (void)frameChanged:(NSNotification*)notification;
@end

@implementation FrameWatcher
- (void)frameChanged:(NSNotification*)notification {
  ++mChanges;
  mLast = [(NSView*)[notification object] frame].size;
}
@end

namespace {
// Parameter ids of the plug-in, as the host knows them.
enum { kRate = 0, kCycle = 1, kTieLock = 4, kSplitFreq = 7, kMix = 9 };
// Knob centres and the Tie Lock button's centre in the editor.
constexpr int kRateX = 51, kCycleX = 121, kSplitX = 499, kKnobY = 125;
constexpr int kTieX = 299, kTieY = 189;
// The key GNUstep takes for Command (the left Alt key).
const char kCommandKey[] = "alt";
// A point on the background away from every control.
constexpr int kBackgroundX = 600, kBackgroundY = 20;

int Count(const std::vector<HeardEvent>& events, AudioUnitEventType type, AudioUnitParameterID p) {
  int n = 0;
  for (const HeardEvent& e : events)
    n += e.mType == type && e.mParam == p;
  return n;
}

class CocoaView : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(mHost.mUnit.mOpenResult, noErr);
    ASSERT_TRUE(mHost.OpenView()) << mHost.mError;
    CorvanelMac_ClearEvents();
  }
  // The value entry the view has open (a text field or a combo box), else nil.
  NSTextField* Entry() {
    NSArray* views = [mHost.mView subviews];
    for (NSUInteger i = 0; i < [views count]; ++i)
      if ([[views objectAtIndex:i] isKindOfClass:[NSTextField class]])
        return (NSTextField*)[views objectAtIndex:i];
    return nil;
  }
  // Deletes the entry's text, as a user does before typing.
  bool ClearEntry() {
    return Xdo({"key", "End", "BackSpace", "BackSpace", "BackSpace", "BackSpace", "BackSpace",
                "BackSpace", "BackSpace", "BackSpace"});
  }
  CocoaEditorHost mHost;
};

TEST_F(CocoaView, TheHostFindsTheFactoryByNameAndGetsTheEditorsView) {
  EXPECT_EQ(mHost.mViewClass, "CLS_CORVANEL_View");
  EXPECT_EQ(mHost.mBundleURL, "file://" + BuiltBundle().mPath + "/");
  EXPECT_EQ([mHost.mFactory interfaceVersion], 0u);
  EXPECT_STREQ([[mHost.mFactory description] UTF8String], "Corvanel View");
  EXPECT_TRUE([mHost.mView isKindOfClass:NSClassFromString(@"CorvanelAU")]);
  EXPECT_EQ([mHost.mView frame].size.width, kEditorW);
  EXPECT_EQ([mHost.mView frame].size.height, kEditorH);
  EXPECT_TRUE([mHost.mView isOpaque]);
  EXPECT_FALSE([mHost.mView isFlipped]);
}

// Outside its text areas the screen shows the picture the Linux off-screen editor draws of
// the same (fresh) state; the text areas hold CoreText's glyphs.
TEST_F(CocoaView, TheScreenShowsTheOffScreenPictureOfTheSameState) {
  std::string error, where;
  const std::vector<uint32_t> picture = OffScreenPicture(&error);
  ASSERT_FALSE(picture.empty()) << error;
  const std::vector<uint32_t> screen = mHost.Screen();
  EXPECT_EQ(DifferingOutsideText(screen, picture, &where), 0) << where;
  EXPECT_EQ(TextAreasWithoutGlyphs(screen), std::vector<std::string>());
}

TEST_F(CocoaView, ADragOnAKnobIsOneGestureTheHostHears) {
  const float before = mHost.mUnit.Param(kCycle);
  ASSERT_TRUE(mHost.Drag(kCycleX, kKnobY, kCycleX, kKnobY - 40));
  EXPECT_GT(mHost.mUnit.Param(kCycle), before);
  const std::vector<HeardEvent> events = HeardEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), (HeardEvent{kAudioUnitEvent_BeginParameterChangeGesture, kCycle}));
  EXPECT_EQ(events.back(), (HeardEvent{kAudioUnitEvent_EndParameterChangeGesture, kCycle}));
  EXPECT_GE(Count(events, kAudioUnitEvent_ParameterValueChange, kCycle), 2);
}

TEST_F(CocoaView, AClickOnTheTieLockButtonTogglesIt) {
  const float before = mHost.mUnit.Param(kTieLock);
  ASSERT_TRUE(mHost.Click(kTieX, kTieY));
  EXPECT_EQ(mHost.mUnit.Param(kTieLock), 1.0f - before);
  EXPECT_GE(Count(HeardEvents(), kAudioUnitEvent_ParameterValueChange, kTieLock), 1);
}

// A double click reaches the knob's double-click handling: back to the default value.
TEST_F(CocoaView, ADoubleClickOnAKnobRestoresItsDefault) {
  ASSERT_TRUE(mHost.Drag(kCycleX, kKnobY, kCycleX, kKnobY - 40));
  ASSERT_NE(mHost.mUnit.Param(kCycle), 16.0f);
  ASSERT_TRUE(Xdo({"mousemove", ScreenX(kCycleX), ScreenY(kKnobY),
                   "click", "--repeat", "2", "--delay", "80", "1"}));
  Pump(300);
  EXPECT_EQ(mHost.mUnit.Param(kCycle), 16.0f);
}

// The wheel nudges the knob by a hundredth per notch, a thousandth with Control held; the
// gesture ends once the editor's timer has counted down.
TEST_F(CocoaView, TheWheelNudgesAKnobAndControlMakesItFiner) {
  const float start = mHost.mUnit.Param(kSplitFreq);
  ASSERT_TRUE(mHost.Click(kSplitX, kKnobY, 4));
  const float coarse = mHost.mUnit.Param(kSplitFreq) - start;
  EXPECT_GT(coarse, 0.0f);
  ASSERT_TRUE(mHost.Click(kSplitX, kKnobY, 4, "ctrl"));
  const float fine = mHost.mUnit.Param(kSplitFreq) - start - coarse;
  EXPECT_GT(fine, 0.0f);
  EXPECT_LT(fine * 5, coarse);
  Pump(1500);
  const std::vector<HeardEvent> events = HeardEvents();
  EXPECT_GE(Count(events, kAudioUnitEvent_BeginParameterChangeGesture, kSplitFreq), 1);
  EXPECT_EQ(Count(events, kAudioUnitEvent_BeginParameterChangeGesture, kSplitFreq),
            Count(events, kAudioUnitEvent_EndParameterChangeGesture, kSplitFreq));
}

// A Command-click is the right button: the knob opens its text field, centred on the knob;
// the typed value applies on Return and the field goes.
TEST_F(CocoaView, ACommandClickOpensTheTextFieldAndReturnAppliesIt) {
  ASSERT_TRUE(mHost.Click(kCycleX, kKnobY, 1, kCommandKey));
  NSTextField* field = Entry();
  ASSERT_NE(field, nil);
  EXPECT_FALSE([field isKindOfClass:[NSComboBox class]]);
  EXPECT_STREQ([[field stringValue] UTF8String], "16");
  const NSRect frame = [field frame];
  EXPECT_EQ(frame.size.width, 42);
  EXPECT_EQ(frame.size.height, 21);
  EXPECT_EQ(frame.origin.x, kCycleX - 21);
  ASSERT_TRUE(ClearEntry());
  ASSERT_TRUE(mHost.TypeAndReturn("40"));
  EXPECT_EQ(mHost.mUnit.Param(kCycle), 40.0f);
  EXPECT_EQ(Entry(), nil);
}

// The right button on a knob with display texts opens a combo box of them, the current one
// selected; a typed item applies on Return.
TEST_F(CocoaView, TheComboBoxListsTheTextsAndATypedItemAppliesOnReturn) {
  ASSERT_TRUE(mHost.Click(kRateX, kKnobY, 3));
  NSComboBox* combo = (NSComboBox*)Entry();
  ASSERT_TRUE([combo isKindOfClass:[NSComboBox class]]);
  EXPECT_EQ([combo numberOfItems], 28);
  EXPECT_EQ([combo indexOfSelectedItem], 9); // "1/16"
  EXPECT_STREQ([[combo stringValue] UTF8String], "1/16");
  ASSERT_TRUE(ClearEntry());
  ASSERT_TRUE(mHost.TypeAndReturn("1/4"));
  EXPECT_EQ(mHost.mUnit.Param(kRate), 15.0f);
  EXPECT_EQ(Entry(), nil);
}

// An item picked from the list applies on Return as the item, without a host gesture.
TEST_F(CocoaView, APickedItemAppliesWithoutAGesture) {
  ASSERT_TRUE(mHost.Click(kRateX, kKnobY, 3));
  NSComboBox* combo = (NSComboBox*)Entry();
  ASSERT_TRUE([combo isKindOfClass:[NSComboBox class]]);
  [combo selectItemAtIndex:3];
  [combo setStringValue:[combo itemObjectValueAtIndex:3]]; // as the list shows a pick
  CorvanelMac_ClearEvents();
  ASSERT_TRUE(Xdo({"key", "Return"}));
  Pump(300);
  EXPECT_EQ(mHost.mUnit.Param(kRate), 3.0f); // "1/64"
  const std::vector<HeardEvent> events = HeardEvents();
  EXPECT_GE(Count(events, kAudioUnitEvent_ParameterValueChange, kRate), 1);
  EXPECT_EQ(Count(events, kAudioUnitEvent_BeginParameterChangeGesture, kRate), 0);
  EXPECT_EQ(Count(events, kAudioUnitEvent_EndParameterChangeGesture, kRate), 0);
}

// A click anywhere in the editor discards an open entry: nothing typed applies.
TEST_F(CocoaView, AClickInTheEditorDiscardsAnOpenEntry) {
  ASSERT_TRUE(mHost.Click(kCycleX, kKnobY, 3));
  ASSERT_NE(Entry(), nil);
  ASSERT_TRUE(ClearEntry());
  ASSERT_TRUE(Xdo({"type", "33"}));
  Pump(200);
  ASSERT_TRUE(mHost.Click(kBackgroundX, kBackgroundY));
  EXPECT_EQ(Entry(), nil);
  EXPECT_EQ(mHost.mUnit.Param(kCycle), 16.0f);
  // The next click reaches the editor again.
  ASSERT_TRUE(mHost.Click(kTieX, kTieY));
  EXPECT_EQ(mHost.mUnit.Param(kTieLock), 0.0f);
}

// The size menu's "200 %" (one pixel per point here): the view's frame doubles, which the
// host hears as the frame's change and follows; clicks at twice the positions reach the same
// controls, and the value entry opens over the knob at twice the place and size, with a font
// twice as large.
TEST_F(CocoaView, TheSizeMenusTwoHundredPercentDoublesTheViewAndItsEntries) {
  FrameWatcher* watcher = [[FrameWatcher alloc] init];
  [mHost.mView setPostsFrameChangedNotifications:YES];
  [[NSNotificationCenter defaultCenter] addObserver:watcher
                                           selector:@selector(frameChanged:)
                                               name:NSViewFrameDidChangeNotification
                                             object:mHost.mView];
  ASSERT_TRUE(mHost.Click(kCycleX, kKnobY, 3));
  ASSERT_NE(Entry(), nil);
  const NSRect frame100 = [Entry() frame];
  const CGFloat font100 = [[Entry() font] pointSize];
  ASSERT_TRUE(mHost.Click(kBackgroundX, kBackgroundY)); // discards it

  ASSERT_TRUE(ChooseEditorSize(2));
  std::remove(SizePreferenceFile().c_str());
  EXPECT_EQ(watcher->mChanges, 1);
  EXPECT_EQ(watcher->mLast.width, 1240);
  EXPECT_EQ(watcher->mLast.height, 710);
  [[NSNotificationCenter defaultCenter] removeObserver:watcher];
  [watcher release];
  ResizeHostWindow(mHost.mWindow, 1240, 710);
  Pump(300);

  const float tie = mHost.mUnit.Param(kTieLock);
  ASSERT_TRUE(mHost.Click(2 * kTieX, 2 * kTieY));
  EXPECT_EQ(mHost.mUnit.Param(kTieLock), 1.0f - tie);
  ASSERT_TRUE(mHost.Click(2 * kCycleX, 2 * kKnobY, 3));
  NSTextField* field = Entry();
  ASSERT_NE(field, nil);
  EXPECT_STREQ([[field stringValue] UTF8String], "16");
  const NSRect frame = [field frame];
  EXPECT_EQ(frame.origin.x, 2 * frame100.origin.x);
  EXPECT_EQ(frame.origin.y, 2 * frame100.origin.y);
  EXPECT_EQ(frame.size.width, 2 * frame100.size.width);
  EXPECT_EQ(frame.size.height, 2 * frame100.size.height);
  EXPECT_EQ([[field font] pointSize], 2 * font100);
  ASSERT_TRUE(ClearEntry());
  ASSERT_TRUE(mHost.TypeAndReturn("40"));
  EXPECT_EQ(mHost.mUnit.Param(kCycle), 40.0f);
}

// While a button is held on a knob the timer keeps redrawing: the activity display follows
// the playing steps of a rendering host.
TEST_F(CocoaView, TheTimerKeepsRedrawingWhileAButtonIsHeld) {
  HostTimeline timeline;
  timeline.mTempo = 240.0;
  SignalSource source;
  ASSERT_EQ(mHost.mUnit.Configure(44100.0, 512, 2, &timeline, &source), noErr);
  std::atomic<bool> rendering{true};
  std::thread render([&] {
    std::vector<float> out;
    while (rendering.load()) {
      mHost.mUnit.Render(timeline.mSample, 512, 2, &out);
      timeline.mSample += 512;
      usleep(11000);
    }
  });
  ASSERT_TRUE(Xdo({"mousemove", ScreenX(kCycleX), ScreenY(kKnobY),
                   "mousedown", "1"}));
  Pump(300);
  const std::vector<uint32_t> first = mHost.Screen();
  Pump(400);
  const std::vector<uint32_t> second = mHost.Screen();
  EXPECT_TRUE(Xdo({"mouseup", "1"}));
  Pump(100);
  rendering = false;
  render.join();
  int changed = 0;
  for (int y = 230; y < 243; ++y) // the upper activity display
    for (int x = 30; x < 589; ++x)
      changed += first[(size_t)y * kEditorW + x] != second[(size_t)y * kEditorW + x];
  EXPECT_GT(changed, 0);
}

// The host removing the view closes the editor; asking the factory again gives a new view
// that works.
TEST_F(CocoaView, RemovingTheViewClosesTheEditorAndANewViewWorks) {
  NSView* old = [mHost.mView retain];
  mHost.RemoveView();
  EXPECT_FALSE([old isOpaque]); // unlinked from the editor
  ASSERT_TRUE(mHost.OpenView()) << mHost.mError;
  EXPECT_NE(mHost.mView, old);
  EXPECT_TRUE([mHost.mView isOpaque]);
  ASSERT_TRUE(mHost.Click(kTieX, kTieY));
  EXPECT_EQ(mHost.mUnit.Param(kTieLock), 0.0f);
  [old release];
}
// The factory's contract with the host: each request gives a new view, autoreleased with
// its one reference; nothing of the unit's (the editor, its timer) keeps a view alive, an
// earlier view is unlinked when a new one is made, and a view the host lets go of closes
// the editor, which then makes a new one that works.
TEST_F(CocoaView, EachRequestGivesANewAutoreleasedViewThatOnlyTheHostKeeps) {
  NSView* first = mHost.mView;        // the host's reference (OpenView retained it)
  EXPECT_EQ([first retainCount], 2u); // the host's and its window's

  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  NSView* second = [mHost.mFactory uiViewForAudioUnit:mHost.mUnit.mUnit
                                             withSize:NSMakeSize(400, 300)];
  ASSERT_NE(second, nil);
  EXPECT_NE(second, first);
  EXPECT_EQ([second retainCount], 1u); // autoreleased: the pool's only
  [second retain];
  [pool release];
  EXPECT_EQ([second retainCount], 1u); // the timer and the editor hold none
  EXPECT_FALSE([first isOpaque]);      // the earlier view is unlinked from the editor
  EXPECT_TRUE([second isOpaque]);
  Pump(200); // the earlier view's timer is stopped: nothing ticks through it

  // The host lets go of the new view without removing it from anything: it goes, and
  // the editor with it; the timer stopped with the view.
  [second release];
  Pump(200);
  mHost.RemoveView(); // the first, unlinked, goes quietly
  ASSERT_TRUE(mHost.OpenView()) << mHost.mError;
  EXPECT_TRUE([mHost.mView isOpaque]);
  ASSERT_TRUE(mHost.Click(kTieX, kTieY));
  EXPECT_EQ(mHost.mUnit.Param(kTieLock), 0.0f);
}
} // namespace

int main(int argc, char** argv) { return RunCocoaTests(argc, argv); }
