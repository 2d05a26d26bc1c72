#pragma once
// The Cocoa view of the editor (Objective-C++ only). It is not flipped, and its frame is the
// editor's device size in points (IGraphicsMac.h): a view point p is the device pixel
// (floor(p.x * b), deviceHeight - floor(p.y * b)) for the backing factor b, which the editor
// maps to its own units.
#import <Cocoa/Cocoa.h>

class IControl;
class IGraphicsMac;
class IParam;
class IEditableTextControl;
struct IRECT;

@interface CorvanelAU : NSView {
  IGraphicsMac* mGraphics; // null once removed
  NSTimer* mTimer;
  NSTextField* mParamEditView; // the open text field or combo box, else nil
  IControl* mEdControl;
  IParam* mEdParam; // nil for an editable text control
  int mParamChangeTimer;
}
- (BOOL)isOpaque;
- (BOOL)acceptsFirstResponder;
- (BOOL)acceptsFirstMouse:(NSEvent*)event;
- (void)setParamChangeTimer:(int)ticks;
- (void)cancelParamChangeTimer;
- (id)init;
- (id)initWithIGraphics:(IGraphicsMac*)graphics;
- (void)promptUserInput:(IEditableTextControl*)control;
- (void)promptUserInput:(IControl*)control param:(IParam*)param center:(BOOL)centered;
- (void)controlTextDidEndEditing:(NSNotification*)notification;
- (void)removeFromSuperview;
- (void)killTimer;
- (void)dealloc;
- (void)scrollWheel:(NSEvent*)event;
- (void)mouseMoved:(NSEvent*)event;
- (void)rightMouseDragged:(NSEvent*)event;
- (void)rightMouseUp:(NSEvent*)event;
- (void)rightMouseDown:(NSEvent*)event;
- (void)mouseDragged:(NSEvent*)event;
- (void)mouseUp:(NSEvent*)event;
- (void)mouseDown:(NSEvent*)event;
- (void)getMouseXY:(NSEvent*)event x:(int*)x y:(int*)y;
- (void)onTimer:(NSTimer*)timer;
- (void)drawRect:(NSRect)rect;
- (void)viewDidMoveToWindow;
- (void)viewDidChangeBackingProperties;
// The editor takes this backing factor (device pixels per point) as the window's: the view
// calls it with its window's whenever that may have changed; tests call it with another.
- (void)setBackingFactor:(CGFloat)factor;

// Not the host's: the graphics object asks whether the view is still its own, and ends
// an open entry without applying it.
- (IGraphicsMac*)graphics;
- (void)forgetGraphics;
- (void)endUserInput;
- (BOOL)isClickOutsideEntry:(NSEvent*)event;
- (BOOL)hasUserInput;
// Takes the view out of its superview for real (removeFromSuperview only closes the editor).
- (void)leaveSuperview;
@end
