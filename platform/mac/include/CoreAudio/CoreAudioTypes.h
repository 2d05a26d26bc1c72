#pragma once
// CoreAudio's time stamps, stream formats and buffer lists.
#include "../MacTypes.h"

typedef UInt32 AudioFormatID;
typedef UInt32 AudioFormatFlags;

typedef struct SMPTETime {
  SInt16 mSubframes;
  SInt16 mSubframeDivisor;
  UInt32 mCounter;
  UInt32 mType;
  UInt32 mFlags;
  SInt16 mHours;
  SInt16 mMinutes;
  SInt16 mSeconds;
  SInt16 mFrames;
} SMPTETime;
enum { kSMPTETimeValid = 1, kSMPTETimeRunning = 2 };

typedef struct AudioTimeStamp {
  Float64 mSampleTime;
  UInt64 mHostTime;
  Float64 mRateScalar;
  UInt64 mWordClockTime;
  SMPTETime mSMPTETime;
  UInt32 mFlags;
  UInt32 mReserved;
} AudioTimeStamp;
enum {
  kAudioTimeStampSampleTimeValid = 1,
  kAudioTimeStampHostTimeValid = 2,
  kAudioTimeStampRateScalarValid = 4,
  kAudioTimeStampWordClockTimeValid = 8,
  kAudioTimeStampSMPTETimeValid = 0x10,
  kAudioTimeStampSampleHostTimeValid = 3,
};

typedef struct AudioStreamBasicDescription {
  Float64 mSampleRate;
  AudioFormatID mFormatID;
  AudioFormatFlags mFormatFlags;
  UInt32 mBytesPerPacket;
  UInt32 mFramesPerPacket;
  UInt32 mBytesPerFrame;
  UInt32 mChannelsPerFrame;
  UInt32 mBitsPerChannel;
  UInt32 mReserved;
} AudioStreamBasicDescription;

enum { kAudioFormatLinearPCM = 0x6C70636D }; // 'lpcm'

enum {
  kAudio_UnimplementedError = -4,
  kAudio_FileNotFoundError = -43,
  kAudio_ParamError = -50,
  kAudio_MemFullError = -108,
};
#define kAudioStreamAnyRate 0.0

enum {
  kAudioFormatFlagIsFloat = 0x1,
  kAudioFormatFlagIsBigEndian = 0x2,
  kAudioFormatFlagIsSignedInteger = 0x4,
  kAudioFormatFlagIsPacked = 0x8,
  kAudioFormatFlagIsAlignedHigh = 0x10,
  kAudioFormatFlagIsNonInterleaved = 0x20,
  kAudioFormatFlagIsNonMixable = 0x40,
  kAudioFormatFlagsAreAllClear = (int)0x80000000,
  kAudioFormatFlagsNativeEndian = 0,
  kAudioFormatFlagsNativeFloatPacked = 0x9,
  kAudioFormatFlagsCanonical = 0x9,
  kAudioFormatFlagsAudioUnitCanonical = 0x29,
  kLinearPCMFormatFlagIsFloat = kAudioFormatFlagIsFloat,
  kLinearPCMFormatFlagIsPacked = kAudioFormatFlagIsPacked,
  kLinearPCMFormatFlagIsNonInterleaved = kAudioFormatFlagIsNonInterleaved,
};

typedef struct AudioBuffer {
  UInt32 mNumberChannels;
  UInt32 mDataByteSize;
  void* mData;
} AudioBuffer;

typedef struct AudioBufferList {
  UInt32 mNumberBuffers;
  AudioBuffer mBuffers[1]; // really mNumberBuffers of them
} AudioBufferList;

#ifdef __cplusplus
static_assert(sizeof(SMPTETime) == 24, "SMPTETime");
static_assert(sizeof(AudioTimeStamp) == 64, "AudioTimeStamp");
static_assert(sizeof(AudioStreamBasicDescription) == 40, "AudioStreamBasicDescription");
static_assert(sizeof(AudioBuffer) == 16, "AudioBuffer");
static_assert(sizeof(AudioBufferList) == 24, "AudioBufferList");
#endif
