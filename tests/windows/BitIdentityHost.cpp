// corvanel-bithost: a minimal VST2 host that renders a fixed table of
// scenarios through a plug-in library and writes the raw output samples, so
// that the Linux library and the Windows DLLs can be compared bit for bit.
//
//   corvanel-bithost render PLUGIN OUTPREFIX   writes OUTPREFIX.f32 (processReplacing)
//                                               and OUTPREFIX.f64 (processDoubleReplacing)
//   corvanel-bithost compare PREFIX_A PREFIX_B  exit 0 when both pairs are identical
//
// Everything the plug-in sees is computed without the C maths library (whose
// results differ between platforms): the input is integer noise and ramps,
// normalised parameter values are quotients and square roots, the transport
// is sample counts and exact tempo arithmetic.
#include "PluginLibrary.h"
#include "vst2_abi.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kChannels = 2;

// One parameter change: index and whole value (converted to the normalised form).
struct ParamSet {
  int index;
  int value;
};

// Parameter ranges and curve exponents the host uses to normalise whole values.
struct ParamRange {
  int min, max, shape;
};
const ParamRange kRanges[23] = {{0, 27, 1},      {1, 64, 1},      {0, 200, 2},     {0, 100, 1},
                                {0, 1, 1},       {0, 200, 2},     {0, 100, 2},     {20, 20000, 2},
                                {0, 3, 1},       {0, 100, 1},     {0, 9765624, 1}, {0, 9765624, 1},
                                {0, 9765624, 1}, {0, 9765624, 1}, {0, 9765624, 1}, {0, 9765624, 1},
                                {0, 9765624, 1}, {0, 9765624, 1}, {0, 9765624, 1}, {0, 9765624, 1},
                                {0, 9765624, 1}, {0, 9765624, 1}, {0, 390624, 1}};

float Normalise(int index, int value) {
  const ParamRange& r = kRanges[index];
  double x = (double)(value - r.min) / (double)(r.max - r.min);
  return (float)(r.shape == 2 ? std::sqrt(x) : x); // sqrt is exact IEEE everywhere
}

// What the host does at a block boundary, written At(block).Program(3).Play() etc.
struct Event {
  int block = 0;             // before this block
  int program = -1;          // effSetProgram
  std::vector<ParamSet> set; // parameter changes
  int playing = -1;          // 1 start, 0 stop
  int64_t jumpTo = -1;       // new sample position
  double tempo = 0;          // new tempo
  Event& Program(int p) {
    program = p;
    return *this;
  }
  Event& Set(const std::vector<ParamSet>& s) {
    set.insert(set.end(), s.begin(), s.end());
    return *this;
  }
  Event& Play() {
    playing = 1;
    return *this;
  }
  Event& Stop() {
    playing = 0;
    return *this;
  }
  Event& JumpTo(int64_t p) {
    jumpTo = p;
    return *this;
  }
  Event& Tempo(double t) {
    tempo = t;
    return *this;
  }
};
Event At(int block) {
  Event e;
  e.block = block;
  return e;
}

struct Scenario {
  const char* name;
  float sampleRate;
  int blockSize;
  int blocks;
  double tempo;
  int64_t startPos;
  std::vector<Event> events;
};

std::vector<Scenario> Scenarios() {
  // Step words with mixed digits: every time and volume level appears.
  const std::vector<ParamSet> pattern = {{10, 1234567}, {11, 9765000}, {12, 3141592}, {13, 2718281},
                                         {14, 17},      {15, 4000000}, {16, 7777777}, {17, 1},
                                         {18, 5555555}, {19, 8888888}, {20, 6000001}, {21, 2222222},
                                         {22, 300000}};
  std::vector<Scenario> s;
  s.push_back({"defaults at 44.1 kHz", 44100.f, 512, 120, 120.0, 0, {At(0).Play()}});
  s.push_back(
      {"pattern, 1/32T, attack/release/fade",
       48000.f,
       256,
       200,
       128.0,
       0,
       {At(0).Set(pattern).Set({{0, 7}, {1, 24}, {2, 80}, {5, 150}, {6, 60}, {4, 0}}).Play(),
        At(90).Set({{3, 55}, {9, 100}})}});
  s.push_back({"low band target, odd block size",
               96000.f,
               1000,
               100,
               97.5,
               12345,
               {At(0).Set({{8, 1}, {7, 150}, {0, 12}}).Play(), At(50).Set({{7, 20000}})}});
  s.push_back({"high band and crossfade, split sweep",
               44100.f,
               64,
               900,
               174.0,
               0,
               {At(0).Set({{8, 2}, {7, 20}, {0, 3}}).Play(), At(100).Set({{7, 37}}),
                At(200).Set({{7, 999}}), At(300).Set({{8, 3}, {7, 1000}}), At(400).Set({{7, 5003}}),
                At(500).Set({{7, 12345}}), At(600).Set({{7, 19999}}), At(700).Set({{7, 441}})}});
  s.push_back({"factory presets, transport stop and jumps",
               48000.f,
               480,
               300,
               140.0,
               96000,
               {At(0).Program(3).Play(), At(60).Program(11), At(100).Stop(),
                At(130).Play().JumpTo(48000 * 17), At(180).Program(20).JumpTo(5),
                At(240).Program(24).Set({{2, 0}, {5, 0}}).Tempo(63.0)}});
  s.push_back({"single-frame blocks, long steps",
               22050.f,
               1,
               30000,
               60.0,
               0,
               {At(0).Set({{0, 27}, {1, 3}, {6, 100}}).Play(), At(10000).Set(pattern)}});
  // Every rate in turn over a short cycle with long envelopes.
  Scenario rates = {"every rate, short cycle",
                    88200.f,
                    333,
                    560,
                    133.33,
                    777,
                    {At(0).Set({{1, 5}, {2, 200}, {5, 200}, {9, 50}}).Play()}};
  for (int rate = 0; rate < 28; ++rate)
    rates.events.push_back(At(10 + 14 * rate).Set({{0, rate}}));
  rates.events.push_back(At(420).Set({{4, 0}}));
  rates.events.push_back(At(450).Set({{3, 0}}));
  rates.events.push_back(At(500).Set({{3, 100}, {9, 0}}));
  s.push_back(rates);
  // Split frequencies whose crossover coefficient exp(-2 pi f / rate) the C
  // libraries of Linux and Windows round differently unless the engine
  // computes it itself.
  s.push_back({"crossover coefficients at 44.1 kHz",
               44100.f,
               128,
               240,
               120.0,
               0,
               {At(0).Set({{8, 3}, {7, 932}}).Play(), At(60).Set({{8, 1}, {7, 2074}}),
                At(120).Set({{8, 2}, {7, 4130}}), At(180).Set({{8, 3}, {7, 14880}})}});
  s.push_back({"crossover coefficients at 48 kHz",
               48000.f,
               128,
               180,
               120.0,
               0,
               {At(0).Set({{8, 3}, {7, 475}}).Play(), At(60).Set({{8, 1}, {7, 11648}}),
                At(120).Set({{8, 2}, {7, 18848}})}});
  return s;
}

// Deterministic input: integer noise over a slow integer ramp, exact in float.
struct InputSignal {
  uint32_t state = 0x12345678u;
  int64_t n = 0;
  void Next(double& left, double& right) {
    state = state * 1664525u + 1013904223u;
    int noise = (int)(state >> 16) - 32768; // -32768..32767
    int ramp = (int)(n % 4096) - 2048;
    left = (double)noise / 65536.0 + (double)ramp / 8192.0;
    right = (double)((noise * 3) % 32768) / 32768.0 - (double)ramp / 4096.0;
    ++n;
  }
};

// The host's view of time, read by the plug-in through audioMasterGetTime.
struct Transport {
  VstTimeInfo info;
  double sampleRate = 44100.0;
  int blockSize = 512;
};
Transport gTransport;

VstIntPtr VSTCALLBACK HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr,
                                   float) {
  switch (opcode) {
  case audioMasterVersion:
    return 2400;
  case audioMasterGetTime:
    return (VstIntPtr)&gTransport.info;
  case audioMasterGetSampleRate:
    return (VstIntPtr)gTransport.sampleRate;
  case audioMasterGetBlockSize:
    return gTransport.blockSize;
  case audioMasterGetCurrentProcessLevel:
    return 2;
  case audioMasterGetProductString:
    if (ptr) std::strcpy((char*)ptr, "corvanel-bithost");
    return 1;
  case audioMasterGetVendorString:
    if (ptr) std::strcpy((char*)ptr, "Corvanel tests");
    return 1;
  case audioMasterGetVendorVersion:
    return 1;
  default:
    return 0;
  }
}

void SetPosition(int64_t pos, double tempo) {
  VstTimeInfo& t = gTransport.info;
  t.samplePos = (double)pos;
  t.sampleRate = gTransport.sampleRate;
  t.tempo = tempo;
  t.ppqPos = (double)pos / gTransport.sampleRate * tempo / 60.0;
  t.barStartPos = (double)(int64_t)(t.ppqPos / 4.0) * 4.0;
  t.timeSigNumerator = 4;
  t.timeSigDenominator = 4;
}

template <typename T> struct Buffers {
  std::vector<T> in[kChannels], out[kChannels];
  T* inPtr[kChannels];
  T* outPtr[kChannels];
  explicit Buffers(int frames) {
    for (int c = 0; c < kChannels; ++c) {
      in[c].assign(frames, 0);
      out[c].assign(frames, 0);
      inPtr[c] = in[c].data();
      outPtr[c] = out[c].data();
    }
  }
};

// Renders one scenario; appends interleaved output samples. Answers the
// number of samples that differ from the dry input, or -1 on a host error.
template <typename T>
long RenderScenario(VstPluginMainProc entry, const Scenario& sc, std::vector<T>& out) {
  AEffect* effect = entry(HostCallback);
  if (!effect || effect->magic != kEffectMagic) {
    std::fprintf(stderr, "bithost: the entry point created no effect\n");
    return -1;
  }
  const bool isDouble = sizeof(T) == sizeof(double);
  if (isDouble && !(effect->flags & effFlagsCanDoubleReplacing)) {
    std::fprintf(stderr, "bithost: the plug-in has no double-precision processing\n");
    return -1;
  }
  gTransport.sampleRate = sc.sampleRate;
  gTransport.blockSize = sc.blockSize;
  std::memset(&gTransport.info, 0, sizeof gTransport.info);
  int64_t pos = sc.startPos;
  double tempo = sc.tempo;
  bool playing = false;

  auto dispatch = [&](VstInt32 op, VstInt32 index, VstIntPtr value, float opt) {
    return effect->dispatcher(effect, op, index, value, nullptr, opt);
  };
  dispatch(effOpen, 0, 0, 0.f);
  dispatch(effSetSampleRate, 0, 0, sc.sampleRate);
  dispatch(effSetBlockSize, 0, sc.blockSize, 0.f);
  dispatch(effSetProcessPrecision, 0, isDouble ? 1 : 0, 0.f);
  dispatch(effMainsChanged, 0, 1, 0.f);
  dispatch(effStartProcess, 0, 0, 0.f);

  Buffers<T> buf(sc.blockSize);
  InputSignal input;
  long changed = 0;
  for (int b = 0; b < sc.blocks; ++b) {
    for (const Event& e : sc.events) {
      if (e.block != b) continue;
      if (e.program >= 0) dispatch(effSetProgram, 0, e.program, 0.f);
      for (const ParamSet& p : e.set)
        effect->setParameter(effect, p.index, Normalise(p.index, p.value));
      if (e.playing >= 0) playing = e.playing == 1;
      if (e.jumpTo >= 0) pos = e.jumpTo;
      if (e.tempo > 0) tempo = e.tempo;
    }
    SetPosition(pos, tempo);
    gTransport.info.flags = kVstTempoValid | kVstPpqPosValid | kVstBarsValid | kVstTimeSigValid |
                            (playing ? kVstTransportPlaying : 0);
    for (int i = 0; i < sc.blockSize; ++i) {
      double l, r;
      input.Next(l, r);
      buf.in[0][i] = (T)l;
      buf.in[1][i] = (T)r;
    }
    if constexpr (sizeof(T) == sizeof(double))
      effect->processDoubleReplacing(effect, buf.inPtr, buf.outPtr, sc.blockSize);
    else
      effect->processReplacing(effect, buf.inPtr, buf.outPtr, sc.blockSize);
    for (int i = 0; i < sc.blockSize; ++i)
      for (int c = 0; c < kChannels; ++c) {
        T v = buf.out[c][i];
        out.push_back(v);
        if (std::memcmp(&v, &buf.in[c][i], sizeof v) != 0) ++changed;
      }
    if (playing) pos += sc.blockSize;
  }
  dispatch(effStopProcess, 0, 0, 0.f);
  dispatch(effMainsChanged, 0, 0, 0.f);
  dispatch(effClose, 0, 0, 0.f);
  return changed;
}

template <typename T> bool WriteFile(const std::string& path, const std::vector<T>& samples) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(samples.data(), sizeof(T), samples.size(), f) == samples.size();
  return std::fclose(f) == 0 && ok;
}

template <typename T> bool ReadFile(const std::string& path, std::vector<T>& samples) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  samples.clear();
  T buf[4096];
  size_t n;
  while ((n = std::fread(buf, sizeof(T), 4096, f)) > 0)
    samples.insert(samples.end(), buf, buf + n);
  std::fclose(f);
  return true;
}

template <typename T>
bool Render(VstPluginMainProc entry, const std::string& path, const char* label) {
  std::vector<T> out;
  long changedTotal = 0;
  for (const Scenario& sc : Scenarios()) {
    long changed = RenderScenario<T>(entry, sc, out);
    if (changed < 0) return false;
    changedTotal += changed;
  }
  if (changedTotal == 0) {
    std::fprintf(stderr,
                 "bithost: %s output equals the input everywhere: the plug-in did not process\n",
                 label);
    return false;
  }
  if (!WriteFile(path, out)) {
    std::fprintf(stderr, "bithost: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("bithost: %s: %zu samples, %ld changed by the plug-in -> %s\n", label, out.size(),
              changedTotal, path.c_str());
  return true;
}

// Compares two renders scenario by scenario; prints the first difference of each.
template <typename T> bool Compare(const std::string& a, const std::string& b, const char* label) {
  std::vector<T> x, y;
  if (!ReadFile(a, x) || !ReadFile(b, y)) {
    std::fprintf(stderr, "bithost: cannot read %s or %s\n", a.c_str(), b.c_str());
    return false;
  }
  size_t expected = 0;
  for (const Scenario& sc : Scenarios())
    expected += (size_t)sc.blocks * sc.blockSize * kChannels;
  if (x.size() != expected || y.size() != expected) {
    std::printf("bithost: %s: sizes differ: %zu and %zu samples, %zu expected\n", label, x.size(),
                y.size(), expected);
    return false;
  }
  bool same = true;
  size_t offset = 0;
  for (const Scenario& sc : Scenarios()) {
    size_t n = (size_t)sc.blocks * sc.blockSize * kChannels;
    size_t diffs = 0, first = 0;
    for (size_t i = 0; i < n; ++i)
      if (std::memcmp(&x[offset + i], &y[offset + i], sizeof(T)) != 0 && diffs++ == 0) first = i;
    if (diffs) {
      same = false;
      std::printf("bithost: %s: \"%s\": %zu samples differ, first at frame %zu channel %zu "
                  "(%.17g vs %.17g)\n",
                  label, sc.name, diffs, first / kChannels, first % kChannels,
                  (double)x[offset + first], (double)y[offset + first]);
    }
    offset += n;
  }
  std::printf("bithost: %s: %s (%zu samples)\n", label, same ? "identical" : "DIFFERENT", expected);
  return same;
}

} // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "render") == 0) {
    PluginLibrary lib(argv[2]);
    if (!lib.IsLoaded()) {
      std::fprintf(stderr, "bithost: %s\n", lib.Error().c_str());
      return 1;
    }
    auto entry = (VstPluginMainProc)lib.Symbol("VSTPluginMain");
    if (!entry) {
      std::fprintf(stderr, "bithost: %s has no VSTPluginMain\n", argv[2]);
      return 1;
    }
    std::string prefix = argv[3];
    bool ok = Render<float>(entry, prefix + ".f32", "float");
    ok = Render<double>(entry, prefix + ".f64", "double") && ok;
    return ok ? 0 : 1;
  }
  if (argc == 4 && std::strcmp(argv[1], "compare") == 0) {
    std::string a = argv[2], b = argv[3];
    bool ok = Compare<float>(a + ".f32", b + ".f32", "float");
    ok = Compare<double>(a + ".f64", b + ".f64", "double") && ok;
    return ok ? 0 : 1;
  }
  std::fprintf(stderr, "usage: corvanel-bithost render PLUGIN OUTPREFIX\n"
                       "       corvanel-bithost compare PREFIX_A PREFIX_B\n");
  return 2;
}
