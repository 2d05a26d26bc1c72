#import "CocoaHost.h"

std::vector<HeardEvent> HeardEvents() {
  std::vector<HeardEvent> events;
  for (long i = 0; i < CorvanelMac_EventCount(); ++i) {
    AudioUnitEvent e;
    if (CorvanelMac_EventAt(i, &e) && e.mEventType != kAudioUnitEvent_PropertyChange)
      events.push_back({e.mEventType, e.mArgument.mParameter.mParameterID});
  }
  return events;
}

CocoaEditorHost::CocoaEditorHost() { mWindow = MakeHostWindow(); }

CocoaEditorHost::~CocoaEditorHost() {
  RemoveView();
  [mWindow orderOut:nil];
  [mWindow close];
  [mWindow release];
  [mFactory release];
  Pump(50);
}

bool CocoaEditorHost::OpenView() {
  AudioUnitCocoaViewInfo info = {};
  if (mUnit.Get(kAudioUnitProperty_CocoaUI, &info) != noErr) {
    mError = "no Cocoa UI";
    return false;
  }
  char text[1024] = {};
  CFStringGetCString(CFURLGetString(info.mCocoaAUViewBundleLocation), text, sizeof(text),
                     kCFStringEncodingUTF8);
  mBundleURL = text;
  CFStringGetCString(info.mCocoaAUViewClass[0], text, sizeof(text), kCFStringEncodingUTF8);
  mViewClass = text;
  CFRelease(info.mCocoaAUViewBundleLocation);
  CFRelease(info.mCocoaAUViewClass[0]);

  // The component's binary is loaded already: its classes are known by name.
  Class factoryClass = NSClassFromString([NSString stringWithUTF8String:mViewClass.c_str()]);
  if (!factoryClass) {
    mError = "no class " + mViewClass;
    return false;
  }
  if (!mFactory) mFactory = [[factoryClass alloc] init];
  // As a host does: the view comes autoreleased, the host keeps its own reference.
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  NSView* view = [[mFactory uiViewForAudioUnit:mUnit.mUnit withSize:NSMakeSize(400, 300)] retain];
  [pool release];
  if (!view) {
    mError = "no view";
    return false;
  }
  mView = view;
  [[mWindow contentView] addSubview:mView];
  [mWindow makeKeyAndOrderFront:nil];
  Pump(700);
  return true;
}

void CocoaEditorHost::RemoveView() {
  if (!mView) return;
  [mView removeFromSuperview];
  [mView release];
  mView = nil;
  Pump(50);
}

bool CocoaEditorHost::Drag(int x0, int y0, int x1, int y1) {
  bool ok = Xdo({"mousemove", ScreenX(x0), ScreenY(y0)});
  Pump(100);
  ok = ok && Xdo({"mousedown", "1"});
  Pump(100);
  for (int i = 1; ok && i <= 5; ++i) {
    ok = Xdo({"mousemove", ScreenX(x0 + (x1 - x0) * i / 5), ScreenY(y0 + (y1 - y0) * i / 5)});
    Pump(60);
  }
  ok = Xdo({"mouseup", "1"}) && ok;
  Pump(300);
  return ok;
}

bool CocoaEditorHost::TypeAndReturn(const char* text) {
  const bool ok = Xdo({"type", "--delay", "20", text}) && Xdo({"key", "Return"});
  Pump(300);
  return ok;
}
