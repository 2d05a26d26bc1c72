#pragma once
// The host's timeline as LV2 tells it: time:Position objects in the plug-in's atom input,
// each at a frame of the block, turned into the host-time record. A position object may
// carry only some of its fields; the others keep what the host said last, moved on by
// the frames run while the transport rolled.
//
// Without time information (no URID map, no atom input connected, or no position object
// yet) the timeline is that of a VST2 host that reports a playing transport with only a
// sample position counting from 0 and no tempo: the gate then runs at its own 120 BPM.
#include "IHostTime.h"

#include "lv2/atom/atom.h"
#include "lv2/urid/urid.h"

#include <cstdint>

class LV2Timeline {
public:
  // [main thread, at instantiation] Maps the time vocabulary; a null map leaves the
  // timeline without host time for good.
  void Map(const LV2_URID_Map* map);
  bool Mapped() const { return mMapped; }
  // The atom types a reader of the input sequence needs.
  LV2_URID AtomObject() const { return mAtomObject; }
  LV2_URID AtomBlank() const { return mAtomBlank; }

  // [audio thread] Whether `object` is a time:Position (only then Read takes it).
  bool IsPosition(const LV2_Atom_Object* object) const;
  // [audio thread] The timeline at frame `frame` of the running block after the position
  // object `object` there (frames in order; the record moves on to it first).
  IHostTime Read(const LV2_Atom_Object* object, int frame);
  // [audio thread] The timeline at the first frame of the running block.
  IHostTime AtBlockStart() const { return mTime; }
  // [audio thread] The block of `nFrames` has run: the next one starts that much later.
  void EndBlock(int nFrames);
  // [audio thread] The sample rate the beats move on with.
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  // Whether a position object has come since instantiation.
  bool FromHost() const { return mFromHost; }

private:
  // Moves the record on to frame `frame` of the block: a rolling transport advances,
  // a stopped one stays.
  void MoveTo(int frame);

  IHostTime mTime;   // the record at frame mFrame of the running block
  int mFrame = 0;
  double mSampleRate = 44100.0;
  bool mMapped = false;
  bool mFromHost = false;
  // The meter the host last gave (absent fields keep it): the beats it counts in.
  float mBeatsPerBar = 0.0f, mBeatUnit = 0.0f;

  LV2_URID mAtomObject = 0, mAtomBlank = 0, mAtomFloat = 0, mAtomDouble = 0, mAtomInt = 0,
           mAtomLong = 0;
  LV2_URID mPosition = 0, mBarKey = 0, mBarBeatKey = 0, mBeatKey = 0, mBeatUnitKey = 0,
           mBeatsPerBarKey = 0, mBeatsPerMinuteKey = 0, mFrameKey = 0, mSpeedKey = 0;
};
