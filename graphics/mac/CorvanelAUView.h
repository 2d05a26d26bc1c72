#pragma once
// The Cocoa view of the editor (Objective-C++ only). It is not flipped: a view point p is
// the editor point (int(p.x), height - int(p.y)).
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
