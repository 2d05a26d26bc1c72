// The parameter block, the presets block and the preset operations of the plug-in base,
// on a small plug-in shaped like Corvanel: 23 saved parameters and 3 extra ones.
#include "PluginAdapter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <vector>

namespace {

constexpr int kSaved = 23;
constexpr int kExtra = 3;
constexpr int kAll = kSaved + kExtra;
constexpr int kBlockBytes = kSaved * 8;

// Parameter 0 is an enumeration of 28 values, 1 an int 1..64, 9 a real-valued parameter
// (to see doubles travel through AddPreset), the rest ints 0..1000; the extras -5..5.
class StatePlug : public IPlugTestHost {
public:
  explicit StatePlug(int nPresets = 6)
      : IPlugTestHost(IPlugInstanceInfo(), kSaved, "1-1 2-2", nPresets, "Effect", "", "Maker",
                      0x00010200, 1, 2, 0, 0, false, false) {
    AddExtraParams(kExtra);
    GetParam(0)->DefineEnum("Rate", 9, 28);
    GetParam(1)->DefineInt("Cycle", 16, 1, 64);
    GetParam(9)->DefineDouble("Real", 0.5, 0.0, 1.0, 0.001);
    for (int i = 2; i < kSaved; ++i)
      if (i != 9) GetParam(i)->DefineInt("", 10 * i, 0, 1000);
    for (int i = kSaved; i < kAll; ++i)
      GetParam(i)->DefineInt("", 0, -5, 5);
  }
  void ParamChanged(int idx) override { mChanged.push_back(idx); }
  bool AcceptRestoredValue(int idx) override { return !mRefused.count(idx); }

  std::vector<double> Values() const {
    std::vector<double> v;
    for (int i = 0; i < NParams(); ++i)
      v.push_back(GetParam(i)->mValue);
    return v;
  }
  // Distinct values within every range, unlike the defaults.
  void SetDistinctValues() {
    GetParam(0)->mValue = 27;
    GetParam(1)->mValue = 3;
    for (int i = 2; i < kSaved; ++i)
      GetParam(i)->mValue = 7 * i + 1;
    GetParam(9)->mValue = 0.125;
    for (int i = kSaved; i < kAll; ++i)
      GetParam(i)->mValue = i - kSaved + 1;
  }
  int CurrentPreset() const { return mCurrentPresetIdx; }
  const IPreset* Preset(int idx) const { return mPresets.Get(idx); }

  std::vector<int> mChanged;
  std::set<int> mRefused;
};

double ValueAt(const ChunkBuffer& chunk, int i) {
  double v = -12345.0;
  EXPECT_EQ(chunk.Get(&v, 8 * i), 8 * i + 8);
  return v;
}

void PutBlock(ChunkBuffer* chunk, const std::vector<double>& values) {
  for (double v : values)
    chunk->Put(v);
}

std::vector<int> Indices(int from, int to) {
  std::vector<int> v;
  for (int i = from; i < to; ++i)
    v.push_back(i);
  return v;
}

// ---- Parameter block ----------------------------------------------------------------------------

TEST(ParameterBlock, WritesSavedValuesLittleEndianAndReadsThemBack) {
  StatePlug source;
  source.SetDistinctValues();
  source.GetParam(1)->mValue = 1.0;
  ChunkBuffer chunk;
  ASSERT_TRUE(source.WriteParams(&chunk));
  ASSERT_EQ(chunk.Size(), kBlockBytes);
  // Value 1.0 of parameter 1, byte by byte.
  const unsigned char one[8] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
  EXPECT_EQ(std::memcmp(chunk.GetBytes() + 8, one, 8), 0);
  for (int i = 0; i < kSaved; ++i)
    EXPECT_EQ(ValueAt(chunk, i), source.GetParam(i)->mValue);

  StatePlug dest;
  for (int i = kSaved; i < kAll; ++i)
    dest.GetParam(i)->mValue = kSaved - i - 2;
  EXPECT_EQ(dest.ReadParams(&chunk, 0), kBlockBytes);
  for (int i = 0; i < kSaved; ++i)
    EXPECT_EQ(dest.GetParam(i)->mValue, source.GetParam(i)->mValue);
  for (int i = kSaved; i < kAll; ++i)
    EXPECT_EQ(dest.GetParam(i)->mValue, kSaved - i - 2);
  EXPECT_EQ(dest.mChanged, Indices(0, kSaved));
}

TEST(ParameterBlock, ReadsAtAnOffsetAndAnswersThePositionAfterIt) {
  StatePlug source;
  source.SetDistinctValues();
  ChunkBuffer chunk;
  chunk.Put((int32_t)10200); // a version word in front, as the VST2 chunk has it
  ASSERT_TRUE(source.WriteParams(&chunk));
  chunk.Put((int32_t)77); // trailing bytes are not the block's business
  StatePlug dest;
  EXPECT_EQ(dest.ReadParams(&chunk, 4), 4 + kBlockBytes);
  EXPECT_EQ(dest.GetParam(0)->mValue, 27);
  EXPECT_EQ(dest.GetParam(22)->mValue, 7 * 22 + 1);
}

TEST(ParameterBlock, OutOfRangeAndNotANumberAreClamped) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    int idx;
    double stored, restored;
  } cases[] = {
      {0, 28.0, 27.0}, {0, -1.0, 0.0},   {0, nan, 0.0},    {1, 0.0, 1.0},
      {1, 65.5, 64.0}, {1, -nan, 1.0},   {2, inf, 1000.0}, {3, -inf, 0.0},
      {9, 1.5, 1.0},   {9, -0.001, 0.0}, {9, 0.3, 0.3},    {4, 999.0, 999.0},
  };
  for (const Case& c : cases) {
    StatePlug plug;
    std::vector<double> block = plug.Values();
    block.resize(kSaved);
    block[c.idx] = c.stored;
    ChunkBuffer chunk;
    PutBlock(&chunk, block);
    EXPECT_EQ(plug.ReadParams(&chunk, 0), kBlockBytes);
    EXPECT_EQ(plug.GetParam(c.idx)->mValue, c.restored)
        << "parameter " << c.idx << " stored " << c.stored;
    EXPECT_EQ(plug.mChanged.size(), (size_t)kSaved);
  }
}

TEST(ParameterBlock, AShortBlockIsRefusedWholeAndChangesNothing) {
  // Sizes from empty to one byte short, read at 0 and behind a 4-byte prefix.
  const struct {
    int bytes, pos;
  } cases[] = {{0, 0},
               {8, 0},
               {20, 0},
               {kBlockBytes - 8, 0},
               {kBlockBytes - 1, 0},
               {kBlockBytes, 1},
               {kBlockBytes + 3, 4},
               {kBlockBytes, kBlockBytes + 4}};
  for (const auto& c : cases) {
    StatePlug plug;
    plug.SetDistinctValues();
    const std::vector<double> before = plug.Values();
    ChunkBuffer chunk;
    for (int i = 0; i < c.bytes; ++i)
      chunk.Put(true); // 0x01 bytes: nonsense values
    EXPECT_EQ(plug.ReadParams(&chunk, c.pos), -1) << c.bytes << " bytes at " << c.pos;
    EXPECT_EQ(plug.Values(), before) << c.bytes << " bytes at " << c.pos;
    EXPECT_TRUE(plug.mChanged.empty());
  }
}

TEST(ParameterBlock, NegativePositionOrNoChunkIsRefused) {
  StatePlug plug;
  ChunkBuffer chunk;
  PutBlock(&chunk, std::vector<double>(kSaved, 1.0));
  EXPECT_EQ(plug.ReadParams(&chunk, -1), -1);
  EXPECT_EQ(plug.ReadParams(nullptr, 0), -1);
  EXPECT_FALSE(plug.WriteParams(nullptr));
  EXPECT_TRUE(plug.mChanged.empty());
}

TEST(ParameterBlock, ARefusedValueIsSkippedButTheReadGoesOn) {
  StatePlug plug;
  plug.mRefused = {1, 5};
  ChunkBuffer chunk;
  PutBlock(&chunk, std::vector<double>(kSaved, 2.0));
  EXPECT_EQ(plug.ReadParams(&chunk, 0), kBlockBytes);
  EXPECT_EQ(plug.GetParam(1)->mValue, 16);
  EXPECT_EQ(plug.GetParam(5)->mValue, 50);
  EXPECT_EQ(plug.GetParam(6)->mValue, 2.0);
  EXPECT_EQ(plug.mChanged.size(), (size_t)kSaved - 2);
}

// ---- Preset operations --------------------------------------------------------------------------

// The state every format saves: the version, then the parameter block (188 bytes here),
// the same bytes a VST2 program chunk holds. A state that is short, long, of another
// version or holds a value that is not a number is refused whole and changes nothing.
TEST(SharedState, RoundTripsAndRefusesDamagedStatesWhole) {
  StatePlug source;
  source.GetParam(1)->SetClamped(33);
  source.GetParam(9)->SetClamped(0.125);
  ChunkBuffer saved;
  ASSERT_TRUE(source.SaveState(&saved));
  ASSERT_EQ(saved.Size(), 4 + kBlockBytes);
  int32_t version = 0;
  saved.Get(&version, 0);
  EXPECT_EQ(version, 10200);

  StatePlug target;
  ASSERT_TRUE(target.LoadState(saved.GetBytes(), saved.Size()));
  EXPECT_EQ(target.Values(), source.Values());
  EXPECT_EQ(target.mChanged.size(), (size_t)kSaved);

  const std::vector<unsigned char> good(saved.GetBytes(), saved.GetBytes() + saved.Size());
  auto withDouble = [&](int idx, double v) {
    std::vector<unsigned char> b = good;
    std::memcpy(&b[4 + 8 * idx], &v, 8);
    return b;
  };
  std::vector<unsigned char> otherVersion = good;
  otherVersion[0] ^= 1;
  std::vector<unsigned char> longer = good;
  longer.push_back(0);
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
  };
  const Case cases[] = {
      {"empty", {}},
      {"version only", std::vector<unsigned char>(good.begin(), good.begin() + 4)},
      {"one byte short", std::vector<unsigned char>(good.begin(), good.end() - 1)},
      {"one byte long", longer},
      {"another version", otherVersion},
      {"NaN", withDouble(5, std::numeric_limits<double>::quiet_NaN())},
      {"infinity", withDouble(22, std::numeric_limits<double>::infinity())},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StatePlug plug;
    const std::vector<double> before = plug.Values();
    EXPECT_FALSE(plug.LoadState(c.bytes.data(), (int)c.bytes.size()));
    EXPECT_EQ(plug.Values(), before);
    EXPECT_TRUE(plug.mChanged.empty());
  }
  StatePlug plug;
  EXPECT_FALSE(plug.LoadState(nullptr, 188));
}

TEST(Presets, PlaceholderAndDefaultNames) {
  StatePlug plug(4);
  EXPECT_STREQ(plug.GetPresetName(0), "- 1 -");
  EXPECT_STREQ(plug.GetPresetName(3), "- 4 -");
  EXPECT_STREQ(plug.GetPresetName(-1), "");
  EXPECT_STREQ(plug.GetPresetName(4), "");
  plug.AddDefaultPresets(nullptr, 2);
  plug.AddDefaultPresets("Mine", 5); // only two slots are left
  EXPECT_STREQ(plug.GetPresetName(0), "Default");
  EXPECT_STREQ(plug.GetPresetName(1), "Default");
  EXPECT_STREQ(plug.GetPresetName(2), "Mine");
  EXPECT_STREQ(plug.GetPresetName(3), "Mine");
  EXPECT_EQ(plug.Preset(3)->mChunk.Size(), 0);
}

TEST(Presets, NeverUsedSlotsBecomeUserPresetsAndKeepTheSound) {
  StatePlug plug(5);
  plug.AddDefaultPresets("Default", 1);
  plug.SetDistinctValues();
  const std::vector<double> before = plug.Values();

  EXPECT_TRUE(plug.LoadPreset(3));
  EXPECT_STREQ(plug.GetPresetName(3), "user preset 1");
  EXPECT_EQ(plug.CurrentPreset(), 3);
  EXPECT_EQ(plug.Values(), before);
  EXPECT_TRUE(plug.mChanged.empty());
  EXPECT_EQ(plug.Preset(3)->mChunk.Size(), 0);
  EXPECT_TRUE(plug.LoadPreset(2));
  EXPECT_STREQ(plug.GetPresetName(2), "user preset 2");

  // K counts every name that contains "user preset", whoever gave it.
  plug.StoreCurrentPreset("my user preset");
  EXPECT_TRUE(plug.LoadPreset(1));
  EXPECT_STREQ(plug.GetPresetName(1), "user preset 3");
  EXPECT_FALSE(plug.LoadPreset(5));
  EXPECT_FALSE(plug.LoadPreset(-1));
  EXPECT_EQ(plug.CurrentPreset(), 1);
}

TEST(Presets, AnEmptyInitialisedSlotCannotBeLoadedAndChangesNothing) {
  StatePlug plug(3);
  plug.AddDefaultPresets("Default", 1);
  plug.AddPreset("One", 1, 2, 3, 4, 5, 6, 7, 8, 9, 0.75, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                 22, 23, 1, 2, 3);
  ASSERT_TRUE(plug.LoadPreset(1));
  plug.mChanged.clear();
  const std::vector<double> before = plug.Values();
  // Selecting the still-empty default slot must not touch Rate or anything else.
  EXPECT_FALSE(plug.LoadPreset(0));
  EXPECT_EQ(plug.Values(), before);
  EXPECT_TRUE(plug.mChanged.empty());
  EXPECT_EQ(plug.CurrentPreset(), 1);

  // Once stored it loads like any other.
  ASSERT_TRUE(plug.LoadPresetByName("One"));
  plug.mChanged.clear();
  plug.StoreCurrentPreset(); // no name: keeps "One"
  EXPECT_STREQ(plug.GetPresetName(1), "One");
  EXPECT_EQ(plug.Preset(1)->mChunk.Size(), kBlockBytes);
}

TEST(Presets, AddPresetTakesIntsAndDoublesByKindAndLoadsTheSavedValues) {
  StatePlug plug(2);
  plug.SetDistinctValues();
  plug.AddPreset("P", 5, 2, 3, 4, 5, 6, 7, 8, 9, 0.75, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                 22, 23, -4, 4, -3);
  const ChunkBuffer& chunk = plug.Preset(0)->mChunk;
  ASSERT_EQ(chunk.Size(), kAll * 8);
  EXPECT_EQ(ValueAt(chunk, 0), 5.0);
  EXPECT_EQ(ValueAt(chunk, 9), 0.75);
  EXPECT_EQ(ValueAt(chunk, 25), -3.0);

  const std::vector<double> before = plug.Values();
  ASSERT_TRUE(plug.LoadPreset(0));
  EXPECT_EQ(plug.GetParam(0)->mValue, 5);
  EXPECT_EQ(plug.GetParam(9)->mValue, 0.75);
  EXPECT_EQ(plug.GetParam(22)->mValue, 23);
  for (int i = kSaved; i < kAll; ++i)
    EXPECT_EQ(plug.GetParam(i)->mValue, before[i]);
  EXPECT_EQ(plug.mChanged, Indices(0, kSaved));

  // With every slot in use another definition changes nothing.
  plug.AddPreset("Q", 1, 2, 3, 4, 5, 6, 7, 8, 9, 0.5, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                 22, 23, 0, 0, 0);
  plug.AddPreset("R", 1, 2, 3, 4, 5, 6, 7, 8, 9, 0.5, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                 22, 23, 0, 0, 0);
  EXPECT_STREQ(plug.GetPresetName(0), "P");
  EXPECT_STREQ(plug.GetPresetName(1), "Q");
  EXPECT_EQ(plug.NPresets(), 2);
}

TEST(Presets, LoadByNameIsExactAndTakesTheFirstMatch) {
  StatePlug plug(4);
  plug.AddPreset("Twin", 1, 2, 3, 4, 5, 6, 7, 8, 9, 0.25, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                 21, 22, 23, 0, 0, 0);
  plug.AddPreset("Twin", 2, 2, 3, 4, 5, 6, 7, 8, 9, 0.25, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                 21, 22, 23, 0, 0, 0);
  EXPECT_FALSE(plug.LoadPresetByName("twin"));
  EXPECT_FALSE(plug.LoadPresetByName("Twin "));
  EXPECT_FALSE(plug.LoadPresetByName(""));
  EXPECT_FALSE(plug.LoadPresetByName(nullptr));
  EXPECT_TRUE(plug.mChanged.empty());
  EXPECT_TRUE(plug.LoadPresetByName("Twin"));
  EXPECT_EQ(plug.CurrentPreset(), 0);
  EXPECT_EQ(plug.GetParam(0)->mValue, 1);
}

TEST(Presets, RemoveEmptyPresetsKeepsOrderAndTheCurrentPreset) {
  StatePlug plug(6);
  plug.AddDefaultPresets("A", 1);
  plug.LoadPreset(3);             // "user preset 1"
  plug.AddDefaultPresets("B", 1); // slot 1; slots 2, 4 and 5 stay empty
  plug.RemoveEmptyPresets();
  ASSERT_EQ(plug.NPresets(), 3);
  EXPECT_STREQ(plug.GetPresetName(0), "A");
  EXPECT_STREQ(plug.GetPresetName(1), "B");
  EXPECT_STREQ(plug.GetPresetName(2), "user preset 1");
  EXPECT_EQ(plug.CurrentPreset(), 2);
}

// ---- Presets block ------------------------------------------------------------------------------

TEST(PresetsBlock, RoundTripKeepsNamesDataAndTheCurrentSound) {
  StatePlug source(5);
  source.AddDefaultPresets("Default", 1); // initialised, nothing stored yet
  source.AddPreset("Factory", 4, 2, 3, 4, 5, 6, 7, 8, 9, 0.25, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                   20, 21, 22, 23, 1, 1, 1);
  source.SetDistinctValues();
  source.LoadPreset(3);        // a user slot ...
  source.StoreCurrentPreset(); // ... that holds the distinct values
  ChunkBuffer chunk;
  ASSERT_TRUE(source.WritePresets(&chunk));

  StatePlug dest(5);
  dest.AddDefaultPresets("Default", 1);
  dest.GetParam(1)->mValue = 33;
  const std::vector<double> before = dest.Values();
  EXPECT_EQ(dest.ReadPresets(&chunk, 0), chunk.Size());

  for (int i = 0; i < 5; ++i)
    EXPECT_STREQ(dest.GetPresetName(i), source.GetPresetName(i));
  EXPECT_STREQ(dest.GetPresetName(3), "user preset 1");
  EXPECT_EQ(dest.Preset(0)->mChunk.Size(), 0);
  EXPECT_FALSE(dest.Preset(2)->mInitialized);
  for (int p : {1, 3}) {
    ASSERT_TRUE(dest.Preset(p)->mInitialized) << p;
    ASSERT_EQ(dest.Preset(p)->mChunk.Size(), kBlockBytes) << p;
    for (int i = 0; i < kSaved; ++i)
      EXPECT_EQ(ValueAt(dest.Preset(p)->mChunk, i), ValueAt(source.Preset(p)->mChunk, i));
  }
  // The current preset (the default slot) holds nothing: the sound stays as it was.
  EXPECT_EQ(dest.Values(), before);
  EXPECT_EQ(dest.CurrentPreset(), 0);

  // Loading a restored preset gives what was stored.
  ASSERT_TRUE(dest.LoadPreset(3));
  for (int i = 0; i < kSaved; ++i)
    EXPECT_EQ(dest.GetParam(i)->mValue, source.GetParam(i)->mValue);
}

TEST(PresetsBlock, AnEmptyNameRecordKeepsTheSlotName) {
  ChunkBuffer chunk;
  chunk.PutStr("Loud");
  chunk.Put(true);
  PutBlock(&chunk, std::vector<double>(kSaved, 1.0));
  chunk.PutStr(""); // no name, no data
  chunk.Put(false);

  StatePlug plug(2);
  plug.AddDefaultPresets("Default", 1);
  EXPECT_EQ(plug.ReadPresets(&chunk, 0), chunk.Size());
  EXPECT_STREQ(plug.GetPresetName(0), "Loud");
  EXPECT_STREQ(plug.GetPresetName(1), "- 2 -");
}

TEST(PresetsBlock, ANeverUsedCurrentSlotKeepsTheSoundAndBecomesAUserPreset) {
  ChunkBuffer chunk;
  chunk.PutStr("- 1 -");
  chunk.Put(false);
  chunk.PutStr("Loud");
  chunk.Put(true);
  PutBlock(&chunk, std::vector<double>(kSaved, 1.0));

  StatePlug plug(2); // the current slot 1 was never used
  plug.SetDistinctValues();
  const std::vector<double> before = plug.Values();
  EXPECT_EQ(plug.ReadPresets(&chunk, 0), chunk.Size());
  EXPECT_STREQ(plug.GetPresetName(0), "user preset 1");
  EXPECT_TRUE(plug.Preset(0)->mInitialized);
  EXPECT_EQ(plug.Values(), before);
  EXPECT_EQ(plug.CurrentPreset(), 0);
}

TEST(PresetsBlock, ACutBlockStopsWithFailureAndKeepsTheSound) {
  StatePlug source(3);
  source.AddDefaultPresets("Default", 1);
  source.AddPreset("A", 4, 2, 3, 4, 5, 6, 7, 8, 9, 0.25, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                   22, 23, 0, 0, 0);
  source.AddPreset("B", 5, 2, 3, 4, 5, 6, 7, 8, 9, 0.25, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                   22, 23, 0, 0, 0);
  ChunkBuffer full;
  ASSERT_TRUE(source.WritePresets(&full));
  ChunkBuffer cut; // ends inside the values of "B"
  cut.PutBytes(full.GetBytes(), full.Size() - 100);

  StatePlug dest(3);
  dest.AddDefaultPresets("Default", 1);
  dest.SetDistinctValues();
  const std::vector<double> before = dest.Values();
  EXPECT_EQ(dest.ReadPresets(&cut, 0), -1);
  EXPECT_STREQ(dest.GetPresetName(1), "A");
  EXPECT_TRUE(dest.Preset(1)->mInitialized);
  EXPECT_STREQ(dest.GetPresetName(2), "B");
  EXPECT_FALSE(dest.Preset(2)->mInitialized);
  EXPECT_EQ(dest.Values(), before);
}

} // namespace
