// The VST3 bundle as a host sees it, through our own test host: the factory's listing, an
// instance's life in the order Ardour 7.3 drives it, the bus arrangements, the parameters'
// host lists and display texts, the program list, and the state. Where the VST2 plug-in
// shows something (texts, programs, the state blob), the built VST2 library is asked the
// same and the answers must agree.
#include "VstInstance.h"
#include "Vst3TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace vst3;

namespace {
constexpr ParamID kProgramId = 1000;
constexpr int kSavedParams = 23;
constexpr int kVisibleParams = 10;

std::string Field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

double Normalized(Vst3Plugin& p, ParamID id) { return p.mController->getParamNormalized(id); }

tresult ValueByString(Vst3Plugin& p, ParamID id, const std::string& text, double* out) {
  std::vector<TChar> s = ToUtf16(text);
  return p.mController->getParamValueByString(id, s.data(), out);
}

// ---- Factory ------------------------------------------------------------------------------------

TEST(Vst3Factory, ListsOneEffectClassAndCreatesItOnlyByItsId) {
  const Vst3Module& module = BuiltVst3();
  ASSERT_NE(module.mFactory, nullptr) << module.mLibrary->Error();
  IPluginFactory* f = module.mFactory;
  PFactoryInfo fi;
  ASSERT_EQ(f->getFactoryInfo(&fi), kResultOk);
  EXPECT_EQ(Field(fi.vendor, sizeof(fi.vendor)), "Orbalin");
  EXPECT_EQ(fi.flags, kFactoryUnicode);
  ASSERT_EQ(f->countClasses(), 1);

  PClassInfo ci;
  ASSERT_EQ(f->getClassInfo(0, &ci), kResultOk);
  EXPECT_EQ(Field(ci.category, sizeof(ci.category)), "Audio Module Class");
  EXPECT_EQ(Field(ci.name, sizeof(ci.name)), "Corvanel");
  EXPECT_EQ(ci.cardinality, kManyInstances);
  EXPECT_NE(f->getClassInfo(1, &ci), kResultOk);

  void* obj = nullptr;
  ASSERT_EQ(f->queryInterface(kPluginFactory2Iid.mBytes, &obj), kResultOk);
  IPluginFactory2* f2 = (IPluginFactory2*)obj;
  PClassInfo2 c2;
  ASSERT_EQ(f2->getClassInfo2(0, &c2), kResultOk);
  EXPECT_EQ(std::memcmp(c2.cid, ci.cid, 16), 0);
  EXPECT_EQ(Field(c2.subCategories, sizeof(c2.subCategories)), "Fx|Dynamics");
  EXPECT_EQ(Field(c2.vendor, sizeof(c2.vendor)), "Orbalin");
  EXPECT_EQ(Field(c2.version, sizeof(c2.version)), "1.2.0");
  EXPECT_EQ(Field(c2.sdkVersion, sizeof(c2.sdkVersion)).rfind("VST 3.", 0), 0u);
  EXPECT_EQ(c2.classFlags, 0u); // processor and controller are one object
  f2->release();
  ASSERT_EQ(f->queryInterface(kPluginFactory3Iid.mBytes, &obj), kResultOk);
  PClassInfoW cw;
  ASSERT_EQ(((IPluginFactory3*)obj)->getClassInfoUnicode(0, &cw), kResultOk);
  EXPECT_EQ(FromUtf16(cw.name), "Corvanel");
  EXPECT_EQ(FromUtf16(cw.vendor), "Orbalin");
  ((IPluginFactory3*)obj)->release();

  // Another class id, or an interface the class has not, gives nothing.
  char otherId[16];
  std::memcpy(otherId, ci.cid, 16);
  otherId[15] ^= 1;
  obj = &obj;
  EXPECT_NE(f->createInstance(otherId, kComponentIid.mBytes, &obj), kResultOk);
  EXPECT_EQ(obj, nullptr);
  obj = &obj;
  EXPECT_EQ(f->createInstance(ci.cid, kPlugViewIid.mBytes, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  ASSERT_EQ(f->createInstance(ci.cid, kAudioProcessorIid.mBytes, &obj), kResultOk);
  EXPECT_EQ(((IAudioProcessor*)obj)->release(), 0u); // the only reference
}

// ---- Life cycle ---------------------------------------------------------------------------------

TEST(Vst3Life, ArdourOrderInitialisesTwiceTakesStateWhileProcessingAndEndsClean) {
  Vst3Module const& module = BuiltVst3();
  ASSERT_NE(module.mFactory, nullptr);
  std::vector<unsigned char> trance;
  {
    Instance v2;
    v2.Dispatch(effSetProgram, 0, 15);
    trance = v2.Chunk(1);
  }
  ASSERT_EQ(trance.size(), 188u);
  {
    Vst3Plugin p;
    ASSERT_TRUE(p.IsValid());
    // The component is its own controller: nothing to connect, no separate class.
    void* obj = &obj;
    EXPECT_NE(p.mComponent->queryInterface(kConnectionPointIid.mBytes, &obj), kResultOk);
    EXPECT_EQ(obj, nullptr);
    TUID cid;
    EXPECT_NE(p.mComponent->getControllerClassId(cid), kResultOk);
    EXPECT_EQ(p.mHandler.Refs(), 2); // held once, though initialised twice
    ASSERT_TRUE(p.Setup());

    float l[256] = {0}, r[256] = {0};
    float* ch[2] = {l, r};
    ProcessContext ctx;
    std::memset(&ctx, 0, sizeof(ctx));
    ctx.sampleRate = 44100.0;
    ctx.tempo = 120.0;
    ctx.state = kTempoValid;
    ASSERT_EQ(p.Process(ch, ch, 2, 256, &ctx), kResultOk);
    // A session's state arrives after setProcessing(true), inside a larger stream.
    EXPECT_EQ(p.SetState(trance, 48), kResultOk);
    EXPECT_EQ(p.State(), trance);
    EXPECT_EQ(p.Process(ch, ch, 2, 256, &ctx), kResultOk);
  }
  // The host's objects are given back at the end: the handler holds only its own count.
  TestComponentHandler handler;
  {
    Vst3Plugin p;
    p.mController->setComponentHandler(&handler);
    EXPECT_EQ(handler.Refs(), 2);
  }
  EXPECT_EQ(handler.Refs(), 1);
}

TEST(Vst3Life, ParameterFlushAndMissingContextOrBuffersAreHandled) {
  Vst3Plugin p;
  ASSERT_TRUE(p.IsValid());
  ASSERT_TRUE(p.Setup());
  // numSamples 0, no buses, no context: only the parameter changes apply.
  TestParamChanges changes;
  const double gate = 40.0 / 100.0;
  changes.Add(3, 0, gate);
  ProcessData data;
  std::memset(&data, 0, sizeof(data));
  data.symbolicSampleSize = kSample32;
  data.inputParameterChanges = &changes;
  ASSERT_EQ(p.mProcessor->process(&data), kResultOk);
  EXPECT_EQ(p.ParamText(3, Normalized(p, 3)), "40%");

  // Without a process context the gate runs free; without an input buffer it hears silence.
  float out[2][128];
  float* outs[2] = {out[0], out[1]};
  AudioBusBuffers noIn, bus;
  std::memset(&noIn, 0, sizeof(noIn));
  std::memset(&bus, 0, sizeof(bus));
  noIn.numChannels = 0;
  bus.numChannels = 2;
  bus.channelBuffers32 = outs;
  for (auto& c : out)
    for (float& s : c)
      s = 1.0f;
  data.numSamples = 128;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &noIn;
  data.outputs = &bus;
  changes.Clear();
  ASSERT_EQ(p.mProcessor->process(&data), kResultOk);
  for (auto& c : out)
    for (float s : c)
      ASSERT_EQ(s, 0.0f);
  // Refused: a negative count, an unknown sample size.
  data.numSamples = -1;
  EXPECT_NE(p.mProcessor->process(&data), kResultOk);
  data.numSamples = 16;
  data.symbolicSampleSize = 7;
  EXPECT_NE(p.mProcessor->process(&data), kResultOk);
}

// ---- Buses --------------------------------------------------------------------------------------

TEST(Vst3Buses, ArrangementsFollowTheVst2ChannelRules) {
  struct Case {
    SpeakerArrangement mIn, mOut;
    bool mAccepted;
  };
  const SpeakerArrangement surround = 0x3F;
  const Case cases[] = {{kArrMono, kArrMono, true},        {kArrStereo, kArrStereo, true},
                        {kArrMono, kArrStereo, false},     {kArrStereo, kArrMono, false},
                        {surround, surround, false},       {kArrStereo | 4, kArrStereo | 4, false}};
  for (const Case& c : cases) {
    Vst3Plugin p;
    ASSERT_TRUE(p.IsValid());
    EXPECT_EQ(p.mComponent->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(p.mComponent->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(p.mComponent->getBusCount(kEvent, kInput), 0);
    SpeakerArrangement in = c.mIn, out = c.mOut;
    EXPECT_EQ(p.mProcessor->setBusArrangements(&in, 1, &out, 1) == kResultTrue, c.mAccepted)
        << std::hex << c.mIn << " -> " << c.mOut;
    SpeakerArrangement got = 0;
    ASSERT_EQ(p.mProcessor->getBusArrangement(kInput, 0, &got), kResultOk);
    EXPECT_EQ(got, c.mAccepted ? c.mIn : kArrStereo);
    BusInfo info;
    ASSERT_EQ(p.mComponent->getBusInfo(kAudio, kOutput, 0, &info), kResultOk);
    EXPECT_EQ(info.channelCount, c.mAccepted && c.mOut == kArrMono ? 1 : 2);
    EXPECT_EQ(info.flags, kDefaultActive);
  }
  Vst3Plugin p;
  EXPECT_EQ(p.mProcessor->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(p.mProcessor->canProcessSampleSize(kSample64), kResultTrue);
  EXPECT_NE(p.mProcessor->canProcessSampleSize(2), kResultTrue);
}

// ---- Parameters ---------------------------------------------------------------------------------

TEST(Vst3Params, HostListsShowTenAutomatableParametersAndHideTheStepWords) {
  Vst3Plugin p;
  ASSERT_TRUE(p.IsValid());
  ASSERT_EQ(p.mController->getParameterCount(), kSavedParams + 1);
  struct Case {
    const char* mTitle;
    const char* mUnits;
    int mSteps;
    bool mList;
    const char* mDefaultText;
  };
  const Case visible[kVisibleParams] = {
      {"Rate", "", 27, true, "1/16"},      {"Cycle", "", 63, false, "16"},
      {"Attack", "%", 0, false, "5%"},     {"Gate", "%", 100, false, "100%"},
      {"Tie Lock", "", 1, true, "Yes"},    {"Release", "%", 0, false, "30%"},
      {"Fade", "%", 0, false, "5%"},       {"Split Freq", "Hz", 0, false, "1000Hz"},
      {"Target", "", 3, true, "Volume"},   {"Mix", "%", 100, false, "80%"}};
  for (int i = 0; i < kSavedParams + 1; ++i) {
    ParameterInfo info;
    ASSERT_EQ(p.mController->getParameterInfo(i, &info), kResultOk);
    if (i < kVisibleParams) {
      const Case& c = visible[i];
      EXPECT_EQ(info.id, (ParamID)i);
      EXPECT_EQ(FromUtf16(info.title), c.mTitle);
      EXPECT_EQ(FromUtf16(info.units), c.mUnits);
      EXPECT_EQ(info.stepCount, c.mSteps) << c.mTitle;
      EXPECT_EQ(info.flags, kCanAutomate | (c.mList ? kIsList : 0)) << c.mTitle;
      EXPECT_EQ(p.ParamText(info.id, info.defaultNormalizedValue), c.mDefaultText);
    } else if (i < kSavedParams) {
      EXPECT_EQ(info.id, (ParamID)i);
      EXPECT_EQ(info.flags, kCanAutomate | kIsHidden); // hidden, yet stored by hosts
    } else {
      EXPECT_EQ(info.id, kProgramId);
      EXPECT_EQ(info.flags, kIsProgramChange | kIsList);
      EXPECT_EQ(info.stepCount, kPrograms - 1);
    }
  }
  ParameterInfo info;
  EXPECT_NE(p.mController->getParameterInfo(kSavedParams + 1, &info), kResultOk);
  EXPECT_NE(p.mController->getParameterInfo(-1, &info), kResultOk);
  // Plain values are the plug-in's own, with exact inverses.
  EXPECT_EQ(p.mController->normalizedParamToPlain(7, 0.0), 20.0);
  EXPECT_EQ(p.mController->normalizedParamToPlain(7, 1.0), 20000.0);
  EXPECT_EQ(p.mController->normalizedParamToPlain(0, 1.0), 27.0);
  const double n = p.mController->plainParamToNormalized(7, 1000.0);
  EXPECT_NEAR(p.mController->normalizedParamToPlain(7, n), 1000.0, 1e-9);
}

TEST(Vst3Params, DisplayTextsBothWaysAreTheVst2Texts) {
  RecordingHost host;
  Instance v2;
  Vst3Plugin p;
  ASSERT_TRUE(p.IsValid());
  const float values[] = {0.0f, 0.02f, 0.1f, 0.25f, 1.0f / 3.0f, 0.5f, 0.61f, 0.77f, 0.999f, 1.0f};
  for (int i = 0; i < kVisibleParams; ++i)
    for (float n : values) {
      v2.Set(i, n);
      const std::string shown = v2.Text(effGetParamDisplay, i) + v2.Text(effGetParamLabel, i);
      EXPECT_EQ(p.ParamText((ParamID)i, n), shown) << "parameter " << i << " at " << n;
      // And the text back: the value VST2 takes from it, and the same text again.
      double back = -1.0;
      ASSERT_EQ(ValueByString(p, (ParamID)i, shown, &back), kResultOk) << shown;
      ASSERT_TRUE(v2.SetText(i, shown.c_str()));
      EXPECT_EQ((float)back, v2.Get(i)) << shown;
      EXPECT_EQ(p.ParamText((ParamID)i, back), shown);
    }
  EXPECT_EQ(p.ParamText(0, 9.0 / 27.0), "1/16");
  EXPECT_EQ(p.ParamText(7, p.mController->plainParamToNormalized(7, 1000.0)), "1000Hz");
  EXPECT_EQ(p.ParamText(8, 1.0), "Low - High");
  double v = -1.0;
  EXPECT_EQ(ValueByString(p, 8, "Low - High", &v), kResultOk);
  EXPECT_EQ(v, 1.0);
  for (const char* bad : {"", "fast", "Low-High", "-"})
    EXPECT_NE(ValueByString(p, 0, bad, &v), kResultOk) << bad;
  EXPECT_NE(ValueByString(p, 7, "Hz", &v), kResultOk);
  EXPECT_NE(ValueByString(p, 4711, "1", &v), kResultOk);
  EXPECT_EQ(p.ParamText(4711, 0.5), "<refused>");
}

// Ardour echoes our own values back narrowed to float, through setParamNormalized and
// the processor's queues: a step word keeps its exact value.
TEST(Vst3Params, FloatEchoesOfStepWordsKeepTheirExactValues) {
  Vst3Plugin p;
  ASSERT_TRUE(p.IsValid());
  ASSERT_TRUE(p.Setup());
  float l[64] = {0}, r[64] = {0};
  float* ch[2] = {l, r};
  for (int w = 0; w < 13; ++w) {
    const ParamID id = (ParamID)(kVisibleParams + w);
    const double max = w < 12 ? 9765624.0 : 390624.0;
    for (double word : {1.0, 4711.0, max / 3.0 + 0.5, max - 1.0}) {
      word = std::floor(word);
      ASSERT_EQ(p.mController->setParamNormalized(id, word / max), kResultOk);
      ASSERT_EQ(p.mController->normalizedParamToPlain(id, Normalized(p, id)), word);
      p.mController->setParamNormalized(id, (float)(word / max));
      EXPECT_EQ(p.mController->normalizedParamToPlain(id, Normalized(p, id)), word);
      TestParamChanges echo;
      echo.Add(id, 0, (float)(word / max));
      ASSERT_EQ(p.Process(ch, ch, 2, 64, nullptr, &echo), kResultOk);
      EXPECT_EQ(p.mController->normalizedParamToPlain(id, Normalized(p, id)), word);
    }
  }
}

// ---- Programs -----------------------------------------------------------------------------------

TEST(Vst3Programs, TheProgramListIsVst2sAndSelectingOneReportsItsValues) {
  RecordingHost host;
  Instance v2;
  Vst3Plugin p;
  ASSERT_TRUE(p.IsValid() && p.mUnitInfo);
  ASSERT_EQ(p.mUnitInfo->getProgramListCount(), 1);
  ProgramListInfo list;
  ASSERT_EQ(p.mUnitInfo->getProgramListInfo(0, &list), kResultOk);
  ASSERT_EQ(list.programCount, kPrograms);
  UnitInfo unit;
  ASSERT_EQ(p.mUnitInfo->getUnitInfo(0, &unit), kResultOk);
  EXPECT_EQ(unit.programListId, list.id);
  for (int i = 0; i < kPrograms; ++i) {
    String128 name;
    ASSERT_EQ(p.mUnitInfo->getProgramName(list.id, i, name), kResultOk);
    char v2Name[64] = {0};
    v2.Dispatch(effGetProgramNameIndexed, i, 0, v2Name);
    EXPECT_EQ(FromUtf16(name), v2Name) << i;
    EXPECT_EQ(p.ParamText(kProgramId, i / 49.0), v2Name);
  }
  String128 name;
  EXPECT_NE(p.mUnitInfo->getProgramName(list.id, kPrograms, name), kResultOk);

  ASSERT_TRUE(p.Setup());
  // Selected as Ardour does: normalised index / (count - 1), on the controller side.
  p.mController->setParamNormalized(kProgramId, 15.0 / 49.0);
  v2.Dispatch(effSetProgram, 0, 15);
  for (int i = 0; i < kSavedParams; ++i)
    EXPECT_EQ((float)Normalized(p, (ParamID)i), v2.Get(i)) << i;
  EXPECT_EQ(Normalized(p, kProgramId), 15.0 / 49.0);
  // No restart while the host selects (Ardour hangs on it): the values come with the next
  // block's output changes.
  for (const HandlerCall& c : p.mHandler.mCalls)
    EXPECT_NE(c.mKind, 'r');
  float l[64] = {0}, r[64] = {0};
  float* ch[2] = {l, r};
  ASSERT_EQ(p.Process(ch, ch, 2, 64, nullptr), kResultOk);
  for (int i = 0; i < kSavedParams; ++i)
    EXPECT_EQ(p.mOutChanges.Last((ParamID)i), Normalized(p, (ParamID)i)) << i;
  // A program change through the processor's queue alone loads it too.
  TestParamChanges changes;
  changes.Add(kProgramId, 0, 9.0 / 49.0);
  ASSERT_EQ(p.Process(ch, ch, 2, 64, nullptr, &changes), kResultOk);
  v2.Dispatch(effSetProgram, 0, 9);
  for (int i = 0; i < kSavedParams; ++i)
    EXPECT_EQ((float)Normalized(p, (ParamID)i), v2.Get(i)) << i;
  EXPECT_EQ(p.mOutChanges.Last(kProgramId), 9.0 / 49.0);
}

// ---- State --------------------------------------------------------------------------------------

TEST(Vst3State, RoundTripsTheVst2BlobAtAnyStreamPosition) {
  RecordingHost host;
  Instance v2;
  Vst3Plugin p;
  ASSERT_TRUE(p.IsValid());
  const std::pair<int, float> edits[] = {{0, 0.5f}, {1, 0.25f}, {7, 0.3f}, {8, 1.0f}, {12, 0.6f}};
  for (auto e : edits) {
    v2.Set(e.first, e.second);
    p.mController->setParamNormalized((ParamID)e.first, e.second);
  }
  const std::vector<unsigned char> blob = v2.Chunk(1);
  ASSERT_EQ(blob.size(), 188u);
  for (int64_t offset : {0, 48, 1001}) {
    EXPECT_EQ(p.State(offset), blob) << offset;
    Vst3Plugin q;
    ASSERT_EQ(q.SetState(blob, offset), kResultOk) << offset;
    for (int i = 0; i < kSavedParams; ++i)
      EXPECT_EQ(Normalized(q, (ParamID)i), Normalized(p, (ParamID)i)) << i;
    EXPECT_EQ(q.State(), blob);
  }
}

TEST(Vst3State, BadStreamsAreRefusedWholeAndChangeNothing) {
  Vst3Plugin p;
  ASSERT_TRUE(p.IsValid());
  p.mController->setParamNormalized(0, 0.5);
  const std::vector<unsigned char> good = p.State();
  ASSERT_EQ(good.size(), 188u);
  std::vector<std::vector<unsigned char>> bad;
  bad.push_back({});
  bad.push_back(std::vector<unsigned char>(good.begin(), good.end() - 1));
  std::vector<unsigned char> longer = good;
  longer.push_back(0);
  bad.push_back(longer);
  bad.push_back(std::vector<unsigned char>(8000, 0));
  std::vector<unsigned char> version = good;
  version[0] ^= 1;
  bad.push_back(version);
  std::vector<unsigned char> nan = good;
  const double notANumber = std::numeric_limits<double>::quiet_NaN();
  std::memcpy(&nan[4 + 8 * 5], &notANumber, 8);
  bad.push_back(nan);
  Vst3Plugin other;
  other.mController->setParamNormalized(0, 1.0);
  other.mController->setParamNormalized(12, 0.75);
  const std::vector<unsigned char> before = other.State();
  for (const auto& bytes : bad) {
    EXPECT_EQ(other.SetState(bytes, 48), kResultFalse) << bytes.size();
    EXPECT_EQ(other.State(), before);
  }
  EXPECT_NE(other.mComponent->setState(nullptr), kResultOk);
  EXPECT_NE(other.mComponent->getState(nullptr), kResultOk);
}

} // namespace
