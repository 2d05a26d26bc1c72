// corvanel-render's command line and the transport it reports to the plug-in.
#include "Options.h"
#include "Transport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

bool Parse(std::vector<const char*> args, RenderOptions* out, std::string* error) {
  args.insert(args.begin(), "corvanel-render");
  return ParseOptions((int)args.size(), args.data(), out, error);
}

TEST(RenderOptions, ParsesEveryOption) {
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"in.flac",     "-o",
                     "out.wav",     "--tempo",
                     "97.5",        "--block=64",
                     "--start",     "-1000",
                     "--preset",    "House",
                     "--set",       "Rate = 1/8T",
                     "--set",       "Target=Low - High",
                     "--pattern",   "4040 2222/1234",
                     "--state-in",  "a.bin",
                     "--state-out", "b.bin",
                     "--double",    "--pcm24",
                     "--plugin",    "x.so",
                     "--quiet"},
                    &o, &error))
      << error;
  EXPECT_EQ(o.input, "in.flac");
  EXPECT_EQ(o.output, "out.wav");
  EXPECT_EQ(o.tempo, 97.5);
  EXPECT_EQ(o.blockSize, 64);
  EXPECT_EQ(o.startPosition, -1000);
  EXPECT_EQ(o.preset, "House");
  ASSERT_EQ(o.settings.size(), 2u);
  EXPECT_EQ(o.settings[0].name, "Rate");
  EXPECT_EQ(o.settings[0].value, "1/8T");
  EXPECT_EQ(o.settings[1].value, "Low - High");
  EXPECT_TRUE(o.hasPattern);
  EXPECT_EQ(o.patternTimes, "4040 2222");
  EXPECT_EQ(o.patternVolumes, "1234");
  EXPECT_EQ(o.stateIn, "a.bin");
  EXPECT_EQ(o.stateOut, "b.bin");
  EXPECT_TRUE(o.useDouble && o.quiet);
  EXPECT_EQ(o.format, SampleFormat::kPcm24);
  EXPECT_EQ(o.plugin, "x.so");
}

TEST(RenderOptions, DefaultsRenderTheDemo) {
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(Parse({}, &o, &error));
  EXPECT_TRUE(o.input.empty());
  EXPECT_EQ(o.tempo, 120.0);
  EXPECT_EQ(o.sampleRate, 44100);
  EXPECT_EQ(o.blockSize, 512);
  EXPECT_EQ(o.startPosition, 0);
  EXPECT_EQ(o.format, SampleFormat::kFloat32);
}

TEST(RenderOptions, RejectsBadInputWithOneMessage) {
  const std::vector<std::vector<const char*>> cases = {
      {"--bogus"},
      {"--tempo"},
      {"--tempo", "0"},
      {"--tempo", "fast"},
      {"--tempo", "1000"},
      {"--sample-rate", "0"},
      {"--sample-rate", "44100.5"},
      {"--block", "0"},
      {"--block", "-5"},
      {"--block", "2097152"},
      {"--start", "1.5"},
      {"--start", "3000000000"},
      {"--set", "Rate"},
      {"--set", "=5"},
      {"--set", "Rate="},
      {"--pattern", "1234"},
      {"--pattern", "12/34/5"},
      {"--pattern", "1235/"},
      {"--pattern", "12a4/4444"},
      {"--pattern", "/11111111111111111111111111111111111111111111111111111111111111111"},
      {"a.wav", "b.wav"},
      {"in.wav", "--sample-rate", "48000"},
      {"--double=yes"},
      {"-o"},
  };
  for (const auto& args : cases) {
    RenderOptions o;
    std::string error;
    EXPECT_FALSE(Parse(args, &o, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(RenderOptions, OutputNameFollowsTheInputStem) {
  EXPECT_EQ(DefaultOutputPath(""), "corvanel-demo.wav");
  EXPECT_EQ(DefaultOutputPath("take.flac"), "take-corvanel.wav");
  EXPECT_EQ(DefaultOutputPath("dir.v2/take"), "dir.v2/take-corvanel.wav");
  EXPECT_EQ(DefaultOutputPath("a/b.c/take.mix.wav"), "a/b.c/take.mix-corvanel.wav");
  EXPECT_EQ(DefaultOutputPath("dir/.hidden"), "dir/.hidden-corvanel.wav");
}

TEST(RenderTransport, ReportsPositionTempoBarAndFlags) {
  TransportState s;
  s.sampleRate = 48000;
  s.tempo = 90;
  s.playing = true;
  struct Case {
    int64_t pos;
    double ppq, barStart;
  };
  // 90 BPM at 48 kHz: one quarter note is 32000 samples, a 4/4 bar 128000.
  const Case cases[] = {{0, 0, 0},         {32000, 1, 0},      {128000, 4, 4},
                        {200000, 6.25, 4}, {-16000, -0.5, -4}, {-128000, -4, -4}};
  for (const Case& c : cases) {
    s.samplePos = c.pos;
    VstTimeInfo t;
    FillTimeInfo(s, 0.0, &t);
    EXPECT_EQ(t.samplePos, (double)c.pos);
    EXPECT_EQ(t.sampleRate, 48000.0);
    EXPECT_EQ(t.tempo, 90.0);
    EXPECT_DOUBLE_EQ(t.ppqPos, c.ppq);
    EXPECT_DOUBLE_EQ(t.barStartPos, c.barStart);
    EXPECT_EQ(t.timeSigNumerator, 4);
    EXPECT_EQ(t.timeSigDenominator, 4);
    const VstInt32 all = kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                         kVstCyclePosValid | kVstTimeSigValid | kVstSmpteValid | kVstClockValid;
    EXPECT_EQ(t.flags, all | kVstTransportPlaying);
  }
  // Half a quarter note past a MIDI clock at 24 per quarter: 32000 / 24 / 2 samples.
  s.samplePos = 32000 + 32000 / 48;
  VstTimeInfo t;
  FillTimeInfo(s, 0.0, &t);
  EXPECT_EQ(t.samplesToNextClock, 667);
  s.playing = false;
  s.changed = true;
  FillTimeInfo(s, 0.0, &t);
  EXPECT_FALSE(t.flags & kVstTransportPlaying);
  EXPECT_TRUE(t.flags & kVstTransportChanged);
}

} // namespace
