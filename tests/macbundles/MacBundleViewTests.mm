// The VST3 and CLAP bundles of the macOS configuration as Mac hosts hold them, through the
// test hosts of tests/vst3 and tests/clap: the bundles' layout, and the editor's Cocoa view
// attached to a view of the host's own ("NSView", "cocoa") in a window at a known place on a
// private X server, played through xdotool, with the host's event loop the only thing that
// runs. The tests look at what the host sees: the screen, the values it is told of, and its
// view's subviews.
#include "BuiltClap.h"
#include "ClapInstance.h"
#include "EditorPicture.h"
#include "Vst3TestHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#import "CocoaApp.h"

using namespace vst3;

// The editor's view takes a backing factor as its window's (CorvanelAUView.h): a test's
// stand-in for a Retina window, which GNUstep has not.
@interface NSView (CorvanelBackingFactor)
- (void)setBackingFactor:(CGFloat)factor;
@end

namespace {
constexpr uint32_t kTieLock = 4;
constexpr int kTieX = 299, kTieY = 189;
// The bottom of step 1's volume bar.
constexpr int kStepX = 47, kStepY = 228;
// The step words the pattern travels in.
constexpr uint32_t kFirstWord = 10, kLastWord = 22;
using Size = std::pair<int, int>;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- The bundles --------------------------------------------------------------------------------

struct BundleCase {
  const char* mFormat;
  std::string mPath;
  const char* mIdentifier;
};

std::vector<BundleCase> Bundles() {
  return {{"vst3", Vst3BundlePath(), CORVANEL_VST3_BUNDLE_ID},
          {"clap", BuiltClapPath(), "com.orbalin.clap.Corvanel"}};
}

// What a Mac host and the system read of a bundle: the property list names the binary in
// Contents/MacOS and the type, PkgInfo says the same, the skin is among the resources.
TEST(MacBundles, EachBundleIsALoadableBundleWithItsBinaryAndSkin) {
  const char* skin[] = {"bg", "knob", "radio", "slider", "but1", "but2", "but3", "on", "on_"};
  for (const BundleCase& b : Bundles()) {
    SCOPED_TRACE(b.mFormat);
    const std::string contents = b.mPath + "/Contents/";
    const std::string plist = ReadFile(contents + "Info.plist");
    const std::vector<std::string> entries = {
         "<key>CFBundleExecutable</key>\n\t<string>Corvanel</string>",
          "<key>CFBundlePackageType</key>\n\t<string>BNDL</string>",
          "<key>CFBundleIdentifier</key>\n\t<string>" + std::string(b.mIdentifier) + "</string>",
          "<key>CFBundleShortVersionString</key>\n\t<string>1.2.0</string>"};
    for (const std::string& entry : entries)
      EXPECT_NE(plist.find(entry), std::string::npos) << entry;
    EXPECT_EQ(ReadFile(contents + "PkgInfo"), "BNDL????");
    EXPECT_FALSE(ReadFile(contents + "MacOS/Corvanel").empty());
    for (const char* image : skin)
      EXPECT_EQ(ReadFile(contents + "Resources/" + image + ".png"),
                ReadFile(std::string(CORVANEL_SKIN_DIR "/") + image + ".png"))
          << image;
  }
}

// ---- One plug-in with its editor, as each format's host holds it -------------------------------

class EditorPlugIn {
public:
  virtual ~EditorPlugIn() = default;
  // Whether the host may open the editor with this platform type (window API), embedded or
  // floating.
  virtual bool Supports(const char* api, bool floating) = 0;
  // The editor in the host's view; false when refused.
  virtual bool Open(NSView* parent) = 0;
  virtual void Close() = 0;
  // The host lets go of the plug-in with the editor still open, without closing it.
  virtual void Abandon() = 0;
  // One silent block, as the host's audio runs, then the last value of each parameter the
  // host was told of since the last call (edits from the editor and output changes).
  virtual std::map<uint32_t, double> Heard() = 0;
  // The value the host reads of a parameter (normalised for VST3, plain for CLAP: the same
  // for the 0/1 Tie Lock and for comparing with what was heard).
  virtual double Value(uint32_t id) = 0;
  // What the plug-in did against the host's rules, empty when nothing.
  virtual std::string Complaints() = 0;
  // The sizes the plug-in asked the host for since it was opened (VST3 resizeView, CLAP
  // request_resize), and the size the host reads (getSize, get_size).
  virtual std::vector<Size> SizeRequests() = 0;
  virtual Size HostSize() = 0;
};

// The host's frame: it offers no run loop, as Mac hosts do not.
class MacFrame final : public IPlugFrame {
public:
  virtual ~MacFrame() = default;
  tresult VST3_API queryInterface(const TUID iid, void** obj) override {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (kRunLoopIid.Is(iid)) ++mRunLoopAsked;
    if (!kFUnknownIid.Is(iid) && !kPlugFrameIid.Is(iid)) return kResultFalse;
    *obj = static_cast<IPlugFrame*>(this);
    return kResultOk;
  }
  uint32_t VST3_API addRef() override { return 2; }
  uint32_t VST3_API release() override { return 1; }
  // The host follows every request: the test resizes its window to the size asked for.
  tresult VST3_API resizeView(IPlugView*, ViewRect* r) override {
    if (!r) return kInvalidArgument;
    mResizes.push_back({r->right - r->left, r->bottom - r->top});
    return kResultOk;
  }
  int mRunLoopAsked = 0;
  std::vector<Size> mResizes;
};

class Vst3EditorPlugIn final : public EditorPlugIn {
public:
  Vst3EditorPlugIn() { mReady = mPlugin.Setup(); }
  ~Vst3EditorPlugIn() override {
    if (mView) Close();
  }
  bool Supports(const char* api, bool floating) override {
    if (floating || !mReady) return false; // VST3 views are always embedded
    IPlugView* probe = mPlugin.mController->createView(kEditorViewName);
    const bool yes = probe && probe->isPlatformTypeSupported(api) == kResultTrue;
    if (probe) probe->release();
    return yes;
  }
  bool Open(NSView* parent) override {
    if (!mReady || mView) return false;
    mView = mPlugin.mController->createView(kEditorViewName);
    if (!mView) return false;
    mView->setFrame(&mFrame);
    ViewRect size;
    return mView->getSize(&size) == kResultOk && size.right == kEditorW &&
           size.bottom == kEditorH && mView->attached(parent, kPlatformNSView) == kResultOk;
  }
  void Close() override {
    mView->removed();
    mView->setFrame(nullptr);
    mRefsLeft = (int)mView->release();
    mView = nullptr;
  }
  // The view goes without removed(); it held the plug-in, which goes with it.
  void Abandon() override {
    mView->release();
    mView = nullptr;
  }
  std::map<uint32_t, double> Heard() override {
    float l[256] = {0}, r[256] = {0};
    float* ch[2] = {l, r};
    mPlugin.Process(ch, ch, 2, 256, nullptr);
    std::map<uint32_t, double> heard;
    for (const HandlerCall& c : mPlugin.mHandler.mCalls)
      if (c.mKind == 'p') heard[c.mId] = c.mValue;
    mPlugin.mHandler.mCalls.clear();
    for (TestParamQueue* q : mPlugin.mOutChanges.mQueues)
      if (!q->mPoints.empty()) heard[q->mId] = q->mPoints.back().second;
    return heard;
  }
  double Value(uint32_t id) override { return mPlugin.mController->getParamNormalized(id); }
  std::vector<Size> SizeRequests() override { return mFrame.mResizes; }
  Size HostSize() override {
    ViewRect size;
    if (!mView || mView->getSize(&size) != kResultOk) return {0, 0};
    return {size.right - size.left, size.bottom - size.top};
  }
  std::string Complaints() override {
    std::string c;
    if (mFrame.mRunLoopAsked) c += "asked the frame for a run loop; ";
    if (mRefsLeft) c += "the view outlived the host's release; ";
    return c;
  }

private:
  Vst3Plugin mPlugin;
  MacFrame mFrame;
  IPlugView* mView = nullptr;
  bool mReady = false;
  int mRefsLeft = 0;
};

class ClapEditorPlugIn final : public EditorPlugIn {
public:
  ClapEditorPlugIn() : mClap(mHost, ClapFactory()) {
    if (mClap.mPlugin && mClap.Start())
      mGui = PluginExt<clapabi::PluginGui>(mClap.mPlugin, clapabi::kExtGui);
  }
  ~ClapEditorPlugIn() override {
    if (mOpen) Close();
  }
  bool Supports(const char* api, bool floating) override {
    return mGui && mGui->is_api_supported(mClap.mPlugin, api, floating);
  }
  bool Open(NSView* parent) override {
    if (!mGui || mOpen || !mGui->create(mClap.mPlugin, clapabi::kWindowApiCocoa, false))
      return false;
    mOpen = true;
    clapabi::Window window;
    window.api = clapabi::kWindowApiCocoa;
    window.cocoa = parent;
    uint32_t w = 0, h = 0;
    return mGui->set_parent(mClap.mPlugin, &window) && mGui->get_size(mClap.mPlugin, &w, &h) &&
           w == (uint32_t)kEditorW && h == (uint32_t)kEditorH && mGui->show(mClap.mPlugin);
  }
  void Close() override {
    mGui->destroy(mClap.mPlugin);
    mOpen = false;
  }
  // The plug-in is destroyed without gui.destroy.
  void Abandon() override { mOpen = false; }
  std::map<uint32_t, double> Heard() override {
    float l[256] = {0}, r[256] = {0};
    float* io[2] = {l, r};
    OutputEventList out;
    mClap.Process<float>(io, io, 2, 256, nullptr, nullptr, &out);
    std::map<uint32_t, double> heard;
    for (const OutEvent& e : out.mEvents)
      if (e.mType == clapabi::kEventParamValue) heard[e.mParam] = e.mValue;
    return heard;
  }
  double Value(uint32_t id) override { return mClap.Value(id); }
  std::vector<Size> SizeRequests() override {
    std::vector<Size> sizes;
    for (const auto& r : mHost.mResizeRequests)
      sizes.push_back({(int)r.first, (int)r.second});
    return sizes;
  }
  Size HostSize() override {
    uint32_t w = 0, h = 0;
    if (!mOpen || !mGui->get_size(mClap.mPlugin, &w, &h)) return {0, 0};
    return {(int)w, (int)h};
  }
  std::string Complaints() override {
    std::string c;
    for (const std::string& v : mHost.mViolations)
      c += v + "; ";
    if (!mHost.mTimers.empty() || !mHost.mFds.empty()) c += "timers or fds registered; ";
    return c;
  }

private:
  TestHost mHost;
  ClapInstance mClap;
  const clapabi::PluginGui* mGui = nullptr;
  bool mOpen = false;
};

// ---- The host's window --------------------------------------------------------------------------

class MacEditor : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    mWindow = MakeHostWindow();
    mHostView = [[NSView alloc] initWithFrame:NSMakeRect(0, 0, kEditorW, kEditorH)];
    [[mWindow contentView] addSubview:mHostView];
    [mWindow makeKeyAndOrderFront:nil];
    NewPlugIn();
  }
  void NewPlugIn() {
    mPlugIn.reset();
    if (std::string(GetParam()) == "vst3")
      mPlugIn.reset(new Vst3EditorPlugIn);
    else
      mPlugIn.reset(new ClapEditorPlugIn);
  }
  void TearDown() override {
    mPlugIn.reset();
    std::remove(SizePreferenceFile().c_str()); // a size chosen here is forgotten
    [mHostView removeFromSuperview];
    [mHostView release];
    [mWindow orderOut:nil];
    [mWindow close];
    [mWindow release];
    Pump(50);
  }
  bool Open() {
    const bool ok = mPlugIn->Open(mHostView);
    Pump(700);
    return ok;
  }
  // The editor's view, held by the test as well.
  NSView* RetainedEditorView() {
    // The subviews' array holds the view too until its pool goes.
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    NSView* view = [EditorView() retain];
    [pool release];
    return view;
  }
  // The view is out of the host's view, and nothing but the test holds it.
  void ExpectGone(NSView* view) {
    EXPECT_EQ([[mHostView subviews] count], 0u);
    EXPECT_EQ([view superview], nil);
    EXPECT_EQ([view retainCount], 1u);
    EXPECT_FALSE([view isOpaque]); // unlinked from the editor
  }
  NSView* EditorView() {
    NSArray* views = [mHostView subviews];
    return [views count] == 1 ? (NSView*)[views objectAtIndex:0] : nil;
  }
  // The host gives its window and view the size the plug-in asked for last.
  void FollowSizeRequest() {
    const std::vector<Size> sizes = mPlugIn->SizeRequests();
    if (sizes.empty()) return;
    [mHostView setFrameSize:NSMakeSize(sizes.back().first, sizes.back().second)];
    ResizeHostWindow(mWindow, sizes.back().first, sizes.back().second);
    Pump(300);
  }
  Size ViewSize() {
    const NSSize size = [EditorView() frame].size;
    return {(int)size.width, (int)size.height};
  }
  // The step words as the host reads them.
  std::vector<double> Words() {
    std::vector<double> words;
    for (uint32_t word = kFirstWord; word <= kLastWord; ++word)
      words.push_back(mPlugIn->Value(word));
    return words;
  }

  NSWindow* mWindow = nil;
  NSView* mHostView = nil;
  std::unique_ptr<EditorPlugIn> mPlugIn;
};

// The editor is offered for a host's NSView only, embedded: not for the other platforms'
// windows, nor floating (a Cocoa view has no window of its own).
TEST_P(MacEditor, TheEditorIsOfferedForTheHostsViewOnly) {
  const bool vst3 = std::string(GetParam()) == "vst3";
  const struct {
    const char* mApi;
    bool mFloating, mSupported;
  } cases[] = {{vst3 ? kPlatformNSView : clapabi::kWindowApiCocoa, false, true},
               {vst3 ? kPlatformNSView : clapabi::kWindowApiCocoa, true, false},
               {vst3 ? kPlatformX11 : clapabi::kWindowApiX11, false, false},
               {vst3 ? kPlatformHwnd : clapabi::kWindowApiWin32, false, false},
               {"", false, false}};
  for (const auto& c : cases)
    EXPECT_EQ(mPlugIn->Supports(c.mApi, c.mFloating), c.mSupported)
        << c.mApi << (c.mFloating ? " floating" : "");
}

// The editor's view goes into the host's view, and outside the text areas the screen shows
// the picture the Linux off-screen editor draws of the same fresh state.
TEST_P(MacEditor, TheViewInTheHostsViewShowsTheOffScreenPicture) {
  ASSERT_TRUE(Open());
  NSView* view = EditorView();
  ASSERT_NE(view, nil);
  EXPECT_TRUE([view isKindOfClass:NSClassFromString(@"CorvanelAU")]);
  EXPECT_EQ([view frame].size.width, kEditorW);
  EXPECT_EQ([view frame].size.height, kEditorH);
  std::string error, where;
  const std::vector<uint32_t> picture = OffScreenPicture(&error);
  ASSERT_FALSE(picture.empty()) << error;
  const std::vector<uint32_t> screen = EditorScreen();
  EXPECT_EQ(DifferingOutsideText(screen, picture, &where), 0) << where;
  EXPECT_EQ(TextAreasWithoutGlyphs(screen), std::vector<std::string>());
  EXPECT_EQ(mPlugIn->Complaints(), "");
}

// Clicks reach the host: a step bar's edit arrives as the step words the audio thread
// publishes, the Tie Lock button's as its value.
TEST_P(MacEditor, ClicksOnAStepBarAndAButtonReachTheHost) {
  ASSERT_TRUE(Open());
  mPlugIn->Heard();
  std::vector<double> before;
  for (uint32_t word = kFirstWord; word <= kLastWord; ++word)
    before.push_back(mPlugIn->Value(word));
  ASSERT_TRUE(ClickEditor(kStepX, kStepY));
  std::map<uint32_t, double> heard = mPlugIn->Heard();
  int changed = 0;
  for (uint32_t word = kFirstWord; word <= kLastWord; ++word) {
    const double now = mPlugIn->Value(word);
    if (now == before[word - kFirstWord]) continue;
    ++changed;
    ASSERT_EQ(heard.count(word), 1u) << "word " << word;
    EXPECT_EQ(heard[word], now) << "word " << word;
  }
  EXPECT_GT(changed, 0);

  const double tie = mPlugIn->Value(kTieLock);
  ASSERT_TRUE(ClickEditor(kTieX, kTieY));
  heard = mPlugIn->Heard();
  EXPECT_EQ(mPlugIn->Value(kTieLock), 1.0 - tie);
  ASSERT_EQ(heard.count(kTieLock), 1u);
  EXPECT_EQ(heard[kTieLock], 1.0 - tie);
  EXPECT_EQ(mPlugIn->Complaints(), "");
}

// The size menu's "200 %" (the user's right-click on the background, one pixel per point
// here): the host is asked for twice the size, the view takes it, the screen is the off-screen
// picture at 200 % outside the text areas, and a click at twice the position (on the last
// device pixel of that editor point) edits the step words the click at 100 % edits. "100 %"
// brings the size back.
TEST_P(MacEditor, TheSizeMenusTwoHundredPercentDoublesTheViewAndEditsAsAt100) {
  ASSERT_TRUE(Open());
  const std::vector<double> fresh = Words();
  ASSERT_TRUE(ClickEditor(kStepX, kStepY));
  mPlugIn->Heard();
  const std::vector<double> at100 = Words();
  ASSERT_NE(at100, fresh);
  mPlugIn->Close();
  NewPlugIn();
  ASSERT_TRUE(Open());
  ASSERT_EQ(Words(), fresh);
  EXPECT_EQ(mPlugIn->SizeRequests(), std::vector<Size>());

  ASSERT_TRUE(ChooseEditorSize(2));
  EXPECT_EQ(mPlugIn->SizeRequests(), std::vector<Size>({{1240, 710}}));
  EXPECT_EQ(mPlugIn->HostSize(), Size(1240, 710));
  FollowSizeRequest();
  EXPECT_EQ(ViewSize(), Size(1240, 710));
  std::string error, where;
  const std::vector<uint32_t> picture = OffScreenPicture(&error, 200);
  ASSERT_FALSE(picture.empty()) << error;
  EXPECT_EQ(DifferingOutsideText(EditorScreen(1240, 710), picture, &where, 200), 0) << where;

  ASSERT_TRUE(ClickEditor(2 * kStepX + 1, 2 * kStepY + 1));
  mPlugIn->Heard();
  EXPECT_EQ(Words(), at100);

  ASSERT_TRUE(ChooseEditorSize(0, 2));
  EXPECT_EQ(mPlugIn->SizeRequests().back(), Size(620, 355));
  EXPECT_EQ(ViewSize(), Size(620, 355));
  EXPECT_EQ(mPlugIn->Complaints(), "");
}

// A window with two pixels per point (a Retina display; GNUstep has none, so the test gives
// the view the factor its window would): the editor draws at 200 % in the same 620 x 355
// points, the size hosts measure a Cocoa view in. Clicks are taken in points: the size menu
// opens under the pointer and "150 %" there gives 465 x 266.5 points (the host is asked for
// 465 x 267). Back on a display of one pixel per point the chosen 150 % stays, at 930 x 533.
TEST_P(MacEditor, ABackingFactorOfTwoKeepsTheSizeInPointsAndTheChosenScaleFollows) {
  ASSERT_TRUE(Open());
  NSView* view = EditorView();
  ASSERT_NE(view, nil);
  [view setBackingFactor:2];
  Pump(200);
  EXPECT_EQ(mPlugIn->SizeRequests(), std::vector<Size>({{620, 355}})) << "the scale changed";
  EXPECT_EQ(mPlugIn->HostSize(), Size(620, 355));
  EXPECT_EQ(ViewSize(), Size(620, 355));

  ASSERT_TRUE(ChooseEditorSize(1));
  EXPECT_EQ(mPlugIn->SizeRequests().back(), Size(465, 267));
  EXPECT_EQ(mPlugIn->HostSize(), Size(465, 267));
  EXPECT_EQ([view frame].size.width, 465);
  EXPECT_EQ([view frame].size.height, 266.5);

  [view setBackingFactor:1];
  Pump(200);
  EXPECT_EQ(mPlugIn->SizeRequests().back(), Size(930, 533));
  EXPECT_EQ(ViewSize(), Size(930, 533));
  EXPECT_EQ(mPlugIn->Complaints(), "");
}

// Closing takes the view out of the host's view and frees it: nothing of the plug-in (the
// editor, the view's timer) keeps it alive. The editor opens again and works.
TEST_P(MacEditor, ClosingFreesTheViewAndTheEditorOpensAgain) {
  ASSERT_TRUE(Open());
  NSView* view = RetainedEditorView();
  ASSERT_NE(view, nil);
  mPlugIn->Close();
  ExpectGone(view);
  [view release];
  Pump(200); // no timer ticks through the freed view

  ASSERT_TRUE(Open());
  ASSERT_NE(EditorView(), nil);
  const double tie = mPlugIn->Value(kTieLock);
  ASSERT_TRUE(ClickEditor(kTieX, kTieY));
  EXPECT_EQ(mPlugIn->Value(kTieLock), 1.0 - tie);
  mPlugIn->Close();
  EXPECT_EQ([[mHostView subviews] count], 0u);
  EXPECT_EQ(mPlugIn->Complaints(), "");
}

// A host that lets go of the plug-in (VST3: of the view) without closing the editor: the
// view still leaves the host's view and goes.
TEST_P(MacEditor, APlugInLetGoWithItsEditorOpenTakesTheViewAlong) {
  ASSERT_TRUE(Open());
  NSView* view = RetainedEditorView();
  ASSERT_NE(view, nil);
  mPlugIn->Abandon();
  mPlugIn.reset();
  ExpectGone(view);
  [view release];
  Pump(200);
}

INSTANTIATE_TEST_SUITE_P(Formats, MacEditor, ::testing::Values("vst3", "clap"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });
} // namespace

int main(int argc, char** argv) { return RunCocoaTests(argc, argv); }
