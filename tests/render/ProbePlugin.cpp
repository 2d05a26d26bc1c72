// A minimal VST2 plug-in for testing the render host: it writes what the host tells
// it into the audio, so a test can read the host's behaviour from the output file.
// Channel 0 carries the song position of every frame (the block's position from
// the time info plus the frame's offset), channel 1 the tempo, or -1 when the time
// info lacks a validity flag, the playing flag, or changes within a block.
// Parameters: "Mode" (texts "Off", "On") and "Amount" (0..100). Its state chunk
// starts with "PROBE"; any other chunk is refused.
#include "vst2_abi.h"

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kNumParams = 2;
const char* const kNames[kNumParams] = {"Mode", "Amount"};
const double kMax[kNumParams] = {1, 100};
const char* const kModeTexts[2] = {"Off", "On"};
constexpr VstInt32 kWantedFlags =
    kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid | kVstTransportPlaying;

struct Probe {
  AEffect effect;
  audioMasterCallback host;
  double values[kNumParams];
  int program;
  char chunk[5 + sizeof(double) * kNumParams];
};

Probe* Self(AEffect* e) { return static_cast<Probe*>(e->object); }

void Display(Probe* p, int i, char* out) {
  const int v = (int)std::lround(p->values[i]);
  if (i == 0)
    std::strcpy(out, kModeTexts[v]);
  else
    std::snprintf(out, 8, "%d", v);
}

// Position and tempo as the host reports them, asked twice like a plug-in that
// reads the transport in several places.
bool Transport(Probe* p, double* pos, double* tempo) {
  VstTimeInfo* a = (VstTimeInfo*)p->host(&p->effect, audioMasterGetTime, 0, 0, nullptr, 0);
  if (!a) return false;
  const VstTimeInfo first = *a;
  VstTimeInfo* b =
      (VstTimeInfo*)p->host(&p->effect, audioMasterGetTime, 0, kVstTempoValid, nullptr, 0);
  if (!b || b->samplePos != first.samplePos || b->tempo != first.tempo) return false;
  *pos = first.samplePos;
  *tempo = (first.flags & kWantedFlags) == kWantedFlags && first.timeSigNumerator == 4 &&
                   first.timeSigDenominator == 4
               ? first.tempo
               : -1.0;
  return true;
}

template <typename T> void Process(AEffect* e, T** in, T** out, VstInt32 frames) {
  double pos = 0, tempo = -1;
  if (!Transport(Self(e), &pos, &tempo)) pos = tempo = -1;
  for (VstInt32 i = 0; i < frames; ++i) {
    out[0][i] = (T)(pos + i);
    out[1][i] = (T)tempo;
  }
  (void)in;
}

void ProcessFloat(AEffect* e, float** in, float** out, VstInt32 n) { Process(e, in, out, n); }
void ProcessDouble(AEffect* e, double** in, double** out, VstInt32 n) { Process(e, in, out, n); }

void SetParameter(AEffect* e, VstInt32 i, float v) {
  if (i >= 0 && i < kNumParams) Self(e)->values[i] = std::round(v * kMax[i]);
}
float GetParameter(AEffect* e, VstInt32 i) {
  return i >= 0 && i < kNumParams ? (float)(Self(e)->values[i] / kMax[i]) : 0.0f;
}

VstIntPtr Dispatcher(AEffect* e, VstInt32 op, VstInt32 index, VstIntPtr value, void* ptr,
                     float opt) {
  Probe* p = Self(e);
  const bool validParam = index >= 0 && index < kNumParams;
  switch (op) {
  case effClose:
    delete p;
    return 0;
  case effGetParamName:
    if (validParam && ptr) std::strcpy((char*)ptr, kNames[index]);
    return 0;
  case effGetParamDisplay:
    if (validParam && ptr) Display(p, index, (char*)ptr);
    return 0;
  case effGetParamLabel:
    if (validParam && ptr) std::strcpy((char*)ptr, index == 1 ? "%" : "");
    return 0;
  case effString2Parameter: {
    if (!validParam || !ptr) return 0;
    const char* text = (const char*)ptr;
    double v = std::strtod(text, nullptr);
    if (index == 0)
      for (int k = 0; k < 2; ++k)
        if (!std::strcmp(text, kModeTexts[k])) v = k;
    p->values[index] = v < 0 ? 0 : (v > kMax[index] ? kMax[index] : v);
    return 1;
  }
  case effSetProgram:
    if (value >= 0 && value < 2) p->program = (int)value;
    return 0;
  case effGetProgram:
    return p->program;
  case effGetProgramNameIndexed:
    if (ptr && index >= 0 && index < 2) std::strcpy((char*)ptr, index ? "Loud" : "Quiet");
    return ptr && index >= 0 && index < 2;
  case effGetChunk:
    std::memcpy(p->chunk, "PROBE", 5);
    std::memcpy(p->chunk + 5, p->values, sizeof(p->values));
    *(void**)ptr = p->chunk;
    return sizeof(p->chunk);
  case effSetChunk:
    if (value != (VstIntPtr)sizeof(p->chunk) || std::memcmp(ptr, "PROBE", 5) != 0) return 0;
    std::memcpy(p->values, (const char*)ptr + 5, sizeof(p->values));
    return 1;
  case effGetVstVersion:
    return kVstVersion;
  default:
    (void)opt;
    return 0;
  }
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
  if (!host(nullptr, audioMasterVersion, 0, 0, nullptr, 0)) return nullptr;
  Probe* p = new Probe();
  p->host = host;
  AEffect& e = p->effect;
  e.magic = kEffectMagic;
  e.dispatcher = Dispatcher;
  e.setParameter = SetParameter;
  e.getParameter = GetParameter;
  e.processReplacing = ProcessFloat;
  e.processDoubleReplacing = ProcessDouble;
  e.numPrograms = 2;
  e.numParams = kNumParams;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  e.object = p;
  e.ioRatio = 1.0f;
  return &e;
}
