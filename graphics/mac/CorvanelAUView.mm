// The editor's Cocoa view. Its methods come in the order the class has always defined
// them: responder answers, the gesture countdown, construction (the timer), value entry,
// removal, the mouse, the tick and drawing.
//
// The timer is added to the run loop in the common modes, not just the default one, so
// that it keeps ticking while AppKit tracks a held mouse button or runs a modal loop: the
// activity display and held shift buttons depend on ticks during a drag.
// The C++ headers come before AppKit's, which make `id` a type of their own.
#include "IControl.h"
#include "IGraphicsMac.h"
#include "IParam.h"
#include "IPlugBase.h"
#include "ITextControl.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#import "CorvanelAUView.h"

// The modifier and alignment names of the SDKs this builds against.
#if defined(GNUSTEP) || !defined(MAC_OS_X_VERSION_10_12) ||                                        \
    MAC_OS_X_VERSION_MAX_ALLOWED < MAC_OS_X_VERSION_10_12
static const NSUInteger kModShift = NSShiftKeyMask, kModControl = NSControlKeyMask,
                        kModOption = NSAlternateKeyMask, kModCommand = NSCommandKeyMask;
#else
static const NSUInteger kModShift = NSEventModifierFlagShift,
                        kModControl = NSEventModifierFlagControl,
                        kModOption = NSEventModifierFlagOption,
                        kModCommand = NSEventModifierFlagCommand;
#endif

namespace {
// Left button and wheel: R is the Command key (a Command-click is the right button).
IMouseMod LeftMod(NSEvent* event) {
  const NSUInteger f = [event modifierFlags];
  return IMouseMod(true, (f & kModCommand) != 0, (f & kModShift) != 0, (f & kModControl) != 0,
                   (f & kModOption) != 0);
}

IMouseMod RightMod(NSEvent* event) {
  const NSUInteger f = [event modifierFlags];
  return IMouseMod(false, true, (f & kModShift) != 0, (f & kModControl) != 0,
                   (f & kModOption) != 0);
}

NSString* ToNSString(const char* text) {
  NSString* s = [NSString stringWithUTF8String:text ? text : ""];
  return s ? s : @"";
}
} // namespace

// The timer's target in the view's place. A timer keeps its target alive until it is
// invalidated; the view's own lifetime belongs to the host, so the timer holds this object,
// which refers to the view without owning it. The view invalidates the timer before it
// goes, so the ticker never outlives it while the timer can still fire.
@interface CorvanelViewTicker : NSObject {
  CorvanelAU* mView;
}
- (id)initWithView:(CorvanelAU*)view;
- (void)tick:(NSTimer*)timer;
@end

@implementation CorvanelViewTicker
- (id)initWithView:(CorvanelAU*)view {
  self = [super init];
  if (self) mView = view;
  return self;
}
- (void)tick:(NSTimer*)timer {
  [mView onTimer:timer];
}
@end

@implementation CorvanelAU

- (BOOL)isOpaque {
  return mGraphics ? YES : NO;
}

- (BOOL)acceptsFirstResponder {
  return YES;
}

// A click that activates the window reaches the editor too.
- (BOOL)acceptsFirstMouse:(NSEvent*)event {
  return YES;
}

// The countdown is set and cancelled under the plug-in mutex, on the audio thread too (a
// gesture it begins ends a pending one), while the timer counts it down: relaxed atomic
// accesses, so neither side reads a torn or stale-forever value.
- (void)setParamChangeTimer:(int)ticks {
  __atomic_store_n(&mParamChangeTimer, ticks, __ATOMIC_RELAXED);
}

- (void)cancelParamChangeTimer {
  __atomic_store_n(&mParamChangeTimer, 0, __ATOMIC_RELAXED);
}

- (id)init {
  self = [super init];
  if (self) {
    mGraphics = nullptr;
    mTimer = nil;
    mParamChangeTimer = 0;
  }
  return self;
}

- (id)initWithIGraphics:(IGraphicsMac*)graphics {
  const double b = graphics->BackingFactor();
  self = [super
      initWithFrame:NSMakeRect(0, 0, graphics->DeviceWidth() / b, graphics->DeviceHeight() / b)];
  if (!self) return nil;
  mGraphics = graphics;
  mParamEditView = nil;
  mEdControl = nullptr;
  mEdParam = nullptr;
  mParamChangeTimer = 0;
  CorvanelViewTicker* ticker = [[[CorvanelViewTicker alloc] initWithView:self] autorelease];
  mTimer = [[NSTimer timerWithTimeInterval:1.0 / graphics->FPS()
                                    target:ticker
                                  selector:@selector(tick:)
                                  userInfo:nil
                                   repeats:YES] retain];
#ifdef GNUSTEP
  // GNUstep takes the common modes for one mode of that name: the timer joins each of the
  // modes they stand for instead.
  NSRunLoop* loop = [NSRunLoop currentRunLoop];
  [loop addTimer:mTimer forMode:NSDefaultRunLoopMode];
  [loop addTimer:mTimer forMode:NSEventTrackingRunLoopMode];
  [loop addTimer:mTimer forMode:NSModalPanelRunLoopMode];
#else
  [[NSRunLoop currentRunLoop] addTimer:mTimer forMode:NSRunLoopCommonModes];
#endif
  return self;
}

// ---- Value entry -----------------------------------------------------------------------------

// An editor rectangle (edges in editor units, top down) in the view's points.
- (NSRect)pointsLeft:(float)l top:(float)t right:(float)r bottom:(float)b {
  const double k = mGraphics->Scale() / (100.0 * mGraphics->BackingFactor());
  const double h = mGraphics->DeviceHeight() / mGraphics->BackingFactor();
  return NSMakeRect(l * k, h - b * k, (r - l) * k, (b - t) * k);
}

// Points per editor unit: what scales a length the editor gives at 100 % and one pixel per
// point (a font's size, a field's margin or width).
- (CGFloat)pointsPerUnit {
  return mGraphics->Scale() / (100.0 * mGraphics->BackingFactor());
}

// The view's points that show an editor rectangle's device pixels.
- (NSRect)viewRect:(const IRECT&)r {
  const IRECT d = mGraphics->DeviceRect(r);
  const double b = mGraphics->BackingFactor();
  return NSMakeRect(d.L / b, (mGraphics->DeviceHeight() - d.B) / b, (d.R - d.L) / b,
                    (d.B - d.T) / b);
}

- (void)showUserInput:(NSTextField*)field control:(IControl*)control param:(IParam*)param {
  mParamEditView = [field retain];
  [field setDelegate:(id)self];
  [self addSubview:field];
  NSWindow* window = [self window];
  [window makeKeyAndOrderFront:nil];
  [window makeFirstResponder:field];
  mEdControl = control;
  mEdParam = param;
}

- (void)promptUserInput:(IEditableTextControl*)control {
  if (!control || !mGraphics || mParamEditView) return;
  const CGFloat k = [self pointsPerUnit];
  NSRect r = [self viewRect:control->mRECT];
  r.origin.y -= 3 * k;
  r.size.height += 6 * k;
  NSTextField* field = [[NSTextField alloc] initWithFrame:r];
  const int align = control->mText.mAlign;
  [field setAlignment:align == IText::kAlignCenter ? NSCenterTextAlignment
                      : align == IText::kAlignFar  ? NSRightTextAlignment
                                                   : NSLeftTextAlignment];
  const CGFloat size = control->mText.mSize * 0.75 * k;
  NSFont* font = [NSFont fontWithName:ToNSString(control->mText.mFont) size:size];
  [field setFont:font ? font : [NSFont systemFontOfSize:size]];
  WDL_String text;
  control->GetText(&text);
  [field setStringValue:ToNSString(text.Get())];
  if (!control->IsEditable()) {
    [field setEditable:NO];
    [field setSelectable:YES];
  }
  [self showUserInput:field control:control param:nullptr];
  [field release];
}

- (void)promptUserInput:(IControl*)control param:(IParam*)param center:(BOOL)centered {
  if (!control || !param || !mGraphics || mParamEditView) return;
  char current[128];
  param->FormatDisplay(param->mValue, false, current);
  const IRECT& c = control->mRECT;
  const float cx = (c.L + c.R) * 0.5f, cy = (c.T + c.B) * 0.5f;
  const int n = param->DisplayTextCount();
  const bool list =
      n > 0 && (param->Type() == IParam::kParamBool || param->Type() == IParam::kParamEnum);
  // The system's font, at the editor's scale.
  const CGFloat k = [self pointsPerUnit];
  NSFont* font = k != 1 ? [NSFont systemFontOfSize:[NSFont systemFontSize] * k] : nil;
  if (!list) {
    const NSRect r = centered ? [self pointsLeft:cx - 21 top:cy - 11 right:cx + 21 bottom:cy + 10]
                              : [self viewRect:c];
    NSTextField* field = [[NSTextField alloc] initWithFrame:r];
    if (font) [field setFont:font];
    [field setAlignment:centered ? NSCenterTextAlignment : NSLeftTextAlignment];
    [[field cell] setLineBreakMode:NSLineBreakByTruncatingTail];
    [field setStringValue:ToNSString(current)];
    [self showUserInput:field control:control param:param];
    [field release];
    return;
  }
  int width = 24;
  for (int i = 0; i < n; ++i)
    width = std::max(width, 8 * (int)std::strlen(param->GetDisplayTextAt(i)) + 24);
  const int half = width / 2;
  const float left = (float)(int)(cx - half);
  const NSRect r = centered ? [self pointsLeft:left top:cy right:left + width bottom:cy + 26]
                            : [self viewRect:c];
  NSComboBox* combo = [[NSComboBox alloc] initWithFrame:r];
  if (font) [combo setFont:font];
  [combo setNumberOfVisibleItems:n];
  int selected = -1;
  for (int i = 0; i < n; ++i) {
    const char* item = param->GetDisplayTextAt(i);
    [combo addItemWithObjectValue:ToNSString(item)];
    if (!std::strcmp(item, current)) selected = i;
  }
  if (selected >= 0) [combo selectItemAtIndex:selected];
  // Selecting an item does not show it in every AppKit: the field shows the current text.
  [combo setStringValue:ToNSString(current)];
  [self showUserInput:combo control:control param:param];
  [combo release];
}

// Return, Tab, or any other end of editing applies the entry, except a click elsewhere in
// the editor: AppKit ends the editing for the click's view before the click arrives, and
// the click discards the entry.
- (void)controlTextDidEndEditing:(NSNotification*)notification {
  if (!mParamEditView) return;
  if ([self isClickOutsideEntry:[NSApp currentEvent]]) {
    [self endUserInput];
    return;
  }
  if (mGraphics && mEdControl) {
    NSString* string = [mParamEditView stringValue];
    const char* text = string ? [string UTF8String] : "";
    int item = -1;
    if ([mParamEditView respondsToSelector:@selector(indexOfSelectedItem)]) {
      NSComboBox* combo = (NSComboBox*)mParamEditView;
      item = (int)[combo indexOfSelectedItem];
      // A selection left over from the offered text does not stand for typed text.
      if (item >= 0 && ![[combo itemObjectValueAtIndex:item] isEqual:string]) item = -1;
    }
    if (item >= 0 && mEdParam)
      mEdControl->SetValueFromUserInput(mEdParam->ToNormalized(item));
    else
      mGraphics->SetFromStringAfterPrompt(mEdControl, mEdParam, text);
  }
  [self endUserInput];
  [self viewDidMoveToWindow];
  [self setNeedsDisplay:YES];
}

- (BOOL)isClickOutsideEntry:(NSEvent*)event {
  if (!event || [event window] != [self window]) return NO;
  const NSEventType type = [event type];
  if (type != NSLeftMouseDown && type != NSRightMouseDown && type != NSOtherMouseDown) return NO;
  const NSPoint p = [self convertPoint:[event locationInWindow] fromView:nil];
  return NSPointInRect(p, [self bounds]) && !NSPointInRect(p, [mParamEditView frame]);
}

// Clearing the delegate first means the removal sends no end-of-editing message. The field
// may be the one whose notification is being delivered: it goes with the autorelease pool.
- (void)endUserInput {
  if (!mParamEditView) return;
  NSTextField* field = mParamEditView;
  [field setDelegate:nil];
  mParamEditView = nil;
  mEdControl = nullptr;
  mEdParam = nullptr;
  [field removeFromSuperview];
  [field autorelease];
}

- (BOOL)hasUserInput {
  return mParamEditView != nil;
}

// ---- Removal -----------------------------------------------------------------------------------

// The host removes the editor: the editor closes. The view stays where it is; how the host
// releases it is the host's business. A view in no superview has nothing to be removed
// from (AppKit asks a view it is about to add to leave its old place).
- (void)removeFromSuperview {
  [self endUserInput];
  if (![self superview]) return;
  if (mGraphics) {
    IGraphicsMac* graphics = mGraphics;
    mGraphics = nullptr;
    graphics->ViewRemoved(self);
  }
}

// The host let go of its last reference: a view still linked to the editor closes it.
- (void)dealloc {
  [self killTimer];
  [self endUserInput];
  if (mGraphics) {
    IGraphicsMac* graphics = mGraphics;
    mGraphics = nullptr;
    graphics->ViewRemoved(self);
  }
  [super dealloc];
}

- (void)leaveSuperview {
  if ([self superview]) [super removeFromSuperview];
}

- (IGraphicsMac*)graphics {
  return mGraphics;
}

- (void)forgetGraphics {
  mGraphics = nullptr;
}

- (void)killTimer {
  [mTimer invalidate];
  [mTimer release];
  mTimer = nil;
}

// ---- Mouse -------------------------------------------------------------------------------------

- (void)scrollWheel:(NSEvent*)event {
  if (!mGraphics) return;
  int x, y;
  [self getMouseXY:event x:&x y:&y];
  IMouseMod mod = LeftMod(event);
  mGraphics->OnMouseWheel(x, y, &mod, (int)[event deltaY]);
}

- (void)mouseMoved:(NSEvent*)event {
}

- (void)rightMouseDragged:(NSEvent*)event {
  if (!mGraphics) return;
  int x, y;
  [self getMouseXY:event x:&x y:&y];
  IMouseMod mod = RightMod(event);
  mGraphics->OnMouseDrag(x, y, &mod);
}

- (void)rightMouseUp:(NSEvent*)event {
  if (!mGraphics) return;
  int x, y;
  [self getMouseXY:event x:&x y:&y];
  IMouseMod mod = RightMod(event);
  mGraphics->OnMouseUp(x, y, &mod);
}

- (void)rightMouseDown:(NSEvent*)event {
  if (!mGraphics) return;
  if (mParamEditView) {
    [self endUserInput];
    return;
  }
  int x, y;
  [self getMouseXY:event x:&x y:&y];
  IMouseMod mod = RightMod(event);
  mGraphics->OnMouseDown(x, y, &mod);
}

- (void)mouseDragged:(NSEvent*)event {
  if (!mGraphics) return;
  int x, y;
  [self getMouseXY:event x:&x y:&y];
  IMouseMod mod = LeftMod(event);
  mGraphics->OnMouseDrag(x, y, &mod);
}

- (void)mouseUp:(NSEvent*)event {
  if (!mGraphics) return;
  int x, y;
  [self getMouseXY:event x:&x y:&y];
  IMouseMod mod = LeftMod(event);
  mGraphics->OnMouseUp(x, y, &mod);
}

// A click in the editor discards an open entry; a double click goes to the control's
// double-click handling (the view receives the drags that follow either way).
- (void)mouseDown:(NSEvent*)event {
  if (!mGraphics) return;
  [self endUserInput];
  int x, y;
  [self getMouseXY:event x:&x y:&y];
  IMouseMod mod = LeftMod(event);
  if ([event clickCount] <= 1)
    mGraphics->OnMouseDown(x, y, &mod);
  else
    mGraphics->OnMouseDblClick(x, y, &mod);
}

// Points -> device pixels (top down) -> editor units.
- (void)getMouseXY:(NSEvent*)event x:(int*)x y:(int*)y {
  const NSPoint p = [self convertPoint:[event locationInWindow] fromView:nil];
  const double b = mGraphics->BackingFactor();
  *x = mGraphics->ToEditor((int)std::floor(p.x * b));
  *y = mGraphics->ToEditor(mGraphics->DeviceHeight() - (int)std::floor(p.y * b));
}

// ---- Tick and drawing --------------------------------------------------------------------------

- (void)onTimer:(NSTimer*)timer {
  if (timer != mTimer || !mGraphics) return;
  IRECT r;
  if (mGraphics->IsDirty(&r)) [self setNeedsDisplayInRect:[self viewRect:r]];
  const int left = __atomic_load_n(&mParamChangeTimer, __ATOMIC_RELAXED);
  if (left > 0) {
    __atomic_store_n(&mParamChangeTimer, left - 1, __ATOMIC_RELAXED);
    if (left == 1) mGraphics->GetPlug()->FlushPendingEndEdit();
  }
}

// The dirty points -> the device pixels under them (top down) -> the editor rectangle whose
// pixels cover those.
- (void)drawRect:(NSRect)rect {
  if (!mGraphics) return;
  const double b = mGraphics->BackingFactor();
  const int h = mGraphics->DeviceHeight();
  const IRECT device((int)std::floor(NSMinX(rect) * b), h - (int)std::ceil(NSMaxY(rect) * b),
                     (int)std::ceil(NSMaxX(rect) * b), h - (int)std::floor(NSMinY(rect) * b));
  IRECT r = editor_scale::ToEditorCover(device, mGraphics->Scale());
  mGraphics->Draw(&r);
}

- (void)viewDidMoveToWindow {
  NSWindow* window = [self window];
  if (!window) return;
  [window makeFirstResponder:self];
  [window setAcceptsMouseMovedEvents:YES];
  [self viewDidChangeBackingProperties];
}

// The window's pixels per point (AppKits without the answer have one pixel per point).
- (void)viewDidChangeBackingProperties {
  NSWindow* window = [self window];
  if (!window) return;
  CGFloat factor = 1;
  if ([window respondsToSelector:@selector(backingScaleFactor)])
    factor = [window backingScaleFactor];
  [self setBackingFactor:factor];
}

- (void)setBackingFactor:(CGFloat)factor {
  if (mGraphics) mGraphics->SetBackingFactor(factor);
}

@end
