#pragma once
// The Audio Unit's Cocoa view factory: the host reads its class name and bundle from
// kAudioUnitProperty_CocoaUI, makes one and asks it for the editor's view.
#import <AudioUnit/AUCocoaUIView.h>
#import <Cocoa/Cocoa.h>

class IPlugBase;

@interface CLS_CORVANEL_View : NSObject <AUCocoaUIBase> {
  IPlugBase* mPlug;
}
- (id)init;
- (unsigned)interfaceVersion;
- (NSString*)description;
// [main thread] The editor's view, made without a parent; nil when the unit has no editor.
- (NSView*)uiViewForAudioUnit:(AudioUnit)audioUnit withSize:(NSSize)preferredSize;
@end
