#include "LV2Timeline.h"

#include "lv2/time/time.h"

#include <cmath>
#include <cstddef>

namespace {
// A number of any of the atom number types, false for anything else.
bool ReadNumber(const LV2_Atom* atom, LV2_URID f, LV2_URID d, LV2_URID i, LV2_URID l,
                double* out) {
  if (!atom) return false;
  if (atom->type == f && atom->size >= sizeof(float))
    *out = ((const LV2_Atom_Float*)atom)->body;
  else if (atom->type == d && atom->size >= sizeof(double))
    *out = ((const LV2_Atom_Double*)atom)->body;
  else if (atom->type == i && atom->size >= sizeof(int32_t))
    *out = ((const LV2_Atom_Int*)atom)->body;
  else if (atom->type == l && atom->size >= sizeof(int64_t))
    *out = (double)((const LV2_Atom_Long*)atom)->body;
  else
    return false;
  return std::isfinite(*out);
}
} // namespace

void LV2Timeline::Map(const LV2_URID_Map* map) {
  // The timeline VST2 gives without a host clock: playing, counting from 0, no tempo.
  mTime = IHostTime();
  mTime.mPlaying = true;
  mMapped = map && map->map;
  if (!mMapped) return;
  LV2_URID_Map_Handle h = map->handle;
  mAtomObject = map->map(h, LV2_ATOM__Object);
  mAtomBlank = map->map(h, LV2_ATOM__Blank);
  mAtomFloat = map->map(h, LV2_ATOM__Float);
  mAtomDouble = map->map(h, LV2_ATOM__Double);
  mAtomInt = map->map(h, LV2_ATOM__Int);
  mAtomLong = map->map(h, LV2_ATOM__Long);
  mPosition = map->map(h, LV2_TIME__Position);
  mBarKey = map->map(h, LV2_TIME__bar);
  mBarBeatKey = map->map(h, LV2_TIME__barBeat);
  mBeatKey = map->map(h, LV2_TIME__beat);
  mBeatUnitKey = map->map(h, LV2_TIME__beatUnit);
  mBeatsPerBarKey = map->map(h, LV2_TIME__beatsPerBar);
  mBeatsPerMinuteKey = map->map(h, LV2_TIME__beatsPerMinute);
  mFrameKey = map->map(h, LV2_TIME__frame);
  mSpeedKey = map->map(h, LV2_TIME__speed);
}

bool LV2Timeline::IsPosition(const LV2_Atom_Object* object) const {
  return mMapped && object && (object->atom.type == mAtomObject || object->atom.type == mAtomBlank) &&
         object->atom.size >= sizeof(LV2_Atom_Object_Body) && object->body.otype == mPosition;
}

void LV2Timeline::MoveTo(int frame) {
  if (frame <= mFrame) return;
  if (mTime.mPlaying) mTime = mTime.After(frame - mFrame, mSampleRate);
  mFrame = frame;
}

void LV2Timeline::EndBlock(int nFrames) {
  MoveTo(nFrames);
  mFrame = 0;
}

IHostTime LV2Timeline::Read(const LV2_Atom_Object* object, int frame) {
  MoveTo(frame);
  if (!IsPosition(object)) return mTime;
  const LV2_Atom *bar = nullptr, *barBeat = nullptr, *beat = nullptr, *beatUnit = nullptr,
                 *beatsPerBar = nullptr, *bpm = nullptr, *position = nullptr, *speed = nullptr;
  // The properties, each checked to lie inside the object (the host's sizes are not
  // trusted further than the object's own, which the caller checked against the sequence).
  const uint8_t* p = (const uint8_t*)(&object->body + 1);
  const uint8_t* end = (const uint8_t*)&object->body + object->atom.size;
  while (end - p >= (ptrdiff_t)sizeof(LV2_Atom_Property_Body)) {
    const LV2_Atom_Property_Body* prop = (const LV2_Atom_Property_Body*)p;
    if (prop->value.size > (size_t)(end - p) - sizeof(LV2_Atom_Property_Body)) break;
    const LV2_Atom* value = &prop->value;
    if (prop->key == mBarKey) bar = value;
    else if (prop->key == mBarBeatKey) barBeat = value;
    else if (prop->key == mBeatKey) beat = value;
    else if (prop->key == mBeatUnitKey) beatUnit = value;
    else if (prop->key == mBeatsPerBarKey) beatsPerBar = value;
    else if (prop->key == mBeatsPerMinuteKey) bpm = value;
    else if (prop->key == mFrameKey) position = value;
    else if (prop->key == mSpeedKey) speed = value;
    const size_t step = (sizeof(LV2_Atom_Property_Body) + (size_t)prop->value.size + 7) & ~(size_t)7;
    if (step > (size_t)(end - p)) break;
    p += step;
  }
  mFromHost = true;
  auto number = [this](const LV2_Atom* atom, double* out) {
    return ReadNumber(atom, mAtomFloat, mAtomDouble, mAtomInt, mAtomLong, out);
  };

  double v = 0.0;
  if (number(position, &v))
    // Whole frames; negative and absurd positions read as 0, as the VST2 adapter reads them.
    mTime.mSamplePos = v >= 0.0 && v < 9.0e18 ? (int64_t)(v + 0.5) : 0;
  if (number(speed, &v)) mTime.mPlaying = v != 0.0;
  if (number(beatUnit, &v) && v >= 1.0 && v <= 256.0) mBeatUnit = (float)v;
  if (number(beatsPerBar, &v) && v > 0.0 && v <= 1024.0) mBeatsPerBar = (float)v;
  // The host counts in its beat unit; the record counts in quarter notes.
  const double quartersPerBeat = mBeatUnit > 0.0f ? 4.0 / mBeatUnit : 1.0;
  if (number(bpm, &v) && v >= 0.0) mTime.mTempo = v * quartersPerBeat;
  if (mBeatsPerBar > 0.0f && mBeatUnit > 0.0f && mBeatsPerBar == std::floor(mBeatsPerBar)) {
    mTime.mTimeSigNumerator = (int)mBeatsPerBar;
    mTime.mTimeSigDenominator = (int)mBeatUnit;
  }

  double b = 0.0;
  if (number(beat, &b)) {
    mTime.mHasBeats = true;
    mTime.mBeats = b * quartersPerBeat;
  } else if (number(bar, &v)) {
    double inBar = 0.0;
    if (!number(barBeat, &inBar)) inBar = 0.0;
    if (mBeatsPerBar > 0.0f) {
      mTime.mHasBeats = true;
      mTime.mBeats = (v * mBeatsPerBar + inBar) * quartersPerBeat;
    }
  }
  return mTime;
}
