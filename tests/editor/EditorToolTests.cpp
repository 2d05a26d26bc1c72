// corvanel-editor run as a user runs it: events that play the editor change what the
// host sees, and bad input gets one message, a non-zero exit and no files.
#include "RunRenderTool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct ToolDir {
  std::string path;
  ToolDir() {
    char name[] = "/tmp/corvanel-editor-test-XXXXXX";
    path = mkdtemp(name);
  }
  ~ToolDir() { std::system(("rm -rf '" + path + "'").c_str()); }
  std::string File(const std::string& name) const { return path + "/" + name; }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(File(name)) << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& name) const {
    struct stat st;
    return stat(File(name).c_str(), &st) == 0;
  }
};

int RunEditor(const ToolDir& dir, std::vector<std::string> args) {
  return RunProgram(EDITOR_TOOL, args, dir.path.c_str(), dir.File("out.txt").c_str(),
                    dir.File("err.txt").c_str());
}

// --print-params lines: index, name, display text, normalised value.
std::map<int, std::string> Displays(const std::string& out) {
  std::map<int, std::string> shown;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string index, name, display;
    if (std::getline(fields, index, '\t') && std::getline(fields, name, '\t') &&
        std::getline(fields, display, '\t') && !index.empty() && isdigit((unsigned char)index[0]))
      shown[std::stoi(index)] = display;
  }
  return shown;
}

TEST(EditorTool, PlayedEventsChangeWhatTheHostSees) {
  ToolDir dir;
  ASSERT_EQ(RunEditor(dir, {"--print-params"}), 0);
  const auto before = Displays(dir.Read("out.txt"));
  ASSERT_EQ(before.at(0), "1/16");

  dir.Write("events.txt", "# a left click at the very left of step 1's volume bar: level 0\n"
                          "press 30 225\nrelease 30 225\n"
                          "press 51 125 right\nrelease 51 125 right\ntype 1/8\n"
                          "press 420 140\nrelease 420 140\n"
                          "press 40 187\ntick 12\nrelease 40 187\ntick\n");
  ASSERT_EQ(RunEditor(dir, {"--events", "events.txt", "--print-params", "--print-status",
                            "--print-gestures", "-o", "editor.png", "--state-out", "state.bin"}),
            0)
      << dir.Read("err.txt");
  const std::string out = dir.Read("out.txt");
  const auto after = Displays(out);
  EXPECT_EQ(after.at(0), "1/8") << "typed into Rate's entry";
  EXPECT_EQ(after.at(8), "High Gain") << "the third Target slice";
  EXPECT_NE(after.at(10), before.at(10)) << "the first step word holds the edited volume";
  EXPECT_NE(out.find("Steps time: -25%"), std::string::npos) << "held on the minus half";
  EXPECT_NE(out.find("begin 0\nchange 0 0.444444\nend 0\n"), std::string::npos) << out;
  EXPECT_NE(out.find("begin 8\n"), std::string::npos);
  EXPECT_NE(out.find("begin 24\n"), std::string::npos);

  const std::string png = dir.Read("editor.png");
  ASSERT_GE(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_EQ((unsigned char)png[18] * 256 + (unsigned char)png[19], 620);
  EXPECT_EQ((unsigned char)png[22] * 256 + (unsigned char)png[23], 355);
  const std::string state = dir.Read("state.bin");
  ASSERT_EQ(state.size(), 188u) << "the chunk as a host stores it";

  // The saved state brings the same settings back.
  ASSERT_EQ(RunEditor(dir, {"--state-in", "state.bin", "--print-params"}), 0);
  EXPECT_EQ(Displays(dir.Read("out.txt")), after);
}

// A user's gestures, written in 100 % pixels: step bars clicked and dragged across, a
// knob dragged and wheeled, a Target slice, Tie Lock, a shift button held, the Gate
// slider dragged, a value typed into a knob's entry, and presses on the one-pixel gaps
// between bars.
const char* const kGestures[] = {
    "press 30 212",  "drag 120 214",  "drag 300 216",  "release 300 216", "press 47 225",
    "release 47 225", "press 64 212",  "release 64 212", "press 65 250",   "release 65 250",
    "press 121 125", "drag 121 110",  "drag 121 96",   "release 121 96",  "wheel 277 125 3",
    "press 420 150", "release 420 150", "press 299 189", "release 299 189", "press 40 187",
    "tick 6",        "release 40 187", "press 250 184", "drag 230 184",    "drag 206 185",
    "release 206 185", "press 499 125 right", "release 499 125 right", "type 2500",
    "press 555 320", "release 555 320", "press 588 327", "release 588 327", "tick 3",
};

// The gestures at a scale, as a window at that scale reports them: every position is the
// first device pixel of its 100 % pixel, or its last when `last` is set.
std::string GesturesAt(int percent, bool last) {
  auto device = [&](int v) {
    const int first = (v * percent + 50) / 100;
    const int next = ((v + 1) * percent + 50) / 100;
    return last ? next - 1 : first;
  };
  std::ostringstream out;
  for (const char* line : kGestures) {
    std::istringstream in(line);
    std::string kind, rest;
    int x = 0, y = 0;
    in >> kind;
    if (kind == "tick" || kind == "type") {
      out << line << "\n";
      continue;
    }
    in >> x >> y;
    std::getline(in, rest);
    out << kind << " " << device(x) << " " << device(y) << rest << "\n";
  }
  return out.str();
}

TEST(EditorTool, GesturesAt150And200PercentEditWhatTheyEditAt100) {
  ToolDir dir;
  struct Run {
    const char* scale;
    int percent;
    bool last;
  };
  const Run runs[] = {{"1", 100, false}, {"1.5", 150, false}, {"1.5", 150, true},
                      {"2", 200, false}, {"2", 200, true}};
  std::string expected, expectedState;
  for (const Run& run : runs) {
    SCOPED_TRACE(std::string(run.scale) + (run.last ? " (last pixels)" : " (first pixels)"));
    dir.Write("events.txt", GesturesAt(run.percent, run.last));
    ASSERT_EQ(RunEditor(dir, {"--scale", run.scale, "--events", "events.txt", "--print-params",
                              "--print-gestures", "--state-out", "state.bin", "-o", "e.png"}),
              0)
        << dir.Read("err.txt");
    const std::string out = dir.Read("out.txt"), state = dir.Read("state.bin");
    const std::string png = dir.Read("e.png");
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ((unsigned char)png[18] * 256 + (unsigned char)png[19], 620 * run.percent / 100);
    if (expected.empty()) {
      expected = out;
      expectedState = state;
      EXPECT_NE(out.find("change 7 "), std::string::npos) << "the typed Split Freq: " << out;
      continue;
    }
    EXPECT_EQ(out, expected);
    EXPECT_EQ(state, expectedState);
  }
}

TEST(EditorTool, BadInputGetsOneMessageAndNoFiles) {
  struct Case {
    const char* meaning;
    const char* events; // written to events.txt when not null
    std::vector<std::string> args;
  } cases[] = {
      {"an unknown event", "press 10 10\nsqueeze 10 10\n", {"--events", "events.txt"}},
      {"a point outside the editor", "press 620 10\n", {"--events", "events.txt"}},
      {"a negative coordinate", "drag -1 10\n", {"--events", "events.txt"}},
      {"an unknown modifier", "press 10 10 meta\n", {"--events", "events.txt"}},
      {"text with no open entry", "type 1/8\n", {"--events", "events.txt"}},
      {"an unreadable events file", nullptr, {"--events", "missing.txt"}},
      {"an unknown option", nullptr, {"--volume", "11"}},
      {"a step outside the pattern", nullptr, {"--playing-step", "65"}},
      {"a scale the editor does not draw", nullptr, {"--scale", "3"}},
      {"a point outside the 150 % editor", "press 930 10\n",
       {"--scale", "1.5", "--events", "events.txt"}},
      {"an unreadable state", nullptr, {"--state-in", "missing.bin"}},
      {"an unknown preset", nullptr, {"--preset", "No Such Preset"}},
  };
  for (const Case& c : cases) {
    ToolDir dir;
    if (c.events) dir.Write("events.txt", c.events);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", "editor.png", "--state-out", "state.bin"});
    EXPECT_NE(RunEditor(dir, args), 0) << c.meaning;
    const std::string err = dir.Read("err.txt");
    EXPECT_EQ(err.rfind("corvanel-editor: ", 0), 0u) << c.meaning << ": " << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.meaning << ": " << err;
    EXPECT_FALSE(dir.Exists("editor.png")) << c.meaning;
    EXPECT_FALSE(dir.Exists("state.bin")) << c.meaning;
  }
}

} // namespace
