#pragma once
// Stand-in of the Audio Unit's Cocoa view protocol (Objective-C only): what a view
// factory named by kAudioUnitProperty_CocoaUI answers to its host.
#include "AudioUnit.h"

#ifdef __OBJC__
#import <Cocoa/Cocoa.h>

@protocol AUCocoaUIBase
- (unsigned)interfaceVersion;
- (NSView*)uiViewForAudioUnit:(AudioUnit)inAudioUnit withSize:(NSSize)inPreferredSize;
@end
#endif
