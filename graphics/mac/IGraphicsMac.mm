// The macOS platform operations of the editor: the view's life, handing the surface to
// AppKit, prompts, the workspace for URLs, skin images from the bundle's resources and
// cursors. Without a view every operation that needs one does nothing.
// The C++ headers come before AppKit's, which make `id` a type of their own.
#include "IGraphicsMac.h"
#include "IPlugBase.h"
#include "MacCursors.h"
#include "lice_png.h"
#include "lice_sysbitmap.h"
#ifdef GNUSTEP
#include "StandInBundle.h"
#else
#include "MacTextRules.h"
#endif

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

#import "CorvanelAUView.h"
#import "CorvanelViewFactory.h"

#ifndef CORVANEL_AU_BUNDLE_ID
#error "The build names the component bundle's identifier (CORVANEL_AU_BUNDLE_ID)"
#endif

namespace {
// The Cocoa application environment the view needs. GNUstep has no NSApplicationLoad and
// its application object needs a display: a process without one (a host checking the unit
// from a command line) goes on without it, and the view is only made once there is one.
void LoadApplication() {
#ifdef GNUSTEP
  if (NSApp) return;
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return;
  NS_DURING
  [NSApplication sharedApplication];
  NS_HANDLER
  NS_ENDHANDLER
#else
  NSApplicationLoad();
#endif
}

// The bundle whose binary holds this code (<bundle>/Contents/MacOS/<binary>): the Audio
// Unit's, the VST3's or the CLAP's, whichever the host loaded; nil for a binary outside a
// bundle.
NSBundle* OwnBundle() {
  Dl_info info;
  if (!dladdr((const void*)&OwnBundle, &info) || !info.dli_fname) return nil;
  NSString* binary = [NSString stringWithUTF8String:info.dli_fname];
  NSString* folder = [binary stringByDeletingLastPathComponent];
  if (![[folder lastPathComponent] isEqualToString:@"MacOS"]) return nil;
  NSString* contents = [folder stringByDeletingLastPathComponent];
#ifdef GNUSTEP
  // GNUstep reads a macOS bundle's Contents folder as the bundle itself.
  return [NSBundle bundleWithPath:contents];
#else
  return [NSBundle bundleWithPath:[contents stringByDeletingLastPathComponent]];
#endif
}

NSBundle* FindBundle(const char* bundleID) {
  NSBundle* bundle = OwnBundle();
  if (bundle) return bundle;
  NSString* identifier = [NSString stringWithUTF8String:bundleID];
  bundle = identifier ? [NSBundle bundleWithIdentifier:identifier] : nil;
#ifdef GNUSTEP
  // GNUstep reads a macOS bundle's Contents folder as the bundle itself.
  WDL_String path;
  if (!bundle && StandInBundlePath(bundleID, &path)) {
    NSString* folder = [NSString stringWithUTF8String:path.Get()];
    if (folder)
      bundle = [NSBundle bundleWithPath:[folder stringByAppendingPathComponent:@"Contents"]];
  }
#endif
  return bundle;
}

NSCursor* CursorFor(EMacCursor cursor) {
  switch (cursor) {
  case kMacCursorArrow:
    return [NSCursor arrowCursor];
  case kMacCursorIBeam:
    return [NSCursor IBeamCursor];
  case kMacCursorResizeUp:
    return [NSCursor resizeUpCursor];
  case kMacCursorResizeLeftRight:
    return [NSCursor resizeLeftRightCursor];
  case kMacCursorResizeUpDown:
    return [NSCursor resizeUpDownCursor];
  case kMacCursorOpenHand:
    return [NSCursor openHandCursor];
  default:
    return nil;
  }
}
} // namespace

// The host finds the view factory by its name only; naming it here keeps its code in every
// binary that has the editor.
__attribute__((used)) static Class ViewFactoryClass() { return [CLS_CORVANEL_View class]; }

IGraphicsMac::IGraphicsMac(IPlugBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps) {
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  LoadApplication();
  [pool release];
  mBundleID.Set(CORVANEL_AU_BUNDLE_ID);
}

IGraphicsMac::~IGraphicsMac() { CloseWindow(); }

bool IGraphicsMac::DrawScreen(IRECT* r) {
  LICE_SysBitmap* surface = GetDrawBitmap();
  if (!mView || !surface || !surface->getBits()) return false;
  // The surface's device pixels fill the view's bounds in points; the system maps the
  // points to the backing store's pixels (one to one at the scale of its factor).
  const int span = surface->getRowSpan(), h = DeviceHeight();
  const CGFloat pointsW = span / mBacking, pointsH = h / mBacking;
#ifndef GNUSTEP
  // An image of the surface's bitmap context, drawn into the view's context wrapped as flipped.
  MacContextRecord* record = (MacContextRecord*)surface->getDrawingContext();
  CGContextRef port = (CGContextRef)[[NSGraphicsContext currentContext] graphicsPort];
  NSGraphicsContext* flipped = [NSGraphicsContext graphicsContextWithGraphicsPort:port flipped:YES];
  CGContextRef screen = (CGContextRef)[flipped graphicsPort];
  CGImageRef image = record ? CGBitmapContextCreateImage((CGContextRef)record->mContext) : nullptr;
  if (!screen || !image) {
    if (image) CGImageRelease(image);
    return false;
  }
  CGContextDrawImage(screen, CGRectMake(0, 0, pointsW, pointsH), image);
  CGImageRelease(image);
  return true;
#else
  // GNUstep's graphics context is not a CoreGraphics one: AppKit takes the surface's R, G, B
  // bytes as an image instead.
  unsigned char* rgb = (unsigned char*)mScreenRGB.Resize(span * h * 3);
  if (!rgb) return false;
  const LICE_pixel* src = surface->getBits();
  for (int i = 0; i < span * h; ++i) {
    rgb[3 * i] = (unsigned char)LICE_GETR(src[i]);
    rgb[3 * i + 1] = (unsigned char)LICE_GETG(src[i]);
    rgb[3 * i + 2] = (unsigned char)LICE_GETB(src[i]);
  }
  unsigned char* planes[1] = {rgb};
  NSBitmapImageRep* image = [[NSBitmapImageRep alloc] initWithBitmapDataPlanes:planes
                                                                    pixelsWide:span
                                                                    pixelsHigh:h
                                                                 bitsPerSample:8
                                                               samplesPerPixel:3
                                                                      hasAlpha:NO
                                                                      isPlanar:NO
                                                                colorSpaceName:NSDeviceRGBColorSpace
                                                                   bytesPerRow:span * 3
                                                                  bitsPerPixel:24];
  [image drawInRect:NSMakeRect(0, 0, pointsW, pointsH)];
  [image release];
  return true;
#endif
}

void IGraphicsMac::Resize(int w, int h) {
  IGraphics::Resize(w, h);
  if (mDrawBitmap) mDrawBitmap->resize(DeviceWidth(), DeviceHeight());
  SizeView();
}

void IGraphicsMac::SetScale(int percent) {
  const int before = Scale();
  IGraphics::SetScale(percent);
  if (Scale() != before) SizeView();
}

void IGraphicsMac::SetBackingFactor(double factor) {
  if (!(factor >= 1.0 && factor <= 8.0)) factor = 1.0;
  const bool changed = factor != mBacking;
  mBacking = factor;
  const int before = Scale();
  SetPlatformScale(editor_scale::NearestScale(factor));
  if (Scale() != before || !changed) return;
  // The same scale on another backing store: the same device size is another size in points.
  SizeView();
  if (mPlug) mPlug->EditorResized();
}

int IGraphicsMac::ViewWidth() const { return (int)std::ceil(DeviceWidth() / mBacking); }

int IGraphicsMac::ViewHeight() const { return (int)std::ceil(DeviceHeight() / mBacking); }

void IGraphicsMac::SizeView() {
  if (!mView) return;
  [mView setFrameSize:NSMakeSize(DeviceWidth() / mBacking, DeviceHeight() / mBacking)];
  // The surface fills other points now: all of them are shown again.
  [mView setNeedsDisplay:YES];
}

void IGraphicsMac::PromptUserInput(IControl* control, IParam* param, bool centered) {
  if (mView) [mView promptUserInput:control param:param center:centered ? YES : NO];
}

void IGraphicsMac::PromptUserInput(IEditableTextControl* control) {
  if (mView) [mView promptUserInput:control];
}

void IGraphicsMac::SetParamChangeTimer(int ticks) { [mView setParamChangeTimer:ticks]; }

void IGraphicsMac::CancelParamChangeTimer() { [mView cancelParamChangeTimer]; }

void* IGraphicsMac::OpenWindow(void* parent) {
  CloseWindow();
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  LoadApplication();
#ifdef GNUSTEP
  // Without a display there is no application object and no view can be made.
  if (!NSApp) {
    [pool release];
    return nullptr;
  }
#endif
  // The editor refers to its view without owning it: the reference from alloc goes to the
  // parent, or to the caller (the view factory autoreleases it for the host).
  CorvanelAU* view = [[CorvanelAU alloc] initWithIGraphics:this];
  mView = view;
  mViewInParent = view && parent;
  // The user's preferred size, with the last backing factor's scale until the view joins a
  // window and reports its own (a host's view may be in one already: then at addSubview).
  if (view) OpenWindowScale(0);
  SetAllTooltips();
  if (mViewInParent) {
    [(NSView*)parent addSubview:view];
    [view release];
  }
  [pool release];
  return view;
}

void IGraphicsMac::CloseWindow() {
  if (!mView) return;
  CorvanelAU* view = mView;
  [view removeAllToolTips];
  if (mPlug) mPlug->FlushPendingEndEdit();
  [view killTimer];
  mView = nullptr;
  if ([view graphics] == this) {
    [view forgetGraphics];
    [view removeFromSuperview];
    // A view this editor put into the host's view leaves it, and goes with the reference
    // the host's view held.
    if (mViewInParent) [view leaveSuperview];
  }
  mViewInParent = false;
  // A view the host holds itself stays, unlinked, and draws and does nothing.
}

void IGraphicsMac::ViewRemoved(CorvanelAU* view) {
  if (view == mView) CloseWindow();
}

void IGraphicsMac::SetAllTooltips() { [mView removeAllToolTips]; }

bool IGraphicsMac::OpenURL(const char* url, const char* windowTitle, const char* confirmText,
                           const char* errorText) {
  if (!url) return true;
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  NSString* text = [NSString stringWithUTF8String:url];
  NSURL* target = nil;
  if (text)
    target = std::strstr(url, "http") ? [NSURL URLWithString:text] : [NSURL fileURLWithPath:text];
  const bool opened = !target || [[NSWorkspace sharedWorkspace] openURL:target];
  [pool release];
  return opened;
}

LICE_IBitmap* IGraphicsMac::OSLoadBitmap(int resourceID, const char* name) {
  if (!name) return nullptr;
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  LICE_IBitmap* bitmap = nullptr;
  NSBundle* bundle = FindBundle(mBundleID.Get());
  NSString* file = [NSString stringWithUTF8String:name];
  NSString* resource = [[file lastPathComponent] stringByDeletingPathExtension];
  NSString* path = resource ? [bundle pathForResource:resource ofType:@"png"] : nil;
  if ([path length]) bitmap = LICE_LoadPNG([path fileSystemRepresentation]);
  [pool release];
  return bitmap;
}

void IGraphicsMac::SetPlatformCursor(int cursorNumber) {
  if (cursorNumber == mCursor) return;
  NSCursor* cursor = CursorFor(MacCursorForWindowsNumber(cursorNumber));
  if (!cursor) return;
  mCursor = cursorNumber;
  [cursor set];
}
