#pragma once
// An Audio Unit host with a Cocoa user interface, for the tests (Objective-C++): it opens
// the built component through the component manager (AuHost), reads
// kAudioUnitProperty_CocoaUI, makes the view factory by its class name, asks it for the
// editor's view and puts the view into a window of its own at a known place on the screen
// (CocoaApp.h). The user is played with xdotool on the same X server; the host's event
// loop runs between the user's actions (Pump).
#include "AuHost.h"
#include "CocoaApp.h"

#include <cstdint>
#include <string>
#include <vector>

#import <AudioUnit/AUCocoaUIView.h>

// Parameter events the unit sent, as the host's listeners heard them.
struct HeardEvent {
  AudioUnitEventType mType;
  AudioUnitParameterID mParam;
  bool operator==(const HeardEvent& o) const { return mType == o.mType && mParam == o.mParam; }
};
std::vector<HeardEvent> HeardEvents();

class CocoaEditorHost {
public:
  CocoaEditorHost();
  ~CocoaEditorHost();
  CocoaEditorHost(const CocoaEditorHost&) = delete;
  CocoaEditorHost& operator=(const CocoaEditorHost&) = delete;

  // Asks the unit for its Cocoa UI and the factory for a view, shows it and lets it draw;
  // false (with the reason in mError) when any step fails.
  bool OpenView();
  // The host takes the view out of its window.
  void RemoveView();

  // A click of that button at an editor point, with keys held (xdotool names, e.g. "alt").
  bool Click(int x, int y, int button = 1, const char* key = nullptr) {
    return ClickEditor(x, y, button, key);
  }
  // Press at (x0, y0), move to (x1, y1) in steps, release.
  bool Drag(int x0, int y0, int x1, int y1);
  // Types the text and presses Return.
  bool TypeAndReturn(const char* text);

  // The editor as it is on the screen now, 0xRRGGBB, top row first.
  std::vector<uint32_t> Screen() { return EditorScreen(); }

  AuInstance mUnit;
  NSWindow* mWindow = nil;
  NSView* mView = nil;
  NSObject<AUCocoaUIBase>* mFactory = nil;
  std::string mBundleURL, mViewClass, mError;
};
