// The LV2 plug-in as a host drives it through lilv, against the VST2 plug-in built in the
// same tree: the same signal, parameters and timeline give the same output bit for bit;
// the state goes round trip and bad states are refused whole; the factory presets hold
// what the VST2 programs hold.
#include "Lv2Host.h"
#include "VstInstance.h"

#include "lv2/presets/presets.h"
#include "lv2/state/state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {
constexpr double kRate = 44100.0;

// A stereo test signal: two tones and noise, so every gate edge shows in the samples.
struct Signal {
  std::vector<float> l, r;
  explicit Signal(int n) : l(n), r(n) {
    uint32_t seed = 12345;
    for (int i = 0; i < n; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const float noise = (float)((seed >> 8) & 0xffff) / 65536.0f - 0.5f;
      l[i] = 0.3f * (float)std::sin(2.0 * M_PI * 220.0 * i / kRate) + 0.1f * noise;
      r[i] = 0.3f * (float)std::sin(2.0 * M_PI * 331.0 * i / kRate) - 0.1f * noise;
    }
  }
};

// One host block: its length, the positions inside it and the control values from it on
// (display texts or numbers as the VST2 host types them, values as the LV2 port holds them).
struct Block {
  int frames = 512;
  std::vector<Lv2Position> positions;
  std::vector<std::pair<std::string, float>> controls;
};

// The VST2 side of the same timeline: the record the LV2 plug-in keeps between position
// objects, moved on by the frames run while rolling, as a VST2 host reports it.
struct VstTimeline {
  int64_t pos = 0;
  double tempo = 0.0, beats = 0.0;
  bool hasBeats = false, playing = true;
  int num = 0, den = 0;

  void Apply(const Lv2Position& p) {
    pos = p.frame;
    playing = p.speed != 0.0f;
    const double quarters = 4.0 / p.beatUnit;
    if (p.tempo) tempo = (double)p.bpm * quarters;
    if (p.musical) {
      hasBeats = true;
      beats = ((double)p.bar * p.beatsPerBar + p.barBeat) * quarters;
      num = (int)p.beatsPerBar;
      den = p.beatUnit;
    }
  }
  void Advance(int frames) {
    if (!playing || frames <= 0) return;
    pos += frames;
    if (hasBeats) {
      if (tempo > 0.0)
        beats += (double)frames / (kRate * 60.0 / tempo);
      else
        hasBeats = false;
    }
  }
  void Fill(VstTimeInfo* t) const {
    std::memset(t, 0, sizeof(*t));
    t->sampleRate = kRate;
    t->samplePos = (double)pos;
    t->flags = playing ? kVstTransportPlaying : 0;
    if (tempo > 0.0) {
      t->tempo = tempo;
      t->flags |= kVstTempoValid;
    }
    if (hasBeats) {
      t->ppqPos = beats;
      t->flags |= kVstPpqPosValid;
    }
    if (num > 0) {
      t->timeSigNumerator = num;
      t->timeSigDenominator = den;
      t->flags |= kVstTimeSigValid;
    }
  }
};

const char* const kRateTexts[] = {"1/128", "1/64T", "1/128D", "1/64", "1/32T", "1/64D", "1/32",
                                  "1/16T", "1/32D", "1/16",  "1/8T",  "1/16D",  "1/8",  "1/4T",
                                  "1/8D",  "1/4",   "1/2T",  "1/4D",  "1/2",    "1/1T", "1/2D",
                                  "1/1",   "2/1T",  "1/1D",  "2/1",   "4/1T",   "2/1D", "4/1"};
const char* const kTargetTexts[] = {"Volume", "Low Gain", "High Gain", "Low - High"};
const std::map<std::string, int> kVstIndex = {{"rate", 0},    {"cycle", 1},  {"attack", 2},
                                              {"gate", 3},    {"tie_lock", 4}, {"release", 5},
                                              {"fade", 6},    {"split_freq", 7}, {"target", 8},
                                              {"mix", 9}};

// The text a VST2 host types for a port value.
std::string VstText(const std::string& symbol, float v) {
  if (symbol == "rate") return kRateTexts[(int)v];
  if (symbol == "target") return kTargetTexts[(int)v];
  if (symbol == "tie_lock") return v != 0.0f ? "Yes" : "No";
  return std::to_string((int)v);
}

struct Rendered {
  std::vector<float> l, r;
};

Rendered RunLv2(const std::vector<Block>& blocks, const Signal& s, bool withMap, bool timePort) {
  Lv2Instance lv2(withMap);
  Rendered out;
  EXPECT_TRUE(lv2.Ok());
  if (!lv2.Ok()) return out;
  if (!timePort) lv2.DisconnectTimePort();
  int at = 0;
  for (const Block& b : blocks) {
    for (const auto& c : b.controls)
      lv2.SetControl(c.first, c.second);
    std::vector<float> l(b.frames), r(b.frames);
    lv2.Run(&s.l[at], &s.r[at], l.data(), r.data(), b.frames, b.positions);
    out.l.insert(out.l.end(), l.begin(), l.end());
    out.r.insert(out.r.end(), r.begin(), r.end());
    at += b.frames;
  }
  return out;
}

// The VST2 plug-in over the same timeline: every LV2 block is cut at its positions.
Rendered RunVst(const std::vector<Block>& blocks, const Signal& s, bool hostTime) {
  RecordingHost host;
  Instance vst;
  Rendered out;
  EXPECT_NE(vst.mEffect, nullptr);
  if (!vst.mEffect) return out;
  VstTimeline timeline;
  int at = 0;
  for (const Block& b : blocks) {
    for (const auto& c : b.controls)
      EXPECT_TRUE(vst.SetText(kVstIndex.at(c.first), VstText(c.first, c.second).c_str()));
    std::vector<int> cuts;
    for (const Lv2Position& p : b.positions)
      cuts.push_back(p.offset);
    cuts.push_back(b.frames);
    int start = 0;
    size_t next = 0;
    while (start < b.frames) {
      while (next < b.positions.size() && b.positions[next].offset <= start)
        timeline.Apply(b.positions[next++]);
      int end = b.frames;
      if (next < b.positions.size()) end = b.positions[next].offset;
      if (hostTime) {
        timeline.Fill(&host.mTime);
      } else {
        // A host that reports a playing transport and a sample position only.
        std::memset(&host.mTime, 0, sizeof(host.mTime));
        host.mTime.sampleRate = kRate;
        host.mTime.samplePos = (double)timeline.pos;
        host.mTime.flags = kVstTransportPlaying;
      }
      std::vector<float> l(end - start), r(end - start);
      float* in[2] = {const_cast<float*>(&s.l[at + start]), const_cast<float*>(&s.r[at + start])};
      float* o[2] = {l.data(), r.data()};
      vst.mEffect->processReplacing(vst.mEffect, in, o, end - start);
      out.l.insert(out.l.end(), l.begin(), l.end());
      out.r.insert(out.r.end(), r.begin(), r.end());
      timeline.Advance(end - start);
      start = end;
    }
    at += b.frames;
  }
  return out;
}

// The first frame where the two renders differ in any bit, -1 when none does.
long FirstDifference(const Rendered& a, const Rendered& b) {
  if (a.l.size() != b.l.size()) return 0;
  for (size_t i = 0; i < a.l.size(); ++i)
    if (std::memcmp(&a.l[i], &b.l[i], sizeof(float)) || std::memcmp(&a.r[i], &b.r[i], sizeof(float)))
      return (long)i;
  return -1;
}

// Ardour's way: one position per block while rolling, bar counted from 0.
Lv2Position Rolling(int64_t frame, float bpm, double beatsAtZero = 0.0) {
  Lv2Position p;
  p.frame = frame;
  p.bpm = bpm;
  const double beats = beatsAtZero + (double)frame / (kRate * 60.0 / bpm);
  p.bar = (int64_t)std::floor(beats / 4.0);
  p.barBeat = (float)(beats - 4.0 * (double)p.bar);
  return p;
}

struct Scenario {
  const char* name;
  std::vector<Block> blocks;
  bool withMap = true, timePort = true;
};

std::vector<Scenario> Scenarios() {
  std::vector<Scenario> all;
  auto steady = [](int nBlocks, int frames, float bpm) {
    std::vector<Block> blocks;
    for (int k = 0; k < nBlocks; ++k) {
      Block b;
      b.frames = frames;
      b.positions.push_back(Rolling((int64_t)k * frames, bpm));
      blocks.push_back(b);
    }
    return blocks;
  };
  {
    // Triplet steps at an odd tempo: step lengths that are no whole number of frames.
    Scenario s{"FractionalSteps", steady(60, 512, 131.3f)};
    s.blocks[0].controls = {{"rate", 7.0f}, {"cycle", 5.0f}};
    all.push_back(s);
  }
  {
    Scenario s{"TempoChanges", steady(70, 500, 120.0f)};
    for (int k = 25; k < 70; ++k)
      s.blocks[k].positions[0] = Rolling((int64_t)k * 500, k < 45 ? 97.5f : 160.0f);
    all.push_back(s);
  }
  {
    // A loop: back to the start every 40 blocks.
    Scenario s{"LoopJumps", {}};
    for (int k = 0; k < 90; ++k) {
      Block b;
      b.positions.push_back(Rolling((int64_t)(k % 40) * 512, 128.0f));
      s.blocks.push_back(b);
    }
    all.push_back(s);
  }
  {
    // Positions in the middle of blocks: a tempo change, a locate and a stop.
    Scenario s{"PositionsMidBlock", steady(60, 512, 120.0f)};
    Lv2Position change = Rolling(10 * 512 + 200, 140.0f);
    change.offset = 200;
    s.blocks[10].positions.push_back(change);
    for (int k = 11; k < 60; ++k)
      s.blocks[k].positions[0] = Rolling((int64_t)k * 512, 140.0f);
    Lv2Position locate = Rolling(88200, 140.0f);
    locate.offset = 37;
    s.blocks[30].positions.push_back(locate);
    Lv2Position stop = locate;
    stop.offset = 300;
    stop.speed = 0.0f;
    s.blocks[30].positions.push_back(stop);
    for (int k = 31; k < 60; ++k)
      s.blocks[k].positions[0] = Rolling(88200 + (int64_t)(k - 31) * 512, 140.0f);
    all.push_back(s);
  }
  {
    // One position at the start; the plug-in moves the timeline on by itself.
    Scenario s{"PositionOnlyAtStart", steady(1, 441, 133.0f)};
    for (int k = 1; k < 80; ++k)
      s.blocks.push_back(Block{441, {}, {}});
    s.blocks[40].controls = {{"rate", 12.0f}, {"gate", 40.0f}};
    all.push_back(s);
  }
  {
    // 6/8 counted in eighths: the tempo and the beats become quarter notes.
    Scenario s{"SixEight", {}};
    for (int k = 0; k < 60; ++k) {
      Block b;
      Lv2Position p;
      p.frame = (int64_t)k * 512;
      p.bpm = 180.0f;
      p.beatUnit = 8;
      p.beatsPerBar = 6.0f;
      const double eighths = (double)p.frame / (kRate * 60.0 / 180.0);
      p.bar = (int64_t)std::floor(eighths / 6.0);
      p.barBeat = (float)(eighths - 6.0 * (double)p.bar);
      b.positions.push_back(p);
      s.blocks.push_back(b);
    }
    all.push_back(s);
  }
  {
    // Stopped at first, then rolling; parameters move through the ports meanwhile.
    Scenario s{"StoppedThenRolling", steady(50, 512, 120.0f)};
    for (int k = 0; k < 10; ++k) {
      s.blocks[k].positions[0] = Rolling(0, 120.0f);
      s.blocks[k].positions[0].speed = 0.0f;
    }
    for (int k = 10; k < 50; ++k)
      s.blocks[k].positions[0] = Rolling((int64_t)(k - 10) * 512, 120.0f);
    s.blocks[20].controls = {{"target", 3.0f}, {"attack", 80.0f}, {"tie_lock", 0.0f}};
    s.blocks[30].controls = {{"split_freq", 4000.0f}, {"mix", 55.0f}, {"release", 0.0f}};
    all.push_back(s);
  }
  {
    // No position ever (a host without a transport): the no-time rule.
    Scenario s{"NoHostTime", {}};
    for (int k = 0; k < 60; ++k)
      s.blocks.push_back(Block{512, {}, {}});
    all.push_back(s);
  }
  {
    Scenario s{"NoUridMap", {}};
    for (int k = 0; k < 60; ++k)
      s.blocks.push_back(Block{300, {}, {}});
    s.withMap = false;
    all.push_back(s);
  }
  {
    // A time port left unconnected (lv2apply) ignores what is never sent.
    Scenario s{"TimePortUnconnected", {}};
    for (int k = 0; k < 60; ++k)
      s.blocks.push_back(Block{512, {}, {}});
    s.timePort = false;
    all.push_back(s);
  }
  return all;
}

// Shown by name in test listings.
void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

class Lv2VsVst2 : public ::testing::TestWithParam<Scenario> {};

TEST_P(Lv2VsVst2, SameOutputBitForBit) {
  const Scenario& s = GetParam();
  int total = 0;
  bool anyPosition = false;
  for (const Block& b : s.blocks) {
    total += b.frames;
    anyPosition = anyPosition || !b.positions.empty();
  }
  const Signal signal(total);
  const Rendered lv2 = RunLv2(s.blocks, signal, s.withMap, s.timePort);
  const Rendered vst = RunVst(s.blocks, signal, anyPosition && s.withMap && s.timePort);
  ASSERT_EQ(lv2.l.size(), (size_t)total);
  EXPECT_EQ(FirstDifference(lv2, vst), -1);
  // The gate really gated: the output is not the input.
  EXPECT_NE(std::memcmp(lv2.l.data(), signal.l.data(), total * sizeof(float)), 0);
}

INSTANTIATE_TEST_SUITE_P(Timelines, Lv2VsVst2, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& p) {
                           return std::string(p.param.name);
                         });

// ---- State ------------------------------------------------------------------------------------

const char kStateURI[] = "https://www.orbalin.com/Corvanel/lv2#state";

void SetPort(const char* symbol, void* userData, const void* value, uint32_t size, uint32_t type) {
  Lv2Instance* instance = (Lv2Instance*)userData;
  if (size == sizeof(float) && type == Lv2World::Get().Urid(LV2_ATOM__Float))
    instance->SetControl(symbol, *(const float*)value);
}

// The VST2 program chunk of the factory preset called `name`; empty when none is.
std::vector<unsigned char> VstProgramChunk(const std::string& name) {
  RecordingHost host;
  Instance vst;
  for (int i = 0; i < kPrograms; ++i) {
    char text[256] = {0};
    vst.Dispatch(effGetProgramNameIndexed, i, 0, text);
    if (name == text) {
      vst.Dispatch(effSetProgram, 0, i);
      return vst.Chunk(1);
    }
  }
  return {};
}

// Calls f(label, state) for every preset of the plug-in that lilv finds; the state is
// freed after the call. Returns how many there were.
template <class F> size_t ForEachPreset(F f) {
  Lv2World& w = Lv2World::Get();
  LilvNode* presetClass = lilv_new_uri(w.World(), LV2_PRESETS__Preset);
  LilvNode* labelPred = lilv_new_uri(w.World(), "http://www.w3.org/2000/01/rdf-schema#label");
  LilvNodes* presets = lilv_plugin_get_related(w.Plugin(), presetClass);
  size_t n = 0;
  LILV_FOREACH(nodes, i, presets) {
    const LilvNode* preset = lilv_nodes_get(presets, i);
    lilv_world_load_resource(w.World(), preset);
    LilvNodes* labels = lilv_world_find_nodes(w.World(), preset, labelPred, nullptr);
    const std::string label =
        labels && lilv_nodes_size(labels) == 1 ? lilv_node_as_string(lilv_nodes_get_first(labels)) : "";
    lilv_nodes_free(labels);
    LilvState* state = lilv_state_new_from_world(w.World(), w.Map(), preset);
    f(label, state);
    if (state) lilv_state_free(state);
    ++n;
  }
  lilv_nodes_free(presets);
  lilv_node_free(labelPred);
  lilv_node_free(presetClass);
  return n;
}

// Restores the factory preset `label` into `plug` as a host loads it; false if none is.
bool LoadPreset(Lv2Instance& plug, const std::string& label) {
  bool found = false;
  ForEachPreset([&](const std::string& l, LilvState* state) {
    if (l != label || !state) return;
    lilv_state_restore(state, plug.Instance(), SetPort, &plug, 0, nullptr);
    found = true;
  });
  return found;
}

TEST(Lv2State, RoundTripThroughLilvTextRestoresEverything) {
  Lv2Instance a;
  ASSERT_TRUE(a.Ok());
  // A pattern other than the default, and port values other than the defaults.
  ASSERT_TRUE(LoadPreset(a, "House"));
  a.SetControl("cycle", 7.0f);
  a.SetControl("rate", 13.0f);
  const Signal s(512);
  std::vector<float> l(512), r(512);
  a.Run(s.l.data(), s.r.data(), l.data(), r.data(), 512);
  const std::vector<unsigned char> saved = a.StateBlob();
  ASSERT_EQ(saved.size(), 188u);

  LilvState* state = a.SaveState();
  ASSERT_NE(state, nullptr);
  Lv2World& w = Lv2World::Get();
  char* text = lilv_state_to_string(w.World(), w.Map(), w.Unmap(), state, "urn:test:state", nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_NE(std::string(text).find(kStateURI), std::string::npos);
  LilvState* reread = lilv_state_new_from_string(w.World(), w.Map(), text);
  ASSERT_NE(reread, nullptr);

  Lv2Instance b;
  lilv_state_restore(reread, b.Instance(), SetPort, &b, 0, nullptr);
  EXPECT_EQ(b.Control("cycle"), 7.0f);
  EXPECT_EQ(b.Control("rate"), 13.0f);
  std::vector<float> l2(512), r2(512);
  b.Run(s.l.data(), s.r.data(), l2.data(), r2.data(), 512);
  EXPECT_EQ(b.StateBlob(), saved);

  // Both instances now render the same.
  for (int k = 0; k < 40; ++k) {
    a.Run(s.l.data(), s.r.data(), l.data(), r.data(), 512);
    b.Run(s.l.data(), s.r.data(), l2.data(), r2.data(), 512);
    ASSERT_EQ(std::memcmp(l.data(), l2.data(), 512 * sizeof(float)), 0) << "block " << k;
  }
  lilv_state_free(reread);
  lilv_free(text);
  lilv_state_free(state);
}

TEST(Lv2State, BadStatesAreRefusedWholeAndAMissingOneKeepsTheValues) {
  Lv2Instance plug;
  ASSERT_TRUE(plug.Ok());
  ASSERT_TRUE(LoadPreset(plug, "House"));
  const std::vector<unsigned char> before = plug.StateBlob();
  ASSERT_EQ(before.size(), 188u);
  const LV2_URID chunk = Lv2World::Get().Urid(LV2_ATOM__Chunk);

  std::vector<unsigned char> other(before);
  other[4 + 8 * 1] ^= 0x10; // a different Cycle: what each bad state must not bring in
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
    LV2_URID type;
  };
  std::vector<Case> cases;
  cases.push_back({"short", std::vector<unsigned char>(other.begin(), other.begin() + 187), chunk});
  std::vector<unsigned char> longer(other);
  longer.push_back(0);
  cases.push_back({"long", longer, chunk});
  std::vector<unsigned char> version(other);
  version[0] ^= 1;
  cases.push_back({"other version", version, chunk});
  std::vector<unsigned char> nan(other);
  const double notANumber = std::nan("");
  std::memcpy(&nan[4 + 8 * 22], &notANumber, 8);
  cases.push_back({"not a number", nan, chunk});
  cases.push_back({"empty", {}, chunk});
  cases.push_back({"wrong type", other, Lv2World::Get().Urid(LV2_ATOM__String)});
  for (const Case& c : cases) {
    // An empty property still has an address.
    const void* data = c.bytes.empty() ? (const void*)"" : (const void*)c.bytes.data();
    EXPECT_NE(plug.RestoreProperty(data, c.bytes.size(), c.type), LV2_STATE_SUCCESS)
        << c.what;
    EXPECT_EQ(plug.StateBlob(), before) << c.what;
  }
  // jalv restores a default state without the plug-in's property at every start.
  EXPECT_EQ(plug.RestoreProperty(nullptr, 0, chunk, false), LV2_STATE_SUCCESS);
  EXPECT_EQ(plug.StateBlob(), before);
  // The good one is taken.
  EXPECT_EQ(plug.RestoreProperty(other.data(), other.size(), chunk), LV2_STATE_SUCCESS);
  EXPECT_EQ(plug.StateBlob(), other);
}

TEST(Lv2State, WithoutUridMapTheStateIsUnavailableNotWrong) {
  Lv2Instance plug(false);
  ASSERT_TRUE(plug.Ok());
  EXPECT_TRUE(plug.StateBlob().empty());
}

// ---- Presets -----------------------------------------------------------------------------------

TEST(Lv2Presets, EveryFactoryPresetRestoresWhatTheVst2ProgramHolds) {
  ASSERT_NE(Lv2World::Get().Plugin(), nullptr);
  std::vector<std::string> seen;
  const size_t n = ForEachPreset([&](const std::string& label, LilvState* state) {
    ASSERT_NE(state, nullptr) << label;
    seen.push_back(label);
    Lv2Instance plug;
    plug.SetControl("mix", 3.0f); // every port comes from the preset
    lilv_state_restore(state, plug.Instance(), SetPort, &plug, 0, nullptr);
    EXPECT_EQ(plug.Control("mix"), 100.0f) << label;
    const std::vector<unsigned char> program = VstProgramChunk(label);
    ASSERT_EQ(program.size(), 188u) << label;
    EXPECT_EQ(plug.StateBlob(), program) << label;
  });
  EXPECT_EQ(n, 24u);
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end()) << "24 different names";
}
} // namespace
