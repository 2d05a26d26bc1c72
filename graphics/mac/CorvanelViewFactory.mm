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

// The Audio Unit adapter's own property that answers its plug-in instance (IPlugAU.h):
// the component storage is no way to it, an instance opened through the factory has none.
static const AudioUnitPropertyID kPlugInstanceProperty = 64000;

static IPlugBase* PlugOfUnit(AudioUnit audioUnit) {
  IPlugBase* plug = nullptr;
  UInt32 size = sizeof(plug);
  if (!audioUnit ||
      AudioUnitGetProperty(audioUnit, kPlugInstanceProperty, kAudioUnitScope_Global, 0, &plug,
                           &size) != noErr ||
      size != sizeof(plug))
    return nullptr;
  return plug;
}

// The size the host would like is not used: the editor has one size. Each call makes a new
// view, returned autoreleased with its one reference: the host keeps it by retaining it or
// adding it to a window, and an earlier view of the unit is unlinked from the editor.
- (NSView*)uiViewForAudioUnit:(AudioUnit)audioUnit withSize:(NSSize)preferredSize {
  mPlug = PlugOfUnit(audioUnit);
  IGraphics* graphics = mPlug ? mPlug->GetGUI() : nullptr;
  if (!graphics) return nil;
  return [(NSView*)graphics->OpenWindow(nullptr) autorelease];
}

@end
