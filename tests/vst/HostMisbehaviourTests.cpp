// Hosts that do what the VST2 interface never promised: blocks before resuming, blocks
// of odd sizes, time info that is missing or nonsense, sample rates that make no sense,
// editor calls without an editor, indices out of range, chunks of any length. The real
// library takes each through its entry point and must come out alive: every output of
// a block with finite input is finite, every parameter stays a finite value in 0..1,
// and ordinary blocks afterwards are processed as before.
#include "VstInstance.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kQuietNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// An index a 64-bit host may pass that no 32-bit field holds (INT_MAX where the host
// value itself is 32 bits).
constexpr VstIntPtr kBeyond32Bits =
    sizeof(VstIntPtr) > 4 ? (VstIntPtr)(INT64_C(1) << 40) : (VstIntPtr)INT_MAX;

enum class Input { kSignal, kNaN, kInfinite, kDenormal };

// One misbehaving host around one instance, created but not yet opened.
class Script {
public:
  Script() : mPlug(false) {}

  void Open() { mPlug.Open(); }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return mPlug.Dispatch(opcode, index, value, ptr, opt);
  }

  // One block through processReplacing (or processDoubleReplacing) at the host's current
  // time info, which then moves on by the block (as a playing host's would). Outputs of a
  // block whose input is finite must all be finite.
  void Block(int frames, Input input = Input::kSignal, bool asDouble = false) {
    const int n = frames > 0 ? frames : 0;
    std::vector<double> in[2] = {std::vector<double>(n), std::vector<double>(n)};
    for (int i = 0; i < n; ++i) {
      const double t = (double)(mFrames + i);
      in[0][i] = 0.5 * std::sin(0.013 * t);
      in[1][i] = 0.4 * std::cos(0.021 * t) + 0.1;
      if (input == Input::kNaN && i % 7 == 3) in[i % 2][i] = kQuietNaN;
      if (input == Input::kInfinite && i % 5 == 1) in[i % 2][i] = i % 3 ? kInf : -kInf;
      if (input == Input::kDenormal) in[0][i] = in[1][i] = (i % 2 ? 1 : -1) * 1e-40;
    }
    bool finite = true;
    if (asDouble) {
      std::vector<double> out[2] = {std::vector<double>(n, 7.0), std::vector<double>(n, 7.0)};
      double* inPtrs[2] = {in[0].data(), in[1].data()};
      double* outPtrs[2] = {out[0].data(), out[1].data()};
      mPlug.mEffect->processDoubleReplacing(mPlug.mEffect, inPtrs, outPtrs, frames);
      for (const auto& ch : out)
        for (double v : ch)
          finite = finite && std::isfinite(v);
    } else {
      std::vector<float> fin[2] = {std::vector<float>(n), std::vector<float>(n)};
      for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < n; ++i)
          fin[ch][i] = (float)in[ch][i];
      std::vector<float> out[2] = {std::vector<float>(n, 7.0f), std::vector<float>(n, 7.0f)};
      float* inPtrs[2] = {fin[0].data(), fin[1].data()};
      float* outPtrs[2] = {out[0].data(), out[1].data()};
      mPlug.mEffect->processReplacing(mPlug.mEffect, inPtrs, outPtrs, frames);
      for (const auto& ch : out)
        for (float v : ch) {
          finite = finite && std::isfinite(v);
          if (v != 0.0f && v != 7.0f) ++mHeard;
        }
    }
    if (input != Input::kNaN && input != Input::kInfinite && !finite) ++mNonFiniteBlocks;
    mFrames += n;
    VstTimeInfo& t = mHost.mTime;
    t.samplePos += n;
    t.ppqPos += n * t.tempo / (60.0 * t.sampleRate);
  }

  // `count` ordinary blocks of 512.
  void Blocks(int count) {
    for (int b = 0; b < count; ++b)
      Block(512);
  }

  // Whether every parameter is a finite normalised value.
  bool ParamsInRange() {
    for (float v : mPlug.AllParams())
      if (!(v >= 0.0f && v <= 1.0f)) return false;
    return true;
  }

  // Back to an ordinary host: 44.1 kHz, 120 BPM, playing from a bar line, blocks of 512.
  // The plug-in must process them and be heard.
  void ExpectAlive() {
    mHost.mGivesTime = true;
    RecordingHost fresh;
    mHost.mTime = fresh.mTime;
    mFrames = 0;
    Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(effSetBlockSize, 0, 512);
    Dispatch(effMainsChanged, 0, 1);
    mHeard = 0;
    Blocks(32);
    EXPECT_EQ(mNonFiniteBlocks, 0) << "blocks with finite input gave non-finite output";
    EXPECT_GT(mHeard, 0) << "nothing was heard from ordinary blocks afterwards";
    EXPECT_TRUE(ParamsInRange());
  }

  RecordingHost mHost;
  Instance mPlug;
  int mNonFiniteBlocks = 0;
  long long mHeard = 0;
  long long mFrames = 0;
};

struct Misbehaviour {
  const char* mName;
  std::function<void(Script&)> mRun;
};

// Each row opens the instance itself (or does not) and then misbehaves.
const std::vector<Misbehaviour>& Rows() {
  static const std::vector<Misbehaviour> rows = {
      {"blocks before effOpen and before resuming",
       [](Script& s) {
         s.Block(512);
         s.Dispatch(effOpen);
         s.Block(300);
         s.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
         s.Block(700, Input::kSignal, true);
         s.Dispatch(effMainsChanged, 0, 1);
         s.Block(64);
         s.Dispatch(effMainsChanged, 0, 0);
         s.Block(64); // after suspending
       }},
      {"zero-frame, negative and one-frame blocks",
       [](Script& s) {
         s.Open();
         for (int n : {0, 1, 0, -5, 1, INT_MIN, 2, 0})
           s.Block(n);
       }},
      {"blocks far longer than the announced block size",
       [](Script& s) {
         s.Open();
         s.Dispatch(effSetBlockSize, 0, 64);
         s.Block(100000);
         s.Block(70000, Input::kSignal, true);
         s.Dispatch(effSetBlockSize, 0, 1 << 30); // held to the largest size
         s.Block(200000);
         s.Dispatch(effSetBlockSize, 0, 1);
         s.Block(3000);
       }},
      {"block sizes and announced sizes changing every call",
       [](Script& s) {
         s.Open();
         std::mt19937 random(17);
         for (int b = 0; b < 300; ++b) {
           if (b % 3 == 0) s.Dispatch(effSetBlockSize, 0, (VstIntPtr)(random() % 5000) - 100);
           s.Block((int)(random() % 4097), Input::kSignal, b % 2 == 1);
         }
       }},
      {"no time info at all",
       [](Script& s) {
         s.mHost.mGivesTime = false;
         s.Open();
         s.Blocks(40);
       }},
      {"time info that comes and goes",
       [](Script& s) {
         s.Open();
         for (int b = 0; b < 40; ++b) {
           s.mHost.mGivesTime = b % 3 != 0;
           s.Block(512);
         }
       }},
      {"tempo zero, negative, NaN, infinite, huge and tiny",
       [](Script& s) {
         s.Open();
         for (double tempo : {0.0, -120.0, kQuietNaN, kInf, -kInf, 1e300, 1e9, 1e-300, 4e-7, 120.0,
                              0.0, 300.0, kQuietNaN, 60.0}) {
           s.mHost.mTime.tempo = tempo;
           s.Blocks(4);
         }
       }},
      {"tempo flags without tempo, musical position without tempo",
       [](Script& s) {
         s.Open();
         s.mHost.mTime.flags = kVstTransportPlaying | kVstPpqPosValid;
         s.Blocks(8);
         s.mHost.mTime.flags = kVstTransportPlaying | kVstTempoValid;
         s.mHost.mTime.tempo = 0.0;
         s.Blocks(8);
       }},
      {"sample positions NaN, infinite, negative and past 2^31",
       [](Script& s) {
         s.Open();
         for (double pos : {kQuietNaN, kInf, -kInf, -1.0, -1e6, 2147483647.0, 2147483648.0,
                            2147483900.0, 4294967296.0 + 5.0, 1e18, 1e300, 9.2e18, 0.0}) {
           s.mHost.mTime.samplePos = pos;
           s.Blocks(3);
         }
       }},
      {"musical positions NaN, infinite and huge",
       [](Script& s) {
         s.Open();
         for (double ppq :
              {kQuietNaN, kInf, -kInf, -1e20, 1e20, 1e12, -1e12, 1099511627776.0 * 4, -0.5, 0.0}) {
           s.mHost.mTime.ppqPos = ppq;
           s.Blocks(3);
         }
       }},
      {"positions that jump on every block",
       [](Script& s) {
         s.Open();
         std::mt19937 random(5);
         for (int b = 0; b < 200; ++b) {
           s.mHost.mTime.samplePos = (double)(random() % 100000000) - 1000.0;
           s.mHost.mTime.ppqPos = (double)(int)(random() % 20000) / 7.0 - 100.0;
           s.mHost.mTime.flags ^= b % 5 == 0 ? kVstTransportPlaying : 0;
           s.Block(256);
         }
       }},
      {"NaN and infinite input, then ordinary input",
       [](Script& s) {
         s.Open();
         for (int target = 0; target < 4; ++target) {
           s.mPlug.Set(8, target / 3.0f); // every band target runs the split filter
           s.Block(512, Input::kNaN);
           s.Block(512);
           s.Block(512, Input::kInfinite, true);
           s.Block(512, Input::kSignal, true);
         }
       }},
      {"denormal input",
       [](Script& s) {
         s.Open();
         for (int target = 0; target < 4; ++target) {
           s.mPlug.Set(8, target / 3.0f);
           s.Block(2048, Input::kDenormal);
           s.Block(2048, Input::kDenormal, true);
         }
       }},
      {"sample-rate changes between blocks while resumed",
       [](Script& s) {
         s.Open();
         for (float rate :
              {48000.0f, 96000.0f, 8000.0f, 192000.0f, 1.0f, 1e-30f, 1e30f, 3.4e38f, 22050.0f}) {
           s.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
           s.Blocks(3);
         }
       }},
      {"sample rates zero, NaN, infinite and negative",
       [](Script& s) {
         s.Open();
         for (float rate : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(), -0.0f}) {
           s.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
           s.Block(512);
         }
         s.mHost.mTime.sampleRate = kQuietNaN; // the host's own idea of its rate
         s.Block(512);
         s.mHost.mTime.sampleRate = 0.0;
         s.Block(512);
       }},
      {"editor idle and close without an open editor",
       [](Script& s) {
         s.Open();
         for (int i = 0; i < 3; ++i) {
           s.Dispatch(effEditIdle);
           s.Dispatch(effEditClose);
           s.Block(512);
         }
         ERect* rect = nullptr;
         s.Dispatch(effEditGetRect, 0, 0, &rect);
         s.Dispatch(effEditClose);
         s.Dispatch(effEditIdle);
       }},
      {"parameter indices out of range",
       [](Script& s) {
         s.Open();
         const std::vector<float> before = s.mPlug.AllParams();
         for (VstInt32 index : {-1, kAllParams, kAllParams + 1, 1000, INT_MAX, INT_MIN}) {
           char text[256] = "0.5";
           s.mPlug.Set(index, 0.5f);
           EXPECT_EQ(s.mPlug.Get(index), 0.0f) << index;
           for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay,
                                   effCanBeAutomated, effString2Parameter})
             EXPECT_EQ(s.Dispatch(opcode, index, 0, text), 0) << "opcode " << opcode;
           for (VstInt32 request : {effGetParamDisplay, effGetParamName, effString2Parameter})
             EXPECT_EQ(s.Dispatch(effVendorSpecific, request, index, text, 0.5f), 0);
           s.Dispatch(effVendorSpecific, effString2Parameter, kBeyond32Bits, text);
         }
         EXPECT_EQ(s.mPlug.AllParams(), before);
         s.Block(512);
       }},
      {"program numbers out of range",
       [](Script& s) {
         s.Open();
         s.Dispatch(effSetProgram, 0, 3);
         const std::vector<float> before = s.mPlug.AllParams();
         const std::string name = s.mPlug.Text(effGetProgramName);
         for (VstIntPtr program : {(VstIntPtr)-1, (VstIntPtr)kPrograms, (VstIntPtr)kPrograms + 1,
                                   (VstIntPtr)INT_MAX, (VstIntPtr)INT_MIN, kBeyond32Bits}) {
           s.Dispatch(effSetProgram, 0, program);
           if (program != (VstInt32)program) continue; // the index is 32 bits
           char text[256] = "untouched";
           EXPECT_EQ(s.Dispatch(effGetProgramNameIndexed, (VstInt32)program, 0, text), 0);
           EXPECT_STREQ(text, "untouched");
         }
         EXPECT_EQ(s.Dispatch(effGetProgram), 3);
         EXPECT_EQ(s.mPlug.Text(effGetProgramName), name);
         EXPECT_EQ(s.mPlug.AllParams(), before);
         s.Block(512);
       }},
  };
  return rows;
}

class HostMisbehaviourTest : public ::testing::TestWithParam<size_t> {
protected:
  void SetUp() override { ASSERT_TRUE(BuiltPlugin().IsLoaded()) << BuiltPlugin().Error(); }
};

TEST_P(HostMisbehaviourTest, PlugInStaysAliveWithFiniteOutput) {
  const Misbehaviour& row = Rows()[GetParam()];
  SCOPED_TRACE(row.mName);
  Script s;
  ASSERT_NE(s.mPlug.mEffect, nullptr);
  row.mRun(s);
  EXPECT_EQ(s.mNonFiniteBlocks, 0) << "while misbehaving";
  EXPECT_TRUE(s.ParamsInRange());
  s.ExpectAlive();
}

INSTANTIATE_TEST_SUITE_P(Rows, HostMisbehaviourTest, ::testing::Range<size_t>(0, Rows().size()),
                         [](const ::testing::TestParamInfo<size_t>& row) {
                           std::string name;
                           for (const char* c = Rows()[row.param].mName; *c; ++c) {
                             if (std::isalnum((unsigned char)*c))
                               name += *c;
                             else if (*c == ' ' && c[1])
                               name += '_';
                           }
                           return std::to_string(row.param) + "_" + name.substr(0, 40);
                         });

// Chunks of every length up to past a whole one, for the program and the bank: a prefix
// of the real chunk, the real chunk with a random tail, and random bytes. Each is applied
// (every value then in range) or refused; a refused chunk changes neither a parameter,
// nor the program, nor what the next effGetChunk hands out.
TEST(HostChunkTest, EveryLengthIsAppliedOrRefusedWithoutLosingTheState) {
  ASSERT_TRUE(BuiltPlugin().IsLoaded()) << BuiltPlugin().Error();
  Script s;
  s.Open();
  s.Dispatch(effSetProgram, 0, 7);
  std::mt19937 random(2024);
  for (int index : {0, 1}) {
    SCOPED_TRACE(index == 0 ? "bank" : "program");
    const std::vector<unsigned char> saved = s.mPlug.Chunk(index);
    ASSERT_GT(saved.size(), 8u);
    const int longest = (int)saved.size() + 64;
    int applied = 0, refused = 0;
    for (int len = 0; len <= longest; ++len) {
      for (int kind = 0; kind < 3; ++kind) {
        std::vector<unsigned char> bytes(len);
        for (int i = 0; i < len; ++i) {
          const bool fromSaved = kind == 0 || (kind == 1 && i < (int)saved.size() / 2);
          bytes[i] = fromSaved && i < (int)saved.size() ? saved[i] : (unsigned char)random();
        }
        const std::vector<float> before = s.mPlug.AllParams();
        const std::vector<unsigned char> chunkBefore = s.mPlug.Chunk(index);
        const VstIntPtr program = s.Dispatch(effGetProgram);
        if (s.mPlug.SetChunk(index, bytes) == 1) {
          ++applied;
          ASSERT_TRUE(s.ParamsInRange()) << "length " << len << " kind " << kind;
          if (kind == 0 && len >= (int)saved.size()) {
            ASSERT_EQ(s.mPlug.Chunk(index), saved) << "length " << len;
          }
        } else {
          ++refused;
          ASSERT_EQ(s.mPlug.AllParams(), before) << "length " << len << " kind " << kind;
          ASSERT_EQ(s.mPlug.Chunk(index), chunkBefore) << "length " << len << " kind " << kind;
          ASSERT_EQ(s.Dispatch(effGetProgram), program);
          ASSERT_FALSE(kind == 0 && len >= (int)saved.size()) << "the whole chunk was refused";
        }
        if (len % 16 == 0) s.Block(128);
      }
      // Back to the saved state for the next length.
      ASSERT_EQ(s.mPlug.SetChunk(index, saved), 1);
    }
    EXPECT_GT(applied, 0);
    EXPECT_GT(refused, 0);
  }
  EXPECT_EQ(s.mNonFiniteBlocks, 0);
  s.ExpectAlive();
}

} // namespace
