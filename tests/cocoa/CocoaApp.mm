#include "CocoaApp.h"
#include "ScreenGrab.h"
#include "XServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

// A borderless window that can still take the keyboard, as a host's plug-in window does.
@interface HostWindow : NSWindow
@end

@implementation HostWindow
- (BOOL)canBecomeKeyWindow {
  return YES;
}
- (BOOL)canBecomeMainWindow {
  return YES;
}
@end

void StartApplication() {
  static bool started = false;
  if (started) return;
  started = true;
  [NSApplication sharedApplication];
  [NSApp finishLaunching];
}

int RunCocoaTests(int argc, char** argv) {
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  ::testing::InitGoogleTest(&argc, argv);
  char prefs[] = "/tmp/corvanel-cocoa-prefs-XXXXXX";
  if (!mkdtemp(prefs)) return 1;
  setenv("CORVANEL_CONFIG_DIR", prefs, 1);
  StartApplication();
  const int result = RUN_ALL_TESTS();
  [pool release];
  std::remove(SizePreferenceFile().c_str());
  rmdir(prefs);
  return result;
}

std::string SizePreferenceFile() {
  const char* dir = std::getenv("CORVANEL_CONFIG_DIR");
  return std::string(dir ? dir : "") + "/editor.conf";
}

void Pump(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    NSEvent* event = [NSApp nextEventMatchingMask:NSAnyEventMask
                                        untilDate:[NSDate dateWithTimeIntervalSinceNow:0.005]
                                           inMode:NSDefaultRunLoopMode
                                          dequeue:YES];
    if (event) [NSApp sendEvent:event];
    [pool release];
  }
}

bool Xdo(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, 5000) == 0;
}

NSWindow* MakeHostWindow() {
  StartApplication();
  const CGFloat screenH = [[NSScreen mainScreen] frame].size.height;
  const NSRect frame = NSMakeRect(kWindowX, screenH - kWindowY - kEditorH, kEditorW, kEditorH);
  NSWindow* window = [[HostWindow alloc] initWithContentRect:frame
                                                   styleMask:NSBorderlessWindowMask
                                                     backing:NSBackingStoreBuffered
                                                       defer:NO];
  [window setReleasedWhenClosed:NO];
  return window;
}

void ResizeHostWindow(NSWindow* window, int w, int h) {
  const CGFloat screenH = [[NSScreen mainScreen] frame].size.height;
  [window setFrame:NSMakeRect(kWindowX, screenH - kWindowY - h, w, h) display:YES];
}

bool ClickEditor(int x, int y, int button, const char* key) {
  std::vector<std::string> args = {"mousemove", ScreenX(x), ScreenY(y)};
  if (key) args.insert(args.end(), {"keydown", key});
  args.insert(args.end(), {"click", std::to_string(button)});
  if (key) args.insert(args.end(), {"keyup", key});
  const bool ok = Xdo(args);
  Pump(300);
  return ok;
}

bool ChooseEditorSize(int entry, int factor) {
  // The menu's entries are 18 high below its one-pixel border, 64 wide.
  const int menuX = 8, menuY = 60, entryX = 40, entryY = menuY + 1 + 18 * entry + 9;
  return ClickEditor(factor * menuX, factor * menuY, 3) &&
         ClickEditor(factor * entryX, factor * entryY);
}

std::vector<uint32_t> EditorScreen(int w, int h) {
  Pump(100);
  return GrabScreen(kWindowX, kWindowY, w, h);
}
