#pragma once
// CoreFoundation as this project uses it: reference-counted types, numbers, data,
// strings, arrays, dictionaries, URLs and bundles, with the platform's names, types
// and values. Strings hold UTF-8 (lengths count bytes).
#include "../MacTypes.h"

#include <stdarg.h>

typedef long CFIndex;
typedef unsigned long CFTypeID;
typedef unsigned long CFHashCode;
typedef unsigned long CFOptionFlags;
typedef const void* CFTypeRef;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef const struct __CFString* CFStringRef;
typedef struct __CFString* CFMutableStringRef;
typedef const struct __CFNumber* CFNumberRef;
typedef const struct __CFData* CFDataRef;
typedef const struct __CFArray* CFArrayRef;
typedef struct __CFArray* CFMutableArrayRef;
typedef const struct __CFDictionary* CFDictionaryRef;
typedef struct __CFDictionary* CFMutableDictionaryRef;
typedef const struct __CFURL* CFURLRef;
typedef struct __CFBundle* CFBundleRef;
typedef UInt32 CFStringEncoding;
typedef const struct __CFAttributedString* CFAttributedStringRef;

typedef struct {
  CFIndex location;
  CFIndex length;
} CFRange;
static inline CFRange CFRangeMake(CFIndex loc, CFIndex len) {
  CFRange range = {loc, len};
  return range;
}

#define kCFAllocatorDefault ((CFAllocatorRef)0)

enum {
  kCFStringEncodingMacRoman = 0,
  kCFStringEncodingASCII = 0x0600,
  kCFStringEncodingUTF8 = 0x08000100,
};

typedef enum {
  kCFNumberSInt8Type = 1,
  kCFNumberSInt16Type = 2,
  kCFNumberSInt32Type = 3,
  kCFNumberSInt64Type = 4,
  kCFNumberFloat32Type = 5,
  kCFNumberFloat64Type = 6,
  kCFNumberCharType = 7,
  kCFNumberShortType = 8,
  kCFNumberIntType = 9,
  kCFNumberLongType = 10,
  kCFNumberLongLongType = 11,
  kCFNumberFloatType = 12,
  kCFNumberDoubleType = 13,
  kCFNumberCFIndexType = 14,
} CFNumberType;

typedef const void* (*CFArrayRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFArrayReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFArrayCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFArrayEqualCallBack)(const void* value1, const void* value2);
typedef struct {
  CFIndex version;
  CFArrayRetainCallBack retain;
  CFArrayReleaseCallBack release;
  CFArrayCopyDescriptionCallBack copyDescription;
  CFArrayEqualCallBack equal;
} CFArrayCallBacks;

typedef const void* (*CFDictionaryRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFDictionaryReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFDictionaryCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFDictionaryEqualCallBack)(const void* value1, const void* value2);
typedef CFHashCode (*CFDictionaryHashCallBack)(const void* value);
typedef struct {
  CFIndex version;
  CFDictionaryRetainCallBack retain;
  CFDictionaryReleaseCallBack release;
  CFDictionaryCopyDescriptionCallBack copyDescription;
  CFDictionaryEqualCallBack equal;
  CFDictionaryHashCallBack hash;
} CFDictionaryKeyCallBacks;
typedef struct {
  CFIndex version;
  CFDictionaryRetainCallBack retain;
  CFDictionaryReleaseCallBack release;
  CFDictionaryCopyDescriptionCallBack copyDescription;
  CFDictionaryEqualCallBack equal;
} CFDictionaryValueCallBacks;

CORVANEL_MAC_API const CFArrayCallBacks kCFTypeArrayCallBacks;
CORVANEL_MAC_API const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks;
CORVANEL_MAC_API const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks;

// ---- Every type -----------------------------------------------------------------------------
CORVANEL_MAC_API CFTypeRef CFRetain(CFTypeRef cf);
CORVANEL_MAC_API void CFRelease(CFTypeRef cf);
CORVANEL_MAC_API CFIndex CFGetRetainCount(CFTypeRef cf);
CORVANEL_MAC_API CFTypeID CFGetTypeID(CFTypeRef cf);
CORVANEL_MAC_API Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
CORVANEL_MAC_API CFStringRef CFCopyDescription(CFTypeRef cf);

// ---- Strings --------------------------------------------------------------------------------
// A string literal that lives for the whole process (retain and release do nothing).
CORVANEL_MAC_API CFStringRef __CFStringMakeConstantString(const char* cStr);
#define CFSTR(cStr) __CFStringMakeConstantString("" cStr "")
CORVANEL_MAC_API CFTypeID CFStringGetTypeID(void);
CORVANEL_MAC_API CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                                       CFStringEncoding encoding);
// %d, %u, %ld, %s and %@ (the description of a CoreFoundation object), %% for a percent sign.
CORVANEL_MAC_API CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc,
                                                      CFDictionaryRef formatOptions,
                                                      CFStringRef format, ...);
CORVANEL_MAC_API CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc,
                                                                  CFDictionaryRef formatOptions,
                                                                  CFStringRef format,
                                                                  va_list arguments);
CORVANEL_MAC_API CFIndex CFStringGetLength(CFStringRef theString);
// False (and nothing promised in the buffer) when the text and its terminator do not fit.
CORVANEL_MAC_API Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                                            CFStringEncoding encoding);

// ---- Numbers --------------------------------------------------------------------------------
CORVANEL_MAC_API CFTypeID CFNumberGetTypeID(void);
CORVANEL_MAC_API CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType,
                                            const void* valuePtr);
// True when the value converts to theType without loss.
CORVANEL_MAC_API Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);

// ---- Data -----------------------------------------------------------------------------------
CORVANEL_MAC_API CFTypeID CFDataGetTypeID(void);
CORVANEL_MAC_API CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes,
                                        CFIndex length);
CORVANEL_MAC_API CFIndex CFDataGetLength(CFDataRef theData);
CORVANEL_MAC_API const UInt8* CFDataGetBytePtr(CFDataRef theData);

// ---- Arrays ---------------------------------------------------------------------------------
CORVANEL_MAC_API CFTypeID CFArrayGetTypeID(void);
CORVANEL_MAC_API CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values,
                                          CFIndex numValues, const CFArrayCallBacks* callBacks);
CORVANEL_MAC_API CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                                        const CFArrayCallBacks* callBacks);
CORVANEL_MAC_API void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value);
CORVANEL_MAC_API CFIndex CFArrayGetCount(CFArrayRef theArray);
CORVANEL_MAC_API const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx);

// ---- Dictionaries ---------------------------------------------------------------------------
CORVANEL_MAC_API CFTypeID CFDictionaryGetTypeID(void);
CORVANEL_MAC_API CFMutableDictionaryRef CFDictionaryCreateMutable(
    CFAllocatorRef allocator, CFIndex capacity, const CFDictionaryKeyCallBacks* keyCallBacks,
    const CFDictionaryValueCallBacks* valueCallBacks);
CORVANEL_MAC_API void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key,
                                           const void* value);
CORVANEL_MAC_API void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key);
CORVANEL_MAC_API const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key);
CORVANEL_MAC_API CFIndex CFDictionaryGetCount(CFDictionaryRef theDict);

// ---- Attributed strings -----------------------------------------------------------------------
// One set of attributes over the whole string (all the drawing layer makes).
CORVANEL_MAC_API CFTypeID CFAttributedStringGetTypeID(void);
CORVANEL_MAC_API CFAttributedStringRef CFAttributedStringCreate(CFAllocatorRef alloc,
                                                                CFStringRef str,
                                                                CFDictionaryRef attributes);
CORVANEL_MAC_API CFStringRef CFAttributedStringGetString(CFAttributedStringRef aStr);
CORVANEL_MAC_API CFIndex CFAttributedStringGetLength(CFAttributedStringRef aStr);
// The attributes at loc (the same everywhere); effectiveRange, when given, is the whole string.
CORVANEL_MAC_API CFDictionaryRef CFAttributedStringGetAttributes(CFAttributedStringRef aStr,
                                                                 CFIndex loc,
                                                                 CFRange* effectiveRange);

// ---- URLs and bundles -----------------------------------------------------------------------
CORVANEL_MAC_API CFTypeID CFURLGetTypeID(void);
CORVANEL_MAC_API CFStringRef CFURLGetString(CFURLRef anURL);
CORVANEL_MAC_API CFTypeID CFBundleGetTypeID(void);
CORVANEL_MAC_API CFBundleRef CFBundleGetMainBundle(void);
CORVANEL_MAC_API CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);
CORVANEL_MAC_API CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);
CORVANEL_MAC_API CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
