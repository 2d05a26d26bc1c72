// corvanel-render's float output against the reference model of the gate, bit for
// bit: the host must hand the plug-in each block's first-frame position, advancing
// by the block length, and the tempo whenever asked. The parameter values the model
// applies are the ones the plug-in saved after the render (--state-out).
#include "GateModel.h"
#include "RunRenderTool.h"
#include "TestAudioFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifdef CORVANEL_PLUGIN
namespace {

struct Case {
  int sampleRate, channels;
  double tempo;
  int block;
  int64_t start;
  bool useDouble;
  std::vector<std::string> settings; // extra arguments: --preset, --set, --pattern
};

// A rich test signal: two detuned tones and a little deterministic noise.
void WriteInput(const std::string& path, int channels, int rate, int64_t frames) {
  uint32_t noise = 12345;
  ASSERT_TRUE(WriteTestWav(path, channels, rate, frames, [&](int64_t i, int c) {
    noise = noise * 1664525u + 1013904223u;
    const double t = (double)i / rate;
    return (float)(0.4 * std::sin(6.283185307179586 * (220.0 + 3 * c) * t) +
                   0.2 * std::sin(6.283185307179586 * 1870.0 * t) +
                   0.05 * ((double)(noise >> 8) / 16777216.0 - 0.5));
  }));
}

// What the plug-in's adapter makes of the host's position: rounded, 0 before the start.
int32_t PluginPosition(int64_t pos) { return pos >= 0 ? (int32_t)((double)pos + 0.5) : 0; }

std::vector<float> ModelRender(const std::vector<float>& in, int channels, const Case& c,
                               const std::vector<double>& params) {
  GateModel model;
  for (int i = 0; i < 23; ++i)
    model.Apply(i, (int)std::lround(params[(size_t)i]));
  model.Reset(c.sampleRate);
  const int64_t frames = (int64_t)in.size() / channels;
  std::vector<float> out(in.size());
  std::vector<double> inL((size_t)c.block), inR((size_t)c.block), outL((size_t)c.block),
      outR((size_t)c.block);
  for (int64_t done = 0; done < frames; done += c.block) {
    const int n = (int)std::min<int64_t>(c.block, frames - done);
    for (int i = 0; i < n; ++i) {
      inL[(size_t)i] = in[(size_t)((done + i) * channels)];
      // A mono track leaves the second input unconnected: it reads silence.
      inR[(size_t)i] = channels == 2 ? in[(size_t)((done + i) * channels + 1)] : 0.0;
    }
    // The tool's musical position: the song at its one tempo, in quarter notes.
    const double beats = (double)(c.start + done) / c.sampleRate * (c.tempo / 60.0);
    model.Block(inL.data(), inR.data(), outL.data(), outR.data(), n, c.sampleRate, c.tempo,
                PluginPosition(c.start + done), true, 0, &beats);
    for (int i = 0; i < n; ++i) {
      out[(size_t)((done + i) * channels)] = (float)outL[(size_t)i];
      if (channels == 2) out[(size_t)((done + i) * channels + 1)] = (float)outR[(size_t)i];
    }
  }
  return out;
}

TEST(RenderExactness, FloatOutputMatchesTheModelBitForBit) {
  char dirTemplate[] = "/tmp/corvanel-exact-XXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const std::string dir = dirTemplate;
  const std::vector<Case> cases = {
      {44100, 2, 120.0, 512, 0, false, {}},
      {48000, 2, 97.5, 37, 12345, false, {"--preset", "Groove Gate"}},
      {96000, 1, 174.0, 4096, -3000, false, {"--preset", "Trance 10", "--set", "Fade=100"}},
      {22050,
       2,
       60.0,
       1,
       1000000,
       false,
       {"--set", "Rate=1/8T",   "--set",     "Target=High Gain",      "--set", "Attack=0",
        "--set", "Release=200", "--pattern", "4140 0241 3/0123 4432", "--set", "Cycle=7",
        "--set", "Mix=65",      "--set",     "Split Freq=250",        "--set", "Tie Lock=No",
        "--set", "Gate=33"}},
      {44100, 2, 140.0, 1000, 5, true, {"--preset", "Ascending Volume", "--set", "Rate=1/32D"}},
      {32000,
       1,
       133.0,
       300,
       777,
       false,
       {"--preset", "5", "--set", "Target=1", "--pattern", "4444 4444/0404 4040"}},
  };
  for (size_t k = 0; k < cases.size(); ++k) {
    const Case& c = cases[k];
    const std::string in = dir + "/in.wav", out = dir + "/out.wav", state = dir + "/state.bin";
    WriteInput(in, c.channels, c.sampleRate, (int64_t)(1.5 * c.sampleRate));
    std::vector<std::string> args = {"--plugin",
                                     CORVANEL_PLUGIN,
                                     "--quiet",
                                     "--tempo",
                                     std::to_string(c.tempo),
                                     "--block",
                                     std::to_string(c.block),
                                     "--start",
                                     std::to_string((long long)c.start),
                                     "--state-out",
                                     state,
                                     in,
                                     "-o",
                                     out};
    if (c.useDouble) args.push_back("--double");
    args.insert(args.end(), c.settings.begin(), c.settings.end());
    ASSERT_EQ(RunRenderTool(args), 0) << "case " << k;

    std::ifstream stateFile(state, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(stateFile)),
                            std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 4u + 23 * 8) << "case " << k;
    std::vector<double> params(23);
    std::memcpy(params.data(), bytes.data() + 4, 23 * 8);

    TestAudio inAudio, outAudio;
    ASSERT_TRUE(ReadTestAudio(in, &inAudio));
    ASSERT_TRUE(ReadTestAudio(out, &outAudio));
    const int channels = inAudio.channels;
    const std::vector<float>& input = inAudio.samples;
    const std::vector<float>& rendered = outAudio.samples;
    ASSERT_EQ(outAudio.channels, channels);
    ASSERT_EQ(rendered.size(), input.size());
    const std::vector<float> expected = ModelRender(input, channels, c, params);
    size_t firstDiff = rendered.size();
    for (size_t i = 0; i < rendered.size() && firstDiff == rendered.size(); ++i)
      if (std::memcmp(&rendered[i], &expected[i], sizeof(float)) != 0) firstDiff = i;
    EXPECT_EQ(firstDiff, rendered.size())
        << "case " << k << ": first difference at sample " << firstDiff << " (frame "
        << firstDiff / (size_t)channels << ")";
    EXPECT_NE(rendered, input) << "case " << k << ": the gate did nothing";
  }
  std::system(("rm -rf '" + dir + "'").c_str());
}

} // namespace
#endif
