// The bundle as Debian's LV2 tools see it: every file parses (sordi) and validates against
// the LV2 schemas (sord_validate, which alone reports no errors even for a file that does
// not parse); lv2ls and lv2info list the plug-in, its ports and its 24 presets; lv2apply
// renders a file exactly as the VST2 plug-in does under corvanel-render.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
const std::string kBundle = CORVANEL_LV2_BUNDLE;
const std::string kPluginURI = "https://www.orbalin.com/Corvanel/lv2";

bool HaveTool(const char* name) {
  const std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// Runs a shell command bounded to two minutes; its output (both streams) and exit code.
std::string Shell(const std::string& command, int* exitCode) {
  std::string out;
  FILE* p = popen(("timeout 120 " + command + " 2>&1").c_str(), "r");
  if (!p) {
    *exitCode = -1;
    return out;
  }
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0)
    out.append(buf, n);
  const int status = pclose(p);
  *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

std::string BundleParent() { return kBundle.substr(0, kBundle.find_last_of('/')); }

std::vector<std::string> TurtleFiles(const std::string& dir) {
  std::vector<std::string> files;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ttl") == 0)
        files.push_back(dir + "/" + name);
    }
    closedir(d);
  }
  return files;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

TEST(Lv2Bundle, EveryFileParsesAndValidatesAgainstTheSchemas) {
  if (!HaveTool("sordi") || !HaveTool("sord_validate")) GTEST_SKIP() << "sordi not installed";
  const std::vector<std::string> ours = TurtleFiles(kBundle);
  ASSERT_EQ(ours.size(), 3u);
  for (const std::string& f : ours) {
    int rc = 0;
    const std::string out = Shell("sordi file://" + f + " >/dev/null", &rc);
    EXPECT_EQ(rc, 0) << f << ": " << out;
    EXPECT_EQ(out.find("error"), std::string::npos) << f << ": " << out;
  }
  // The schemas: every vocabulary bundle Debian's lv2-dev installs (not its plug-ins).
  std::string files;
  for (const char* dir : {"/usr/lib/lv2", "/usr/share/lv2"})
    if (DIR* d = opendir(dir)) {
      while (dirent* e = readdir(d)) {
        const std::string path = std::string(dir) + "/" + e->d_name;
        std::string manifest;
        for (const std::string& f : TurtleFiles(path))
          manifest += f + " ";
        int rc = 0;
        if (!manifest.empty() &&
            Shell("grep -l 'lv2:binary' " + path + "/manifest.ttl", &rc).empty())
          files += manifest;
      }
      closedir(d);
    }
  if (files.empty()) GTEST_SKIP() << "no LV2 schemas (package lv2-dev)";
  for (const std::string& f : ours)
    files += f + " ";
  int rc = 0;
  const std::string out = Shell("sord_validate " + files, &rc);
  EXPECT_NE(out.find("Found 0 errors"), std::string::npos) << out;
}

TEST(Lv2Bundle, Lv2InfoListsThePluginItsPortsAndTwentyFourPresets) {
  if (!HaveTool("lv2info") || !HaveTool("lv2ls")) GTEST_SKIP() << "lilv-utils not installed";
  const std::string env = "env LV2_PATH=" + BundleParent() + " ";
  int rc = 0;
  EXPECT_EQ(Shell(env + "lv2ls", &rc), kPluginURI + "\n");
  const std::string info = Shell(env + "lv2info " + kPluginURI, &rc);
  ASSERT_EQ(rc, 0) << info;
  const size_t presets = info.find("Presets:");
  const size_t firstPort = info.find("Port 0:");
  ASSERT_NE(presets, std::string::npos) << info;
  ASSERT_NE(firstPort, std::string::npos) << info;
  // One name per line between the heading and the ports.
  const std::string list = info.substr(presets, firstPort - presets);
  EXPECT_EQ(Count(list, "\n\t         "), 24u) << list;
  for (const char* name : {"Mini Gate", "Trance 10", "Groove Gate 3"})
    EXPECT_NE(list.find(name), std::string::npos) << name;
  EXPECT_EQ(Count(info, "\tPort "), 16u);
  for (const char* symbol : {"in_1", "out_2", "rate", "cycle", "attack", "gate", "tie_lock",
                             "release", "fade", "split_freq", "target", "mix", "control", "notify"})
    EXPECT_NE(info.find("Symbol:      " + std::string(symbol) + "\n"), std::string::npos) << symbol;
  EXPECT_NE(info.find("\"Low - High\""), std::string::npos);
  EXPECT_NE(info.find("\"1/16T\""), std::string::npos);
}

// A stereo float WAV of tones and noise.
bool WriteInput(const std::string& path, int frames) {
  SF_INFO info = {};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  std::vector<float> data(2 * frames);
  uint32_t seed = 99;
  for (int i = 0; i < frames; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const float noise = (float)((seed >> 8) & 0xffff) / 65536.0f - 0.5f;
    data[2 * i] = 0.4f * (float)std::sin(2.0 * M_PI * 110.0 * i / 44100.0) + 0.1f * noise;
    data[2 * i + 1] = 0.4f * (float)std::sin(2.0 * M_PI * 165.0 * i / 44100.0) - 0.1f * noise;
  }
  const bool ok = sf_writef_float(f, data.data(), frames) == frames;
  return sf_close(f) == 0 && ok;
}

std::vector<float> ReadSamples(const std::string& path) {
  SF_INFO info = {};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<float> data((size_t)info.frames * info.channels);
  sf_readf_float(f, data.data(), info.frames);
  sf_close(f);
  return data;
}

TEST(Lv2Apply, RendersAFileAsTheVst2PluginDoesWithoutHostTime) {
  if (!CORVANEL_LV2_FOREIGN_HOSTS) GTEST_SKIP() << "lv2apply cannot load a sanitizer build";
  if (!HaveTool("lv2apply")) GTEST_SKIP() << "lilv-utils not installed";
  char dir[] = "/tmp/corvanel-lv2apply-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string in = std::string(dir) + "/in.wav", lv2 = std::string(dir) + "/lv2.wav",
                    vst = std::string(dir) + "/vst.wav";
  ASSERT_TRUE(WriteInput(in, 3 * 44100));
  int rc = 0;
  // Rate and Cycle set through the ports and through the render tool alike.
  std::string out = Shell("env LV2_PATH=" + BundleParent() + " lv2apply -c rate 7 -c cycle 5 -i " + in +
                            " -o " + lv2 + " " + kPluginURI,
                        &rc);
  ASSERT_EQ(rc, 0) << out;
  out = Shell(std::string(CORVANEL_RENDER) + " --quiet --set Rate=1/16T --set Cycle=5 " + in +
                " -o " + vst,
            &rc);
  ASSERT_EQ(rc, 0) << out;
  const std::vector<float> a = ReadSamples(lv2), b = ReadSamples(vst), x = ReadSamples(in);
  ASSERT_EQ(a.size(), (size_t)2 * 3 * 44100);
  ASSERT_EQ(a.size(), b.size());
  long first = -1;
  for (size_t i = 0; i < a.size() && first < 0; ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(float))) first = (long)i;
  EXPECT_EQ(first, -1);
  EXPECT_NE(a, x); // the gate did something
  for (const std::string& f : {in, lv2, vst})
    std::remove(f.c_str());
  rmdir(dir);
}
} // namespace
