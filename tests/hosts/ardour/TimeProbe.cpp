// A VST2 plug-in that passes its input through and writes, for every process call,
// what the host reports about time into the file named by CORVANEL_TIME_PROBE_LOG:
// "frames samplePos ppqPos tempo barStartPos flags" (one line a call, %.17g). It
// shows how a host fills VstTimeInfo while a harness renders through it. Writing
// from the audio thread is acceptable here: the probe runs only in tests.
#include "vst2_abi.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Probe {
  AEffect effect;
  audioMasterCallback host;
  FILE* log;
};

Probe* Self(AEffect* e) { return static_cast<Probe*>(e->object); }

template <typename T> void Process(AEffect* e, T** in, T** out, VstInt32 frames) {
  Probe* p = Self(e);
  if (p->log) {
    const VstInt32 wanted = kVstPpqPosValid | kVstTempoValid | kVstBarsValid;
    const VstTimeInfo* t =
        (const VstTimeInfo*)p->host(&p->effect, audioMasterGetTime, 0, wanted, nullptr, 0);
    if (t)
      std::fprintf(p->log, "%d %.17g %.17g %.17g %.17g %d\n", (int)frames, t->samplePos,
                   t->ppqPos, t->tempo, t->barStartPos, (int)t->flags);
    else
      std::fprintf(p->log, "%d none\n", (int)frames);
  }
  for (int c = 0; c < 2; ++c)
    for (VstInt32 i = 0; i < frames; ++i)
      out[c][i] = in[c][i];
}

void ProcessFloat(AEffect* e, float** in, float** out, VstInt32 n) { Process(e, in, out, n); }
void ProcessDouble(AEffect* e, double** in, double** out, VstInt32 n) { Process(e, in, out, n); }
void SetParameter(AEffect*, VstInt32, float) {}
float GetParameter(AEffect*, VstInt32) { return 0.0f; }

VstIntPtr Dispatcher(AEffect* e, VstInt32 op, VstInt32, VstIntPtr, void* ptr, float) {
  Probe* p = Self(e);
  switch (op) {
  case effClose:
    if (p->log) std::fclose(p->log);
    delete p;
    return 0;
  case effGetEffectName:
    if (ptr) std::strcpy((char*)ptr, "Time Probe");
    return 1;
  case effGetPlugCategory:
    return kPlugCategEffect;
  case effGetVstVersion:
    return kVstVersion;
  default:
    return 0;
  }
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
  if (!host(nullptr, audioMasterVersion, 0, 0, nullptr, 0)) return nullptr;
  Probe* p = new Probe();
  p->host = host;
  const char* path = std::getenv("CORVANEL_TIME_PROBE_LOG");
  p->log = path && *path ? std::fopen(path, "a") : nullptr;
  if (p->log) std::setvbuf(p->log, nullptr, _IOLBF, 0);
  AEffect& e = p->effect;
  e.magic = kEffectMagic;
  e.dispatcher = Dispatcher;
  e.setParameter = SetParameter;
  e.getParameter = GetParameter;
  e.processReplacing = ProcessFloat;
  e.processDoubleReplacing = ProcessDouble;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  e.uniqueID = 0x54507262; // "TPrb"
  e.object = p;
  e.ioRatio = 1.0f;
  return &e;
}
