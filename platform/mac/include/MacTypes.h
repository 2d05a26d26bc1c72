#pragma once
// The base types of the macOS interfaces, as the platform declares them for x86_64.
#include <stdint.h>

#ifdef __cplusplus
#define CORVANEL_MAC_EXTERN_C extern "C"
#else
#define CORVANEL_MAC_EXTERN_C
#endif
// Entry points of the stand-in frameworks leave their library; everything else stays inside.
#define CORVANEL_MAC_API CORVANEL_MAC_EXTERN_C __attribute__((visibility("default")))

typedef unsigned char UInt8;
typedef signed char SInt8;
typedef unsigned short UInt16;
typedef short SInt16;
typedef unsigned int UInt32;
typedef int SInt32;
typedef unsigned long long UInt64;
typedef long long SInt64;
typedef float Float32;
typedef double Float64;
typedef unsigned char Boolean;
typedef SInt32 OSStatus;
typedef SInt16 OSErr;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef char* Ptr;
typedef Ptr* Handle;

enum { noErr = 0, paramErr = -50 };

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
