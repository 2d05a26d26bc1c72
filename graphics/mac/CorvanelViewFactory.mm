// The view factory the host instantiates by name.
// The C++ headers come before AppKit's, which make `id` a type of their own.
#include "IGraphics.h"
#include "IPlugBase.h"

#import "CorvanelViewFactory.h"

@implementation CLS_CORVANEL_View

- (id)init {
  self = [super init];
  if (self) mPlug = nullptr;
  return self;
}

- (unsigned)interfaceVersion {
  return 0;
}

- (NSString*)description {
  return @"Corvanel View";
}

// The size the host would like is not used: the editor has one size.
- (NSView*)uiViewForAudioUnit:(AudioUnit)audioUnit withSize:(NSSize)preferredSize {
  mPlug = audioUnit ? (IPlugBase*)GetComponentInstanceStorage(audioUnit) : nullptr;
  IGraphics* graphics = mPlug ? mPlug->GetGUI() : nullptr;
  if (!graphics) return nil;
  return (NSView*)graphics->OpenWindow(nullptr);
}

@end
