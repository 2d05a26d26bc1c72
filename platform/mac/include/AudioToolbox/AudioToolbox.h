#pragma once
// AudioToolbox as the Audio Unit uses it: parameter events sent to the host's listeners.
#include "../AudioUnit/AudioUnit.h"

typedef UInt32 AudioUnitEventType;
enum {
  kAudioUnitEvent_ParameterValueChange = 0,
  kAudioUnitEvent_BeginParameterChangeGesture = 1,
  kAudioUnitEvent_EndParameterChangeGesture = 2,
  kAudioUnitEvent_PropertyChange = 3,
};

typedef struct AudioUnitEvent {
  AudioUnitEventType mEventType;
  union {
    AudioUnitParameter mParameter;
    AudioUnitProperty mProperty;
  } mArgument;
} AudioUnitEvent;

typedef struct AUListenerBase* AUEventListenerRef;

#ifdef __cplusplus
static_assert(sizeof(AudioUnitEvent) == 32, "AudioUnitEvent");
#endif

// Delivers the event to every listener of the process (null listener: from the unit itself).
CORVANEL_MAC_API OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener,
                                                void* inSendingObject,
                                                const AudioUnitEvent* inEvent);
