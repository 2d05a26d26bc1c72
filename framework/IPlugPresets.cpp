// Presets (programs) and saved state of the plug-in base: the parameter block both
// hosts store, the presets block, and the preset operations.
#include "IPlugBase.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

// ---- Parameter block --------------------------------------------------------------------------

bool IPlugBase::WriteParams(ChunkBuffer* chunk) {
  if (!chunk) return false;
  WDL_MutexLock lock(&mMutex);
  bool ok = true;
  for (int i = 0; i < NSavedParams(); ++i)
    ok = chunk->Put(GetParam(i)->mValue) > 0 && ok;
  for (int j = 0; j < mNStateStrings; ++j) {
    // An empty string would read back as "nothing restored": it travels as "0".
    if (!mStateStrings[j].GetLength()) mStateStrings[j].Set("0");
    ok = chunk->PutStr(mStateStrings[j].Get()) > 0 && ok;
  }
  return ok;
}

int IPlugBase::ReadParams(ChunkBuffer* chunk, int pos) {
  if (!chunk || pos < 0) return -1;
  WDL_MutexLock lock(&mMutex);
  const int n = NSavedParams();
  // A block that cannot hold every value (a truncated project, a preset slot that was
  // never stored) is refused whole: applying part of it would lose the current sound.
  if ((long long)pos + 8LL * n > (long long)chunk->Size()) return -1;

  for (int i = 0; i < n; ++i) {
    double value = 0.0;
    pos = chunk->Get(&value, pos);
    if (!AcceptRestoredValue(i)) continue;
    GetParam(i)->SetClamped(value); // NaN and values below the range give min
    ParamChanged(i);
  }

  int strPos = pos;
  for (int j = 0; j < mNStateStrings && strPos >= 0; ++j) {
    // A fresh string per record: an empty record must not repeat the previous text.
    WDL_String text;
    strPos = chunk->GetStr(&text, strPos);
    if (strPos >= 0 && text.GetLength() && std::strcmp(text.Get(), "0") != 0)
      StateStringRestored(j, text.Get());
  }
  return pos;
}

// ---- The state every format saves -------------------------------------------------------------

bool IPlugBase::SaveState(ChunkBuffer* chunk) {
  if (!chunk) return false;
  WDL_MutexLock lock(&mMutex);
  return chunk->Put((int32_t)GetEffectVersion(true)) > 0 && WriteState(chunk);
}

bool IPlugBase::LoadState(const void* data, int size) {
  const int valuesEnd = 4 + 8 * NSavedParams();
  // Short, long (a plug-in without state strings writes nothing after the values) or absent.
  if (!data || size < valuesEnd || (mNStateStrings == 0 && size != valuesEnd)) return false;
  ChunkBuffer chunk;
  if (!chunk.PutBytes(data, size)) return false;
  int32_t version = 0;
  if (chunk.Get(&version, 0) < 0 || version != GetEffectVersion(true)) return false;
  // Every value must be a number before any is applied.
  for (int pos = 4; pos < valuesEnd;) {
    double value = 0.0;
    pos = chunk.Get(&value, pos);
    if (pos < 0 || !std::isfinite(value)) return false;
  }
  WDL_MutexLock lock(&mMutex);
  ChunkVersionSeen(version);
  if (ReadState(&chunk, 4) < 0) return false;
  RefreshEditorParams();
  return true;
}

// ---- Presets block ----------------------------------------------------------------------------

namespace {
// Appends the parameter block a preset holds, exactly as ReadParams consumes it: the saved
// values (a chunk made by AddPreset also carries the extra parameters, which are left
// out), then the state strings the chunk carries after them ("0" where it has none).
bool AppendPresetBlock(const ChunkBuffer& src, int nValues, int nStrings, ChunkBuffer* dest) {
  const int valueBytes = 8 * nValues;
  if (nValues > 0 && !dest->PutBytes(src.GetBytes(), valueBytes)) return false;
  int pos = valueBytes;
  for (int j = 0; j < nStrings; ++j) {
    WDL_String text;
    if (pos >= 0) pos = src.GetStr(&text, pos);
    if (!dest->PutStr(pos >= 0 && text.GetLength() ? text.Get() : "0")) return false;
  }
  return true;
}
} // namespace

bool IPlugBase::WritePresets(ChunkBuffer* chunk) {
  if (!chunk) return false;
  WDL_MutexLock lock(&mMutex);
  for (int i = 0; i < NPresets(); ++i) {
    const IPreset* preset = mPresets.Get(i);
    // Only a preset holding a whole parameter block is written as holding data: the
    // block carries no length, so anything shorter would swallow the next preset.
    const bool holdsBlock = preset->mInitialized && preset->mChunk.Size() >= 8 * NSavedParams();
    if (!chunk->PutStr(preset->mName) || !chunk->Put(holdsBlock)) return false;
    if (holdsBlock && !AppendPresetBlock(preset->mChunk, NSavedParams(), mNStateStrings, chunk))
      return false;
  }
  return true;
}

int IPlugBase::ReadPresets(ChunkBuffer* chunk, int pos) {
  if (!chunk || pos < 0) return -1;
  WDL_MutexLock lock(&mMutex);
  // Each preset's values pass through the parameters on their way into its chunk; the
  // sound in use before is kept to come back to.
  ChunkBuffer before;
  WriteParams(&before);

  for (int i = 0; i < NPresets() && pos >= 0; ++i) {
    IPreset* preset = mPresets.Get(i);
    WDL_String name;
    const int namePos = pos;
    pos = chunk->GetStr(&name, pos);
    if (pos < 0) break;
    // An empty name record leaves the preset's own name in place.
    if (pos - namePos > 4) preset->SetName(name.Get());
    bool holdsData = false;
    pos = chunk->Get(&holdsData, pos);
    if (pos < 0 || !holdsData) continue;
    pos = ReadParams(chunk, pos);
    if (pos > 0) {
      preset->mChunk.Clear();
      WriteParams(&preset->mChunk);
      preset->mInitialized = true;
    }
  }

  // The current preset comes back. A never-used slot keeps the sound in use before and
  // takes its "user preset" name; a preset that cannot be loaded keeps that sound too.
  IPreset* current = mPresets.Get(mCurrentPresetIdx);
  if (!current || !current->mInitialized) {
    ReadParams(&before, 0);
    if (!LoadPreset(mCurrentPresetIdx)) RefreshEditorParams();
  } else if (!LoadPreset(mCurrentPresetIdx)) {
    ReadParams(&before, 0);
    RefreshEditorParams();
  }
  return pos;
}

// ---- Preset operations ------------------------------------------------------------------------

const char* IPlugBase::GetPresetName(int idx) const {
  const IPreset* preset = mPresets.Get(idx);
  return preset ? preset->mName : "";
}

void IPlugBase::AddDefaultPresets(const char* name, int n) {
  WDL_MutexLock lock(&mMutex);
  for (int k = 0; k < n; ++k) {
    IPreset* preset = nullptr;
    for (int i = 0; i < NPresets() && !preset; ++i)
      if (!mPresets.Get(i)->mInitialized) preset = mPresets.Get(i);
    if (!preset) return;
    preset->mInitialized = true;
    preset->SetName(name ? name : "Default");
  }
}

void IPlugBase::AddPreset(const char* name, ...) {
  WDL_MutexLock lock(&mMutex);
  IPreset* preset = nullptr;
  for (int i = 0; i < NPresets() && !preset; ++i)
    if (!mPresets.Get(i)->mInitialized) preset = mPresets.Get(i);
  if (!preset) return;

  preset->mInitialized = true;
  preset->SetName(name);
  preset->mChunk.Clear();
  va_list args;
  va_start(args, name);
  // Integer kinds are passed as int, every other kind as double (default promotions).
  for (int i = 0; i < NParams(); ++i) {
    const double value =
        GetParam(i)->IsIntegerKind() ? (double)va_arg(args, int) : va_arg(args, double);
    preset->mChunk.Put(value);
  }
  va_end(args);
}

bool IPlugBase::LoadPreset(int idx) {
  WDL_MutexLock lock(&mMutex);
  IPreset* preset = mPresets.Get(idx);
  if (!preset) return false;
  if (preset->mInitialized) {
    if (ReadParams(&preset->mChunk, 0) <= 0) return false;
  } else {
    // A never-used slot keeps the current sound and takes the next "user preset" name.
    int k = 1;
    for (int i = 0; i < NPresets(); ++i)
      if (std::strstr(mPresets.Get(i)->mName, "user preset")) ++k;
    preset->mInitialized = true;
    std::snprintf(preset->mName, sizeof(preset->mName), "%s %d", "user preset", k);
  }
  mCurrentPresetIdx = idx;
  RefreshEditorParams();
  return true;
}

bool IPlugBase::LoadPresetByName(const char* name) {
  if (!name || !*name) return false;
  WDL_MutexLock lock(&mMutex);
  for (int i = 0; i < NPresets(); ++i)
    if (std::strcmp(mPresets.Get(i)->mName, name) == 0) return LoadPreset(i);
  return false;
}

void IPlugBase::StoreCurrentPreset(const char* name) {
  WDL_MutexLock lock(&mMutex);
  IPreset* preset = mPresets.Get(mCurrentPresetIdx);
  if (!preset) return;
  preset->mChunk.Clear();
  WriteParams(&preset->mChunk);
  if (name && *name) preset->SetName(name);
}

void IPlugBase::RemoveEmptyPresets() {
  WDL_MutexLock lock(&mMutex);
  // The current preset keeps its place in the numbering; if it goes, the first one is.
  int current = mCurrentPresetIdx;
  for (int i = NPresets() - 1; i >= 0; --i) {
    if (mPresets.Get(i)->mInitialized) continue;
    mPresets.Delete(i);
    if (i < current)
      --current;
    else if (i == current)
      current = -1;
  }
  mCurrentPresetIdx = current >= 0 && current < NPresets() ? current : 0;
}
