// corvanel-render run as a program: the host behaviour read back through a probe
// plug-in, every bad input as a table, and end-to-end renders with the real plug-in.
#include "RunRenderTool.h"
#include "TestAudioFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct RunResult {
  int exitCode = -1;
  std::string out, err;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWav(const std::string& path, int channels, int rate, int64_t frames) {
  ASSERT_TRUE(WriteTestWav(path, channels, rate, frames, [](int64_t i, int c) {
    return 0.5f * (float)std::sin(0.031 * (double)i * (c + 1)) + 0.1f;
  }));
}

class RenderTool : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/corvanel-render-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mDir = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + mDir + "'").c_str()); }

  std::string Path(const std::string& name) const { return mDir + "/" + name; }

  std::set<std::string> Files() const {
    std::set<std::string> names;
    DIR* d = opendir(mDir.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
      if (e->d_name[0] != '.' || (e->d_name[1] != '\0' && e->d_name[1] != '.'))
        names.insert(e->d_name);
    if (d) closedir(d);
    return names;
  }

  // Runs the tool in the test folder with stdout and stderr captured.
  RunResult Run(const std::vector<std::string>& args) {
    RunResult r;
    const std::string outPath = mDir + "/../" + mDir.substr(5) + ".out";
    const std::string errPath = mDir + "/../" + mDir.substr(5) + ".err";
    r.exitCode = RunRenderTool(args, mDir.c_str(), outPath.c_str(), errPath.c_str());
    r.out = ReadAll(outPath);
    r.err = ReadAll(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return r;
  }

  std::string mDir;
};

// ---- Host behaviour, read back through the probe plug-in -------------------------------

TEST_F(RenderTool, FeedsEachBlockItsPositionAndTheTempo) {
  WriteWav(Path("in.wav"), 2, 48000, 5000);
  struct Case {
    const char* block;
    const char* start;
    const char* tempo;
    bool useDouble;
  };
  const Case cases[] = {{"512", "0", "120", false},
                        {"333", "-700", "97.5", false},
                        {"1", "123456", "60", true},
                        {"4096", "-1", "174", true}};
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--plugin", PROBE_PLUGIN, "--block", c.block,
                                     "--start",  c.start,      "--tempo", c.tempo,
                                     "in.wav",   "-o",         "out.wav"};
    if (c.useDouble) args.push_back("--double");
    const RunResult r = Run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    TestAudio out;
    ASSERT_TRUE(ReadTestAudio(Path("out.wav"), &out));
    ASSERT_EQ(out.channels, 2);
    ASSERT_EQ(out.sampleRate, 48000);
    ASSERT_EQ(out.Frames(), 5000);
    EXPECT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    const double start = std::atof(c.start), tempo = std::atof(c.tempo);
    for (int64_t i = 0; i < out.Frames(); ++i) {
      ASSERT_EQ(out.samples[(size_t)(2 * i)], (float)(start + (double)i))
          << "frame " << i << " block " << c.block;
      ASSERT_EQ(out.samples[(size_t)(2 * i + 1)], (float)tempo) << "frame " << i;
    }
  }
}

TEST_F(RenderTool, MonoInputGivesMonoOutputAndStateRoundTrips) {
  WriteWav(Path("mono.aiff"), 1, 22050, 100);
  const RunResult r = Run({"--plugin", PROBE_PLUGIN, "--set", "Amount=37", "--set", "mode=On",
                           "--state-out", "s.bin", "--pcm16", "mono.aiff"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  TestAudio out;
  ASSERT_TRUE(ReadTestAudio(Path("mono-corvanel.wav"), &out));
  EXPECT_EQ(out.channels, 1);
  EXPECT_EQ(out.Frames(), 100);
  EXPECT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_NE(r.out.find("mono-corvanel.wav"), std::string::npos) << r.out;

  const RunResult list = Run({"--plugin", PROBE_PLUGIN, "--state-in", "s.bin", "--list-params"});
  ASSERT_EQ(list.exitCode, 0) << list.err;
  EXPECT_NE(list.out.find("Amount       0..100"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("37"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("0..1 (Off..On)"), std::string::npos) << list.out;
}

// ---- Every bad input: non-zero exit, one message, no output -----------------------------

TEST_F(RenderTool, BadInputGetsOneMessageAndNoOutput) {
  WriteWav(Path("in.wav"), 2, 44100, 1000);
  { std::ofstream(Path("notaudio.wav")) << "this is no audio file\n"; }
  { std::ofstream(Path("garbage.bin")) << "no state of this plug-in"; }
  { std::ofstream(Path("fake.so")) << "no shared library"; }
  const std::set<std::string> before = Files();

  struct Case {
    std::vector<std::string> args;
    const char* messagePart;
  };
  const std::string probe = PROBE_PLUGIN;
  const std::vector<Case> cases = {
      {{"missing.wav"}, "missing.wav"},
      {{"notaudio.wav"}, "notaudio.wav"},
      {{"in.wav", "--frobnicate"}, "unknown option"},
      {{"in.wav", "--set", "Volume=3"}, "unknown parameter 'Volume'"},
      {{"in.wav", "--set", "Mode=Maybe"}, "Off, On"},
      {{"in.wav", "--set", "Amount=101"}, "out of range 0..100"},
      {{"in.wav", "--set", "Amount=-1"}, "out of range"},
      {{"in.wav", "--set", "Amount=2.5"}, "whole numbers"},
      {{"in.wav", "--pattern", "1234/12/3"}, "--pattern"},
      {{"in.wav", "--pattern", "1239/"}, "--pattern"},
      {{"in.wav", "--pattern", "1234/"}, "step-word"},
      {{"in.wav", "--preset", "Loudest"}, "unknown preset"},
      {{"in.wav", "--preset", "3"}, "out of range 1..2"},
      {{"in.wav", "--state-in", "garbage.bin"}, "refused the state"},
      {{"in.wav", "--state-in", "nothing.bin"}, "nothing.bin"},
      {{"--sample-rate", "0"}, "--sample-rate"},
      {{"in.wav", "--block", "0"}, "--block"},
      {{"in.wav", "--tempo", "0"}, "--tempo"},
      {{"in.wav", "-o", "in.wav"}, "overwrite the input"},
      {{"in.wav", "-o", "no/such/dir/out.wav"}, "out.wav"},
      {{"in.wav", "--plugin", "fake.so"}, "cannot load"},
      {{"in.wav", "--plugin", "none.so"}, "not found"},
      {{"in.wav", "--plugin", NOENTRY_PLUGIN}, "no VSTPluginMain"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    bool hasPlugin = false;
    for (const std::string& a : args)
      hasPlugin = hasPlugin || a == "--plugin";
    if (!hasPlugin) args.insert(args.end(), {"--plugin", probe});
    const RunResult r = Run(args);
    const std::string what =
        args[0] + " " + (args.size() > 1 ? args[1] : "") + " " + (args.size() > 2 ? args[2] : "");
    EXPECT_NE(r.exitCode, 0) << what;
    EXPECT_EQ(r.err.rfind("corvanel-render: ", 0), 0u) << what << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << ": " << r.err;
    EXPECT_NE(r.err.find(c.messagePart), std::string::npos) << what << ": " << r.err;
    EXPECT_EQ(Files(), before) << what << ": " << r.err;
  }
}

// ---- End to end with the real plug-in ------------------------------------------------------

#ifdef CORVANEL_PLUGIN
class RenderRealPlugin : public RenderTool {
protected:
  RunResult Render(std::vector<std::string> args) {
    args.insert(args.begin(), {"--plugin", CORVANEL_PLUGIN, "--quiet"});
    return Run(args);
  }
  TestAudio Rendered(const std::string& name) {
    TestAudio a;
    EXPECT_TRUE(ReadTestAudio(Path(name), &a)) << name;
    return a;
  }
};

TEST_F(RenderRealPlugin, GatesAFileTheSameWayInEveryBlockSizeAndPrecision) {
  WriteWav(Path("in.wav"), 2, 44100, 30000);
  ASSERT_EQ(Render({"in.wav", "--preset", "House", "--set", "Rate=1/32"}).exitCode, 0);
  ASSERT_EQ(
      Render({"in.wav", "-o", "small.wav", "--block", "37", "--preset", "11", "--set", "Rate=6"})
          .exitCode,
      0);
  ASSERT_EQ(
      Render({"in.wav", "-o", "double.wav", "--double", "--preset", "House", "--set", "Rate=1/32"})
          .exitCode,
      0);
  const TestAudio in = Rendered("in.wav"), out = Rendered("in-corvanel.wav");
  ASSERT_EQ(out.Frames(), in.Frames());
  ASSERT_EQ(out.channels, 2);
  EXPECT_NE(out.samples, in.samples); // the gate acted
  EXPECT_EQ(Rendered("small.wav").samples, out.samples);
  EXPECT_EQ(Rendered("double.wav").samples, out.samples);
}

TEST_F(RenderRealPlugin, MixZeroPassesTheInputUnchanged) {
  WriteWav(Path("in.wav"), 2, 48000, 20000);
  ASSERT_EQ(Render({"in.wav", "--set", "Mix=0", "--set", "Target=Low - High"}).exitCode, 0);
  EXPECT_EQ(Rendered("in-corvanel.wav").samples, Rendered("in.wav").samples);
}

TEST_F(RenderRealPlugin, PatternOfClosedStepsLeavesOnlyTheDryShare) {
  WriteWav(Path("in.wav"), 1, 44100, 20000);
  const RunResult r =
      Render({"in.wav", "--set", "Cycle=4", "--pattern", "0000/4444", "--set", "Mix=80"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const TestAudio in = Rendered("in.wav"), out = Rendered("in-corvanel.wav");
  for (size_t i = 0; i < in.samples.size(); ++i)
    ASSERT_NEAR(out.samples[i], 0.2f * in.samples[i], 1e-6f) << i;
}

TEST_F(RenderRealPlugin, StateOutThenInReproducesTheRender) {
  WriteWav(Path("in.wav"), 2, 44100, 20000);
  ASSERT_EQ(Render({"in.wav", "-o", "a.wav", "--preset", "Groove Gate", "--set", "Rate=1/8T",
                    "--state-out", "s.bin"})
                .exitCode,
            0);
  ASSERT_EQ(Render({"in.wav", "-o", "b.wav", "--state-in", "s.bin"}).exitCode, 0);
  const std::string state = ReadAll(Path("s.bin"));
  ASSERT_EQ(state.size(), 188u); // the version, then 23 parameter values
  int32_t version = 0;
  std::memcpy(&version, state.data(), 4);
  EXPECT_EQ(version, 10200);
  EXPECT_EQ(Rendered("a.wav").samples, Rendered("b.wav").samples);
  // A state cut short is refused and produces nothing.
  { std::ofstream(Path("short.bin"), std::ios::binary) << state.substr(0, 2); }
  const RunResult bad = Render({"in.wav", "-o", "c.wav", "--state-in", "short.bin"});
  EXPECT_NE(bad.exitCode, 0);
  EXPECT_EQ(Files().count("c.wav"), 0u);
}

TEST_F(RenderRealPlugin, DemoSaysWhereTheOutputWentAndHowToListen) {
  const RunResult r =
      Run({"--plugin", CORVANEL_PLUGIN, "--tempo", "140", "--sample-rate", "48000"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const TestAudio demo = Rendered("corvanel-demo.wav");
  EXPECT_EQ(demo.channels, 2);
  EXPECT_EQ(demo.sampleRate, 48000);
  EXPECT_EQ(demo.Frames(), (int64_t)std::llround(16 * 60.0 / 140 * 48000)); // four 4/4 bars
  EXPECT_NE(r.out.find(Path("corvanel-demo.wav")), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("aplay"), std::string::npos) << r.out;
}

TEST_F(RenderRealPlugin, ListsPresetsAndParametersAsTheHostSeesThem) {
  const RunResult r = Render({"--list-presets", "--list-params", "--preset", "Mini Gate"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Presets (50):"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("*  2  Mini Gate"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" 25  Groove Gate 3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Parameters (23):"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Rate         0..27 (1/128..4/1)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Split Freq   20..20000"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("6023437"), std::string::npos) << r.out; // Mini Gate's first step word
}
#endif

} // namespace
