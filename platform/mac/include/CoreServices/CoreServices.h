#pragma once
// The component manager as the Audio Unit uses it: descriptions, the parameter block a
// component entry receives, instance storage, registration and opening of instances.
#include "../CoreFoundation/CoreFoundation.h"

typedef SInt32 ComponentResult;
typedef struct ComponentRecord* Component;
typedef struct ComponentInstanceRecord* ComponentInstance;

enum {
  kComponentOpenSelect = -1,
  kComponentCloseSelect = -2,
  kComponentCanDoSelect = -3,
  kComponentVersionSelect = -4,
  kComponentRegisterSelect = -5,
  kComponentTargetSelect = -6,
  kComponentUnregisterSelect = -7,
  kComponentGetMPWorkFunctionSelect = -8,
  kComponentExecuteWiredActionSelect = -9,
  kComponentGetPublicResourceSelect = -10,
};

enum {
  badComponentInstance = (int)0x80008001,
  badComponentSelector = (int)0x80008002,
};
enum { invalidComponentID = -3000 };

enum {
  kAnyComponentType = 0,
  kAnyComponentSubType = 0,
  kAnyComponentManufacturer = 0,
  kAnyComponentFlagsMask = 0,
};

#pragma pack(push, 2)
typedef struct ComponentDescription {
  OSType componentType;
  OSType componentSubType;
  OSType componentManufacturer;
  UInt32 componentFlags;
  UInt32 componentFlagsMask;
} ComponentDescription;

// On x86_64 params[0] is the instance and params[1..n] the declared arguments in order,
// each in its own 8-byte slot (a narrower value in the slot's low-order bytes).
typedef struct ComponentParameters {
  UInt8 flags;
  UInt8 paramSize;
  SInt16 what;
#if __LP64__
  UInt32 padding;
#endif
  long params[1];
} ComponentParameters;
#pragma pack(pop)

typedef ComponentResult (*ComponentRoutineProcPtr)(ComponentParameters* cp,
                                                   Handle componentStorage);
typedef ComponentRoutineProcPtr ComponentRoutineUPP;

CORVANEL_MAC_API Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance);
CORVANEL_MAC_API void SetComponentInstanceStorage(ComponentInstance aComponentInstance,
                                                  Handle theStorage);
// Accepts a component or one of its instances, as on the platform.
CORVANEL_MAC_API OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd,
                                        Handle componentName, Handle componentInfo,
                                        Handle componentIcon);
CORVANEL_MAC_API Component RegisterComponent(ComponentDescription* cd,
                                             ComponentRoutineUPP componentEntryPoint, SInt16 global,
                                             Handle componentName, Handle componentInfo,
                                             Handle componentIcon);
CORVANEL_MAC_API OSErr UnregisterComponent(Component aComponent);
// Calls the entry with the open selector; a failed open leaves no instance.
CORVANEL_MAC_API OSErr OpenAComponent(Component aComponent, ComponentInstance* ci);
CORVANEL_MAC_API OSErr CloseComponent(ComponentInstance aComponentInstance);
