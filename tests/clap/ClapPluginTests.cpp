// Corvanel.clap as a host sees it: the built library loaded at run time, its entry,
// factory and descriptor, the life cycle with the thread rules checked by the test host,
// the audio ports, the parameter list and texts, the state, and what hosts do that the
// rules do not foresee (no extensions at all, empty and short blocks, an all-zero first
// transport).
#include "BuiltClap.h"
#include "ClapInstance.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> Features(const clapabi::PluginDescriptor* d) {
  std::vector<std::string> out;
  for (int i = 0; d->features && d->features[i]; ++i)
    out.push_back(d->features[i]);
  return out;
}

TEST(ClapEntryAndFactory, DescribeCorvanel) {
  ASSERT_TRUE(BuiltClap().IsLoaded()) << BuiltClap().Error();
  const clapabi::PluginEntry* entry = ClapEntry();
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(clapabi::VersionIsCompatible(entry->clap_version));
  // init and deinit are counted: a host may call them once per instance.
  ASSERT_TRUE(entry->init(BuiltClapPath().c_str()));
  EXPECT_EQ(entry->get_factory("clap.no-such-factory"), nullptr);
  EXPECT_EQ(entry->get_factory(nullptr), nullptr);
  entry->deinit();

  const clapabi::PluginFactory* f = ClapFactory();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->get_plugin_count(f), 1u);
  EXPECT_EQ(f->get_plugin_descriptor(f, 1), nullptr);
  const clapabi::PluginDescriptor* d = f->get_plugin_descriptor(f, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(clapabi::VersionIsCompatible(d->clap_version));
  EXPECT_STREQ(d->id, kCorvanelId);
  EXPECT_STREQ(d->name, "Corvanel");
  EXPECT_STREQ(d->vendor, "Orbalin");
  EXPECT_STREQ(d->version, "1.2.0");
  for (const char* s : {d->url, d->manual_url, d->support_url, d->description})
    EXPECT_NE(s, nullptr); // hosts read them without checking
  EXPECT_EQ(Features(d), (std::vector<std::string>{"audio-effect", "gate", "stereo", "mono"}));

  TestHost host;
  host.SetCreating(true);
  EXPECT_EQ(f->create_plugin(f, host.Host(), "com.orbalin.other"), nullptr);
  EXPECT_EQ(f->create_plugin(f, host.Host(), nullptr), nullptr);
  EXPECT_EQ(f->create_plugin(f, nullptr, kCorvanelId), nullptr);
  host.SetCreating(false);
}

// A scanner's host answers no extension; the instance is created, initialised, asked and
// destroyed without ever being activated.
TEST(ClapLifeCycle, AHostWithoutExtensionsCreatesQueriesAndDestroys) {
  TestHost host(false);
  {
    ClapInstance clap(host, ClapFactory());
    ASSERT_NE(clap.mPlugin, nullptr);
    ASSERT_NE(clap.mParams, nullptr);
    EXPECT_EQ(clap.mParams->count(clap.mPlugin), 27u);
    EXPECT_EQ(clap.mPorts->count(clap.mPlugin, true), 1u);
    EXPECT_FALSE(clap.Save().empty());
    EXPECT_EQ(PluginExt<void>(clap.mPlugin, "clap.no-such-extension"), nullptr);
  }
  EXPECT_TRUE(host.mViolations.empty()) << host.mViolations[0];
}

// The whole life as the rules give it, twice over (sleep and wake, deactivate and
// activate), with the processing on another thread; the host's thread checks see every
// call on its right thread and no host call inside create_plugin.
TEST(ClapLifeCycle, FollowsTheRulesWithProcessingOnItsOwnThread) {
  TestHost host;
  {
    ClapInstance clap(host, ClapFactory(), false);
    ASSERT_NE(clap.mPlugin, nullptr);
    EXPECT_TRUE(host.mExtensionsAsked.empty()); // nothing asked before init
    ASSERT_TRUE(clap.Init());
    EXPECT_FALSE(host.mExtensionsAsked.empty());
    InputEventList none;
    OutputEventList out;
    float l[256] = {0}, r[256] = {0};
    float* io[2] = {l, r};
    // Not active: processing is refused.
    EXPECT_EQ(clap.Process<float>(io, io, 2, 256, nullptr), clapabi::kProcessError);
    for (int round = 0; round < 2; ++round) {
      ASSERT_TRUE(clap.Activate(48000.0, 32, 256));
      EXPECT_FALSE(clap.mPlugin->activate(clap.mPlugin, 48000.0, 32, 256)); // already active
      std::thread audio([&] {
        for (int wake = 0; wake < 2; ++wake) {
          ASSERT_TRUE(clap.StartProcessing());
          for (int b = 0; b < 20; ++b)
            EXPECT_EQ(clap.Process<float>(io, io, 2, 256, nullptr), clapabi::kProcessContinue);
          TestHost::AudioScope scope;
          clap.mPlugin->reset(clap.mPlugin);
          clap.StopProcessing();
        }
      });
      audio.join();
      clap.mPlugin->deactivate(clap.mPlugin);
      clap.mActive = false;
    }
    EXPECT_FALSE(clap.mPlugin->activate(clap.mPlugin, 0.0, 1, 256));
    EXPECT_FALSE(clap.mPlugin->activate(clap.mPlugin, std::nan(""), 1, 256));
    EXPECT_FALSE(clap.mPlugin->activate(clap.mPlugin, 44100.0, 1, 0));
  }
  EXPECT_TRUE(host.mViolations.empty()) << host.mViolations[0];
}

TEST(ClapAudioPorts, OneStereoMainPortEachWaySharingBuffers) {
  TestHost host;
  ClapInstance clap(host, ClapFactory());
  for (bool input : {true, false}) {
    ASSERT_EQ(clap.mPorts->count(clap.mPlugin, input), 1u);
    clapabi::AudioPortInfo info;
    ASSERT_TRUE(clap.mPorts->get(clap.mPlugin, 0, input, &info));
    EXPECT_EQ(info.id, 0u);
    EXPECT_EQ(info.channel_count, 2u);
    EXPECT_STREQ(info.port_type, "stereo");
    EXPECT_TRUE(info.flags & clapabi::kAudioPortIsMain);
    EXPECT_TRUE(info.flags & clapabi::kAudioPortSupports64Bits);
    EXPECT_EQ(info.in_place_pair, 0u);
    EXPECT_FALSE(clap.mPorts->get(clap.mPlugin, 1, input, &info));
  }
}

TEST(ClapParams, TheListAsHostsSeeIt) {
  TestHost host;
  ClapInstance clap(host, ClapFactory());
  constexpr uint32_t S = clapabi::kParamIsStepped, E = clapabi::kParamIsEnum,
                     A = clapabi::kParamIsAutomatable, H = clapabi::kParamIsHidden,
                     R = clapabi::kParamIsReadonly;
  const struct {
    const char* mName;
    uint32_t mFlags;
    double mMin, mMax, mDefault;
  } expected[10] = {
      {"Rate", S | E | A, 0, 27, 9},        {"Cycle", S | A, 1, 64, 16},
      {"Attack", S | A, 0, 200, 5},         {"Gate", S | A, 0, 100, 100},
      {"Tie Lock", S | E | A, 0, 1, 1},     {"Release", S | A, 0, 200, 30},
      {"Fade", S | A, 0, 100, 5},           {"Split Freq", S | A, 20, 20000, 1000},
      {"Target", S | E | A, 0, 3, 0},       {"Mix", S | A, 0, 100, 80},
  };
  ASSERT_EQ(clap.mParams->count(clap.mPlugin), 27u);
  for (uint32_t i = 0; i < 26; ++i) {
    clapabi::ParamInfo info;
    ASSERT_TRUE(clap.mParams->get_info(clap.mPlugin, i, &info));
    EXPECT_EQ(info.id, i);
    EXPECT_EQ(clap.Value(i), info.default_value) << i;
    if (i < 10) {
      EXPECT_STREQ(info.name, expected[i].mName);
      EXPECT_EQ(info.flags, expected[i].mFlags) << info.name;
      EXPECT_EQ(info.min_value, expected[i].mMin) << info.name;
      EXPECT_EQ(info.max_value, expected[i].mMax) << info.name;
      EXPECT_EQ(info.default_value, expected[i].mDefault) << info.name;
    } else if (i < 23) { // the step words: stored, restored, never automated
      EXPECT_EQ(info.flags, S | H) << i;
      EXPECT_EQ(std::string(info.name), "Step Word " + std::to_string(i - 9));
    } else { // the editor's signals
      EXPECT_EQ(info.flags, S | H | R) << i;
    }
  }
  // Then the factory presets, a list the host may show but neither automates nor stores.
  clapabi::ParamInfo info;
  ASSERT_TRUE(clap.mParams->get_info(clap.mPlugin, 26, &info));
  EXPECT_STREQ(info.name, "Preset");
  EXPECT_EQ(info.flags, S | E);
  EXPECT_EQ(info.min_value, 0);
  EXPECT_EQ(info.max_value, 24);
  EXPECT_EQ(info.default_value, 0);
  EXPECT_FALSE(clap.mParams->get_info(clap.mPlugin, 27, &info));
  double v;
  EXPECT_FALSE(clap.mParams->get_value(clap.mPlugin, 27, &v));
}

// The presets by the names VST2 lists, chosen as VST2's program change chooses them: the
// preset's values reach the host (not to be recorded), and the slot left keeps its edits.
TEST(ClapPresets, ChosenByNameAsVst2ProgramsAre) {
  TestHost host;
  ClapInstance clap(host, ClapFactory());
  EXPECT_EQ(clap.Text(26, 0), "---- default ----");
  EXPECT_EQ(clap.Text(26, 1), "Mini Gate");
  EXPECT_EQ(clap.Text(26, 24), "Groove Gate 3");
  EXPECT_EQ(clap.Text(26, 25), "(refused)");
  double v = -1;
  EXPECT_TRUE(clap.mParams->text_to_value(clap.mPlugin, 26, "Trance 3", &v));
  EXPECT_EQ(v, 14);
  EXPECT_FALSE(clap.mParams->text_to_value(clap.mPlugin, 26, "Trance 33", &v));

  clap.Set(9, 42); // an edit of the default slot
  OutputEventList out;
  InputEventList choose;
  choose.AddParam(0, 26, 1);
  clap.Flush(choose, &out);
  EXPECT_EQ(clap.Value(26), 1);
  EXPECT_EQ(clap.Value(1), 8);   // Mini Gate's Cycle
  EXPECT_EQ(clap.Value(9), 100); // and Mix
  ASSERT_EQ(out.mEvents.size(), 23u);
  for (const OutEvent& e : out.mEvents) {
    EXPECT_EQ(e.mType, clapabi::kEventParamValue);
    EXPECT_EQ(e.mValue, clap.Value(e.mParam));
  }
  clap.Set(26, 0);
  EXPECT_EQ(clap.Value(9), 42); // the default slot kept its edit
  EXPECT_TRUE(host.mViolations.empty()) << host.mViolations[0];
}

TEST(ClapParams, TextsBothWaysAndWhatIsRefused) {
  TestHost host;
  ClapInstance clap(host, ClapFactory());
  const struct {
    clapabi::Id mId;
    double mValue;
    const char* mText;
  } cases[] = {
      {0, 9, "1/16"},  {0, 7, "1/16T"}, {0, 11, "1/16D"},    {4, 1, "Yes"},  {4, 0, "No"},
      {7, 1000, "1000Hz"}, {8, 3, "Low - High"}, {9, 80, "80%"}, {2, 0, "0%"}, {1, 16, "16"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(clap.Text(c.mId, c.mValue), c.mText);
    double back = -1;
    EXPECT_TRUE(clap.mParams->text_to_value(clap.mPlugin, c.mId, c.mText, &back));
    EXPECT_EQ(back, c.mValue) << c.mText;
  }
  // A number without its unit reads too, and values beyond the range give the bound.
  double v = -1;
  EXPECT_TRUE(clap.mParams->text_to_value(clap.mPlugin, 7, "440", &v));
  EXPECT_EQ(v, 440);
  EXPECT_TRUE(clap.mParams->text_to_value(clap.mPlugin, 9, "250 %", &v));
  EXPECT_EQ(v, 100);
  EXPECT_TRUE(clap.mParams->text_to_value(clap.mPlugin, 0, "7", &v)); // an index, as VST2 takes it
  EXPECT_EQ(v, 7);
  // Texts that mean nothing change nothing.
  for (const char* bad : {"", "loud", "1/3", "7 beats"}) {
    v = -1;
    EXPECT_FALSE(clap.mParams->text_to_value(clap.mPlugin, 0, bad, &v)) << bad;
    EXPECT_EQ(v, -1);
  }
  EXPECT_FALSE(clap.mParams->text_to_value(clap.mPlugin, 0, nullptr, &v));
  EXPECT_FALSE(clap.mParams->text_to_value(clap.mPlugin, 99, "1", &v));
  char small[4];
  EXPECT_TRUE(clap.mParams->value_to_text(clap.mPlugin, 8, 3, small, sizeof(small)));
  EXPECT_STREQ(small, "Low"); // cut to the host's capacity, terminated
  EXPECT_FALSE(clap.mParams->value_to_text(clap.mPlugin, 99, 0, small, sizeof(small)));
}

TEST(ClapParams, HostValuesInPlainUnitsByFlushAndInBlocks) {
  TestHost host;
  ClapInstance clap(host, ClapFactory());
  clap.Set(9, 42); // inactive: flush on the main thread
  EXPECT_EQ(clap.Value(9), 42);
  clap.Set(7, 1e9); // beyond the range: the bound
  EXPECT_EQ(clap.Value(7), 20000);
  clap.Set(23, 1); // the editor's signals are not the host's to set
  EXPECT_EQ(clap.Value(23), 0);
  ASSERT_TRUE(clap.Start());
  InputEventList events;
  events.AddParam(0, 0, 12);
  events.AddParam(100, 8, 2);
  events.AddParam(5000, 1, 7); // past the block's end: applied at its last frame
  events.AddParam(10, 1u << 20, 1); // no such parameter: ignored
  float l[256] = {0}, r[256] = {0};
  float* io[2] = {l, r};
  EXPECT_EQ(clap.Process<float>(io, io, 2, 256, nullptr, &events), clapabi::kProcessContinue);
  EXPECT_EQ(clap.Value(0), 12);
  EXPECT_EQ(clap.Value(8), 2);
  EXPECT_EQ(clap.Value(1), 7);
}

TEST(ClapState, RoundTripThroughStreamsThatMoveLittleAtATime) {
  TestHost host;
  std::vector<unsigned char> saved;
  {
    ClapInstance a(host, ClapFactory());
    a.Set(0, 14);
    a.Set(9, 33);
    a.Set(12, 12345);
    MemoryStreams s;
    s.mChunk = 7; // the host's stream takes seven bytes a call
    ASSERT_TRUE(a.mState->save(a.mPlugin, &s.mOut));
    saved = s.mBytes;
  }
  ASSERT_EQ(saved.size(), 188u);
  int32_t version;
  std::memcpy(&version, saved.data(), 4);
  EXPECT_EQ(version, 10200);
  ClapInstance b(host, ClapFactory());
  ASSERT_TRUE(b.Load(saved, 5));
  EXPECT_EQ(b.Value(0), 14);
  EXPECT_EQ(b.Value(9), 33);
  EXPECT_EQ(b.Value(12), 12345);
  EXPECT_EQ(b.Save(), saved);
  // The host is told to read the values again.
  ASSERT_FALSE(host.mRescans.empty());
  EXPECT_EQ(host.mRescans.back(), (uint32_t)clapabi::kParamRescanValues);
}

TEST(ClapState, DamagedStatesAreRefusedWholeAndChangeNothing) {
  TestHost host;
  ClapInstance clap(host, ClapFactory());
  clap.Set(9, 55);
  const std::vector<unsigned char> good = clap.Save();
  ASSERT_EQ(good.size(), 188u);
  std::vector<std::vector<unsigned char>> bad;
  bad.push_back({});                                          // empty
  bad.push_back(std::vector<unsigned char>(good.begin(), good.end() - 1)); // short
  bad.push_back(good);
  bad.back().push_back(0); // long
  bad.push_back(good);
  bad.back()[0] ^= 1; // another version
  bad.push_back(good);
  const double nan = std::nan("");
  std::memcpy(bad.back().data() + 4 + 8 * 9, &nan, 8); // Mix not a number
  bad.push_back(std::vector<unsigned char>(1 << 17, 0)); // far too long
  std::vector<unsigned char> other = good;
  const double mix = 10.0;
  std::memcpy(other.data() + 4 + 8 * 9, &mix, 8);
  for (auto b : bad) {
    // Every damaged state also carries a different Mix where it has one.
    double stored = 0.0;
    if (b.size() >= 4 + 8 * 10) std::memcpy(&stored, b.data() + 4 + 8 * 9, 8);
    if (b.size() >= 4 + 8 * 10 && !std::isnan(stored)) std::memcpy(b.data() + 4 + 8 * 9, &mix, 8);
    EXPECT_FALSE(clap.Load(b)) << b.size();
    EXPECT_EQ(clap.Save(), good);
  }
  // A stream that fails is refused too.
  MemoryStreams failing;
  failing.mIn.read = [](const clapabi::IStream*, void*, uint64_t) -> int64_t { return -1; };
  EXPECT_FALSE(clap.mState->load(clap.mPlugin, &failing.mIn));
  failing.mFailWrites = true;
  EXPECT_FALSE(clap.mState->save(clap.mPlugin, &failing.mOut));
  EXPECT_TRUE(clap.Load(other));
  EXPECT_EQ(clap.Value(9), 10);
}

// What hosts do beyond the rules: blocks of no frames (the events still apply), blocks
// shorter than the activated minimum, and a transport that is all zeros at first.
TEST(ClapHostQuirks, EmptyAndShortBlocksAndAnAllZeroFirstTransport) {
  TestHost host;
  ClapInstance clap(host, ClapFactory());
  ASSERT_TRUE(clap.Activate(44100.0, 64, 1024));
  ASSERT_TRUE(clap.StartProcessing());
  clapabi::EventTransport zero;
  std::memset(&zero, 0, sizeof(zero));
  InputEventList events;
  events.AddParam(0, 9, 100);
  float l[1024], r[1024];
  for (int i = 0; i < 1024; ++i)
    l[i] = r[i] = 0.5f;
  float* io[2] = {l, r};
  EXPECT_EQ(clap.Process<float>(io, io, 2, 0, &zero, &events), clapabi::kProcessContinue);
  EXPECT_EQ(clap.Value(9), 100);
  EXPECT_EQ(l[0], 0.5f); // nothing written
  for (uint32_t frames : {1u, 17u, 63u, 1024u}) {
    EXPECT_EQ(clap.Process<float>(io, io, 2, frames, &zero), clapabi::kProcessContinue);
    for (uint32_t i = 0; i < frames; ++i)
      ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i]));
  }
  const clapabi::EventTransport playing = MakeTransport(true, 120.0, 0.0, 0.0);
  EXPECT_EQ(clap.Process<float>(io, io, 2, 512, &playing), clapabi::kProcessContinue);
  // No buffers at all: events apply, nothing is touched.
  clapabi::Process p;
  std::memset(&p, 0, sizeof(p));
  p.frames_count = 64;
  InputEventList more;
  more.AddParam(0, 9, 20);
  p.in_events = more.List();
  OutputEventList out;
  p.out_events = out.List();
  {
    TestHost::AudioScope audio;
    EXPECT_EQ(clap.mPlugin->process(clap.mPlugin, &p), clapabi::kProcessContinue);
  }
  EXPECT_EQ(clap.Value(9), 20);
  EXPECT_TRUE(host.mViolations.empty()) << host.mViolations[0];
}

} // namespace

#ifdef _WIN32
// The editor's win32 windows as the host sees them: a child of the host's window with the
// editor's size, or a captioned top-level window with the host's title, owned by its
// window; gone after destroy. Skipped where no window can be made (wine without display).
TEST(ClapGuiWin32, EmbeddedAndFloatingWindowsAsTheHostSeesThem) {
  HWND host = CreateWindowExA(0, "STATIC", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700,
                              450, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!host) GTEST_SKIP() << "no window station";
  TestHost testHost;
  ClapInstance clap(testHost, ClapFactory());
  const clapabi::PluginGui* gui = PluginExt<clapabi::PluginGui>(clap.mPlugin, clapabi::kExtGui);
  ASSERT_NE(gui, nullptr);
  EXPECT_TRUE(gui->is_api_supported(clap.mPlugin, "win32", false));
  EXPECT_FALSE(gui->is_api_supported(clap.mPlugin, "x11", false));

  ASSERT_TRUE(gui->create(clap.mPlugin, "win32", false));
  clapabi::Window parent;
  parent.api = "win32";
  parent.win32 = host;
  ASSERT_TRUE(gui->set_parent(clap.mPlugin, &parent));
  ASSERT_TRUE(gui->show(clap.mPlugin));
  HWND child = GetWindow(host, GW_CHILD);
  ASSERT_NE(child, nullptr);
  RECT r;
  GetClientRect(child, &r);
  uint32_t w = 0, h = 0;
  ASSERT_TRUE(gui->get_size(clap.mPlugin, &w, &h));
  EXPECT_EQ((uint32_t)(r.right - r.left), w);
  EXPECT_EQ((uint32_t)(r.bottom - r.top), h);
  gui->destroy(clap.mPlugin);
  EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);

  ASSERT_TRUE(gui->create(clap.mPlugin, "win32", true));
  clapabi::Window owner;
  owner.api = "win32";
  owner.win32 = host;
  EXPECT_TRUE(gui->set_transient(clap.mPlugin, &owner));
  gui->suggest_title(clap.mPlugin, "Corvanel on Track 1");
  ASSERT_TRUE(gui->show(clap.mPlugin));
  HWND floating = FindWindowA(nullptr, "Corvanel on Track 1");
  ASSERT_NE(floating, nullptr);
  EXPECT_EQ(GetWindow(floating, GW_OWNER), host);
  EXPECT_NE(GetWindow(floating, GW_CHILD), nullptr);
  gui->destroy(clap.mPlugin);
  EXPECT_EQ(FindWindowA(nullptr, "Corvanel on Track 1"), nullptr);
  DestroyWindow(host);
}
#endif
