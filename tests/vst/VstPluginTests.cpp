// Corvanel as a VST2 host sees it: the real plug-in library, loaded at run time and
// driven through its entry point, dispatcher and processing callbacks, with a host
// callback that records what the plug-in asks and tells.
#include "PluginLibrary.h"
#include "RecordingHost.h"
#include "VstInstance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double NormalizedOf(double value, double min, double max) { return (value - min) / (max - min); }

int32_t ReadInt32LE(const unsigned char* p) {
  return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 |
                   (uint32_t)p[3] << 24);
}

double ReadDoubleLE(const unsigned char* p) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i)
    bits |= (uint64_t)p[i] << (8 * i);
  double value;
  std::memcpy(&value, &bits, 8);
  return value;
}

void WriteDoubleLE(unsigned char* p, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  for (int i = 0; i < 8; ++i)
    p[i] = (unsigned char)(bits >> (8 * i));
}

class VstPluginTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(BuiltPlugin().IsLoaded()) << BuiltPlugin().Error();
    ASSERT_NE(Entry("VSTPluginMain"), nullptr);
  }
  RecordingHost mHost;
};

// ---- Entry points and the effect record ------------------------------------------------------

TEST_F(VstPluginTest, BothEntryPointsCreateTheEffectRecord) {
  for (const char* name : {"VSTPluginMain", "main"}) {
    SCOPED_TRACE(name);
    VstPluginMainProc entry = Entry(name);
    ASSERT_NE(entry, nullptr);
    AEffect* effect = entry(RecordingHost::Callback);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->numPrograms, kPrograms);
    EXPECT_EQ(effect->numParams, kDeclaredParams);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    // The editor opens in the host's window (X11 on Linux, Win32 on Windows).
    // Program chunks: hosts save the exact state.
    EXPECT_EQ(effect->flags, effFlagsCanReplacing | effFlagsCanDoubleReplacing |
                                 effFlagsProgramChunks | effFlagsCanMono | effFlagsHasEditor);
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->resvd2, 0);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_EQ(effect->uniqueID, VstFourCC('c', 'h', 'z', 'g'));
    EXPECT_EQ(effect->version, 10200);
    EXPECT_NE(effect->process, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);
    EXPECT_NE(effect->getParameter, nullptr);
    EXPECT_NE(effect->setParameter, nullptr);
    for (char c : effect->future)
      EXPECT_EQ(c, 0);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
}

TEST_F(VstPluginTest, NoHostCallbackCreatesNothing) {
  EXPECT_EQ(Entry("VSTPluginMain")(nullptr), nullptr);
}

TEST_F(VstPluginTest, DispatcherWithoutInstanceAnswersZero) {
  AEffect orphan;
  std::memset(&orphan, 0, sizeof(orphan));
  Instance plug;
  EXPECT_EQ(plug.mEffect->dispatcher(&orphan, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(plug.mEffect->dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(plug.mEffect->getParameter(&orphan, 0), 0.0f);
}

// ---- The dispatcher, opcode by opcode --------------------------------------------------------

struct DispatchCase {
  const char* mWhat;
  VstInt32 mOpcode;
  VstInt32 mIndex;
  VstIntPtr mValue;
  bool mWithBuffer;
  VstIntPtr mExpected;
};

TEST_F(VstPluginTest, DispatcherAnswers) {
  const VstIntPtr kNvEf = VstFourCC('N', 'v', 'E', 'f');
  const DispatchCase cases[] = {
      {"VST version", effGetVstVersion, 0, 0, false, 2400},
      {"identify", effIdentify, 0, 0, false, kNvEf},
      {"category", effGetPlugCategory, 0, 0, false, kPlugCategEffect},
      {"vendor version", effGetVendorVersion, 0, 0, false, 10200},
      {"current program", effGetProgram, 0, 0, false, 0},
      {"automatable first", effCanBeAutomated, 0, 0, false, 1},
      {"automatable step word", effCanBeAutomated, 22, 0, false, 1},
      {"automatable extra", effCanBeAutomated, 25, 0, false, 1},
      {"automatable past the list", effCanBeAutomated, 26, 0, false, 0},
      {"automatable negative", effCanBeAutomated, -1, 0, false, 0},
      {"editor rect", effEditGetRect, 0, 0, true, 1},
      {"editor rect with nowhere to put it", effEditGetRect, 0, 0, false, 0},
      {"editor open without window", effEditOpen, 0, 0, true, 0},
      {"editor close", effEditClose, 0, 0, false, 1},
      {"editor idle", effEditIdle, 0, 0, false, 0},
      {"idle", effIdle, 0, 0, false, 0},
      {"effect name", effGetEffectName, 0, 0, true, 1},
      {"effect name, no buffer", effGetEffectName, 0, 0, false, 0},
      {"vendor", effGetVendorString, 0, 0, true, 1},
      {"vendor, no buffer", effGetVendorString, 0, 0, false, 0},
      {"product", effGetProductString, 0, 0, true, 1},
      {"product, no buffer", effGetProductString, 0, 0, false, 0},
      {"program name indexed", effGetProgramNameIndexed, 49, 0, true, 1},
      {"program name past the list", effGetProgramNameIndexed, 50, 0, true, 0},
      {"program name negative", effGetProgramNameIndexed, -1, 0, true, 0},
      {"program name, no buffer", effGetProgramNameIndexed, 0, 0, false, 0},
      {"input pin past the list", effGetInputProperties, 2, 0, true, 0},
      {"input pin, no buffer", effGetInputProperties, 0, 0, false, 0},
      {"output pin negative", effGetOutputProperties, -1, 0, true, 0},
      {"chunk, no buffer", effGetChunk, 0, 0, false, 0},
      {"set chunk, no data", effSetChunk, 0, 188, false, 0},
      {"events, no list", effProcessEvents, 0, 0, false, 0},
      {"text entry past the list", effString2Parameter, 26, 0, true, 0},
      {"text entry without text", effString2Parameter, 0, 0, false, 1},
      {"speaker arrangements, none given", effSetSpeakerArrangement, 0, 0, false, 1},
      {"MIDI key name, no record", effGetMidiKeyName, 0, 0, false, 0},
      {"MIDI key name", effGetMidiKeyName, 0, 0, true, 0},
      {"can do, no text", effCanDo, 0, 0, false, 0},
      {"tail size", effGetTailSize, 0, 0, false, 0},
      {"MIDI input channels", effGetNumMidiInputChannels, 0, 0, false, 0},
      {"bypass", effSetBypass, 0, 1, false, 0},
      {"vendor specific, unknown", effVendorSpecific, 1234, 0, true, 0},
      {"unknown opcode 80", 80, 0, 0, true, 0},
      {"unknown opcode -1", -1, 0, 0, true, 0},
      {"unknown opcode 100000", 100000, 0, 0, true, 0},
  };
  Instance plug;
  for (const DispatchCase& c : cases) {
    SCOPED_TRACE(c.mWhat);
    alignas(8) char buffer[1024];
    std::memset(buffer, 0, sizeof(buffer));
    EXPECT_EQ(plug.Dispatch(c.mOpcode, c.mIndex, c.mValue, c.mWithBuffer ? buffer : nullptr),
              c.mExpected);
  }
}

TEST_F(VstPluginTest, IdentityTextsAreBoundedByTheInterfaceLengths) {
  Instance plug;
  EXPECT_EQ(plug.Text(effGetEffectName), "Corvanel");
  EXPECT_EQ(plug.Text(effGetVendorString), "Orbalin");
  EXPECT_EQ(plug.Text(effGetProductString), "");

  const struct {
    VstInt32 mOpcode;
    int mLimit;
  } limits[] = {{effGetEffectName, kVstMaxEffectNameLen},
                {effGetVendorString, kVstMaxVendorStrLen},
                {effGetProductString, kVstMaxProductStrLen},
                {effGetProgramName, kVstMaxProgNameLen},
                {effGetParamName, 32},
                {effGetParamLabel, 32},
                {effGetParamDisplay, 32}};
  for (const auto& limit : limits) {
    SCOPED_TRACE(limit.mOpcode);
    char buf[512];
    std::memset(buf, 0x7f, sizeof(buf));
    plug.Dispatch(limit.mOpcode, 0, 0, buf);
    EXPECT_LT(std::strlen(buf), (size_t)limit.mLimit);
    for (size_t i = (size_t)limit.mLimit; i < sizeof(buf); ++i)
      ASSERT_EQ(buf[i], 0x7f) << "byte " << i << " written";
  }
}

// ---- Parameters over the host path -----------------------------------------------------------

TEST_F(VstPluginTest, ParameterNamesLabelsAndDisplayTexts) {
  Instance plug;
  const char* names[] = {"Rate",    "Cycle", "Attack",     "Gate",   "Tie Lock",
                         "Release", "Fade",  "Split Freq", "Target", "Mix"};
  const char* labels[] = {"", "", "%", "%", "", "%", "%", "Hz", "", "%"};
  const char* displays[] = {"1/16", "16", "5", "100", "Yes", "30", "5", "1000", "Volume", "80"};
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(plug.Text(effGetParamName, i), names[i]);
    EXPECT_EQ(plug.Text(effGetParamLabel, i), labels[i]);
    EXPECT_EQ(plug.Text(effGetParamDisplay, i), displays[i]);
  }
  for (int i = 10; i < kAllParams; ++i)
    EXPECT_EQ(plug.Text(effGetParamName, i), "") << i;
  EXPECT_EQ(plug.Text(effGetParamDisplay, 10), "4882812");
  EXPECT_EQ(plug.Text(effGetParamDisplay, 22), "390624");

  // Outside the list nothing is written.
  for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
    char buf[64];
    std::memset(buf, 0x7f, sizeof(buf));
    EXPECT_EQ(plug.Dispatch(opcode, kAllParams, 0, buf), 0);
    EXPECT_EQ(plug.Dispatch(opcode, -1, 0, buf), 0);
    EXPECT_EQ(buf[0], 0x7f);
  }
}

TEST_F(VstPluginTest, SetAndGetParameterNormalised) {
  Instance plug;
  plug.Set(1, (float)NormalizedOf(33, 1, 64)); // Cycle
  EXPECT_EQ(plug.Text(effGetParamDisplay, 1), "33");
  EXPECT_FLOAT_EQ(plug.Get(1), (float)NormalizedOf(33, 1, 64));

  // Values outside 0..1 and NaN end at the range's ends.
  plug.Set(3, 7.0f);
  EXPECT_EQ(plug.Text(effGetParamDisplay, 3), "100");
  plug.Set(3, -2.0f);
  EXPECT_EQ(plug.Text(effGetParamDisplay, 3), "0");
  plug.Set(9, std::nanf(""));
  EXPECT_EQ(plug.Text(effGetParamDisplay, 9), "0");
  EXPECT_EQ(plug.Get(9), 0.0f);

  // The extra parameters are reachable although the host is told of 23.
  plug.Set(24, 0.5f);
  EXPECT_FLOAT_EQ(plug.Get(24), 0.5f);

  const std::vector<float> before = plug.AllParams();
  plug.Set(kAllParams, 0.3f);
  plug.Set(-1, 0.3f);
  EXPECT_EQ(plug.AllParams(), before);
  EXPECT_EQ(plug.Get(kAllParams), 0.0f);
  EXPECT_EQ(plug.Get(-1), 0.0f);
}

TEST_F(VstPluginTest, TextEntrySetsDisplayTextsAndClampsNumbers) {
  const struct {
    int mParam;
    const char* mText;
    const char* mShown;
  } cases[] = {
      {0, "1/4", "1/4"}, {0, "4/1", "4/1"}, {8, "Low - High", "Low - High"},
      {4, "No", "No"},   {1, "1000", "64"}, {1, "-5", "1"},
      {1, "12", "12"},   {1, "abc", "1"},   {7, "1e309", "20000"},
      {7, "nan", "20"},  {2, "150", "150"}, {9, "", "0"},
  };
  Instance plug;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mText);
    EXPECT_TRUE(plug.SetText(c.mParam, c.mText));
    EXPECT_EQ(plug.Text(effGetParamDisplay, c.mParam), c.mShown);
  }

  // A text of 300 characters is read no further than the plug-in's text limit.
  std::string longText(300, '7');
  EXPECT_TRUE(plug.SetText(1, longText.c_str()));
  EXPECT_EQ(plug.Text(effGetParamDisplay, 1), "64");

  const std::vector<float> before = plug.AllParams();
  EXPECT_FALSE(plug.SetText(kAllParams, "5"));
  EXPECT_FALSE(plug.SetText(-1, "5"));
  EXPECT_TRUE(plug.SetText(1, nullptr)); // valid index, no text: accepted, nothing changes
  EXPECT_EQ(plug.AllParams(), before);
}

TEST_F(VstPluginTest, VendorSpecificParameterRequests) {
  Instance plug;
  const VstIntPtr kDone = 0xbeef;
  char buf[256];

  // Display text of a given normalised value.
  std::memset(buf, 0, sizeof(buf));
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effGetParamDisplay, 0, buf, 1.0f), kDone);
  EXPECT_STREQ(buf, "4/1");
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effGetParamDisplay, 1, buf, 5.0f), kDone);
  EXPECT_STREQ(buf, "64");
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effGetParamDisplay, kAllParams, buf, 0.5f), 0);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effGetParamDisplay, 0, nullptr, 0.5f), 0);

  // Number of display texts of an enumerated parameter; none for integer ones.
  int32_t count = -1;
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effGetParamName, 0, &count), kDone);
  EXPECT_EQ(count, 28);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effGetParamName, 8, &count), kDone);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effGetParamName, 1, &count), 0);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effGetParamName, -1, &count), 0);

  // A typed text turned into the normalised value it means, written over the text.
  std::snprintf(buf, sizeof(buf), "1/4");
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effString2Parameter, 0, buf), kDone);
  EXPECT_EQ(std::strtod(buf, nullptr), 15.0 / 27.0);
  EXPECT_EQ(std::strlen(buf), 19u);
  std::snprintf(buf, sizeof(buf), "999");
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effString2Parameter, 1, buf), kDone);
  EXPECT_STREQ(buf, "1.00000000000000000");
  buf[0] = 0;
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effString2Parameter, 1, buf), kDone);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effString2Parameter, kAllParams, buf), 0);
  EXPECT_EQ(plug.Text(effGetParamDisplay, 1), "16"); // nothing was set

  // No extra state strings; chunk version notice; wheel without an editor window.
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effGetParameterProperties, 0, buf), 0);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, effGetVstVersion, 10200), 0);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, VstFourCC('s', 't', 'C', 'A'),
                          VstFourCC('W', 'h', 'e', 'e'), nullptr, 1.0f),
            0);
}

TEST_F(VstPluginTest, CanDoAnswers) {
  const VstIntPtr kCockos = (VstIntPtr)0xbeef0000u;
  const struct {
    const char* mText;
    VstIntPtr mAnswer;
  } cases[] = {
      {"receiveVstTimeInfo", 1},
      {"hasCockosExtensions", kCockos},
      {"hasCockosViewAsConfig", kCockos},
      {"receiveVstEvents", 0},
      {"receiveVstMidiEvent", 0},
      {"sendVstEvents", 0},
      {"sendVstMidiEvent", 0},
      {"bypass", 0},
      {"ReceiveVstTimeInfo", 0},
      {"receiveVstTimeInfo ", 0},
      {"", 0},
  };
  Instance plug;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mText);
    EXPECT_EQ(plug.Dispatch(effCanDo, 0, 0, (void*)c.mText), c.mAnswer);
  }
  std::string longText = "receiveVstTimeInfo" + std::string(400, 'x');
  EXPECT_EQ(plug.Dispatch(effCanDo, 0, 0, (void*)longText.c_str()), 0);
}

// ---- Programs ---------------------------------------------------------------------------------

TEST_F(VstPluginTest, FiftyProgramNames) {
  Instance plug;
  for (int i = 0; i < kPrograms; ++i) {
    SCOPED_TRACE(i);
    char buf[256];
    std::memset(buf, 0x7f, sizeof(buf));
    EXPECT_EQ(plug.Dispatch(effGetProgramNameIndexed, i, 0, buf), 1);
    EXPECT_GT(std::strlen(buf), 0u);
    EXPECT_LT(std::strlen(buf), (size_t)kVstMaxProgNameLen);
    EXPECT_EQ(buf[kVstMaxProgNameLen], 0x7f);
    if (i >= 25) {
      EXPECT_EQ(std::string(buf), "- " + std::to_string(i + 1) + " -");
    }
  }
  EXPECT_EQ(plug.Text(effGetProgramNameIndexed, 0), "---- default ----");
  EXPECT_EQ(plug.Text(effGetProgramNameIndexed, 1), "Mini Gate");
  EXPECT_EQ(plug.Text(effGetProgramName), "---- default ----");
}

TEST_F(VstPluginTest, ProgramChangesAndNames) {
  Instance plug;
  plug.Dispatch(effSetProgram, 0, 1); // "Mini Gate": Cycle 8, Mix 100
  EXPECT_EQ(plug.Dispatch(effGetProgram), 1);
  EXPECT_EQ(plug.Text(effGetProgramName), "Mini Gate");
  EXPECT_EQ(plug.Text(effGetParamDisplay, 1), "8");
  EXPECT_EQ(plug.Text(effGetParamDisplay, 9), "100");

  // Out-of-range programs change nothing, also values that only fit in 32 bits when cut.
  const std::vector<float> before = plug.AllParams();
  const VstIntPtr invalid[] = {
    kPrograms,
    -1,
    (VstIntPtr)INTPTR_MAX,
#if INTPTR_MAX > INT32_MAX
    (VstIntPtr)((int64_t)1 << 32) + 2 // 2 once cut to 32 bits
#else
    INT32_MIN
#endif
  };
  for (VstIntPtr value : invalid) {
    plug.Dispatch(effSetProgram, 0, value);
    EXPECT_EQ(plug.Dispatch(effGetProgram), 1);
  }
  EXPECT_EQ(plug.AllParams(), before);

  // Renaming; a name longer than the interface allows is kept to its length.
  plug.Dispatch(effSetProgramName, 0, 0, (void*)"My Gate");
  EXPECT_EQ(plug.Text(effGetProgramName), "My Gate");
  EXPECT_EQ(plug.Text(effGetProgramNameIndexed, 1), "My Gate");
  plug.Dispatch(effSetProgramName, 0, 0, (void*)"A name far longer than twenty-three characters");
  EXPECT_EQ(plug.Text(effGetProgramName), "A name far longer than ");

  // The program left keeps the values it had when the host switched away.
  plug.Set(1, (float)NormalizedOf(5, 1, 64));
  plug.Dispatch(effSetProgram, 0, 0);
  plug.Dispatch(effSetProgram, 0, 1);
  EXPECT_EQ(plug.Text(effGetParamDisplay, 1), "5");
}

// ---- Chunks -----------------------------------------------------------------------------------

TEST_F(VstPluginTest, ChunkHoldsTheVersionAndTheParameterBlock) {
  Instance plug;
  const double defaults[kDeclaredParams] = {9,       16,      5,       100,     1,       30,
                                            5,       1000,    0,       80,      4882812, 4882812,
                                            4882812, 4882812, 4882812, 4882812, 4890624, 9765624,
                                            9765624, 9765624, 9765624, 9765624, 390624};
  for (int index : {0, 1}) {
    SCOPED_TRACE(index);
    const std::vector<unsigned char> chunk = plug.Chunk(index);
    ASSERT_EQ(chunk.size(), 188u);
    EXPECT_EQ(ReadInt32LE(chunk.data()), 10200);
    for (int i = 0; i < kDeclaredParams; ++i)
      EXPECT_EQ(ReadDoubleLE(chunk.data() + 4 + 8 * i), defaults[i]) << "parameter " << i;
  }
}

TEST_F(VstPluginTest, ChunkRoundTripRestoresEveryParameter) {
  Instance source;
  source.SetText(0, "1/8T");
  source.SetText(1, "7");
  source.SetText(7, "250");
  source.SetText(8, "High Gain");
  source.Set(12, 0.25f);
  source.Set(22, 1.0f);
  const std::vector<unsigned char> bank = source.Chunk(0);
  const std::vector<unsigned char> program = source.Chunk(1);
  ASSERT_EQ(bank.size(), 188u);
  EXPECT_EQ(program, bank);

  for (int index : {0, 1}) {
    SCOPED_TRACE(index);
    Instance target;
    EXPECT_EQ(target.SetChunk(index, bank), 1);
    for (int i = 0; i < kDeclaredParams; ++i)
      EXPECT_EQ(target.Get(i), source.Get(i)) << "parameter " << i;
    EXPECT_EQ(target.Chunk(0), bank);
  }
}

TEST_F(VstPluginTest, ChunkHandedBackFromTheSameBufferIsRead) {
  Instance plug;
  plug.SetText(1, "9");
  void* data = nullptr;
  const VstIntPtr size = plug.Dispatch(effGetChunk, 0, 0, &data);
  ASSERT_EQ(size, 188);
  plug.SetText(1, "3");
  EXPECT_EQ(plug.Dispatch(effSetChunk, 0, size, data), 1);
  EXPECT_EQ(plug.Text(effGetParamDisplay, 1), "9");
}

TEST_F(VstPluginTest, IncompleteChunksAreRefusedAndChangeNothing) {
  Instance source;
  source.SetText(1, "40");
  const std::vector<unsigned char> good = source.Chunk(0);
  ASSERT_EQ(good.size(), 188u);

  Instance plug;
  const std::vector<float> before = plug.AllParams();
  for (size_t size : {0u, 2u, 3u, 4u, 5u, 12u, 100u, 187u}) {
    SCOPED_TRACE(size);
    std::vector<unsigned char> shortChunk(good.begin(), good.begin() + size);
    EXPECT_EQ(plug.SetChunk(0, shortChunk), 0);
    EXPECT_EQ(plug.SetChunk(1, shortChunk), 0);
    EXPECT_EQ(plug.AllParams(), before);
  }
  EXPECT_EQ(plug.Dispatch(effSetChunk, 0, -1, (void*)good.data()), 0);
  EXPECT_EQ(plug.AllParams(), before);
}

TEST_F(VstPluginTest, ChunkValuesAreClampedAndTrailingBytesIgnored) {
  Instance plug;
  std::vector<unsigned char> chunk = plug.Chunk(0);
  ASSERT_EQ(chunk.size(), 188u);
  WriteDoubleLE(chunk.data() + 4 + 8 * 1, std::nan("")); // Cycle: NaN gives the minimum
  WriteDoubleLE(chunk.data() + 4 + 8 * 7, 1e300);        // Split Freq: above the maximum
  WriteDoubleLE(chunk.data() + 4 + 8 * 3, -50.0);        // Gate: below the minimum
  chunk.resize(240, 0xAB);
  EXPECT_EQ(plug.SetChunk(0, chunk), 1);
  EXPECT_EQ(plug.Text(effGetParamDisplay, 1), "1");
  EXPECT_EQ(plug.Text(effGetParamDisplay, 7), "20000");
  EXPECT_EQ(plug.Text(effGetParamDisplay, 3), "0");
}

// ---- Pins and speaker arrangements ------------------------------------------------------------

TEST_F(VstPluginTest, PinProperties) {
  const struct {
    VstInt32 mOpcode;
    int mIndex;
    int mFlags;
    const char* mLabel;
  } cases[] = {
      {effGetInputProperties, 0, kVstPinIsActive | kVstPinIsStereo, "Input 1"},
      {effGetInputProperties, 1, kVstPinIsActive, "Input 2"},
      {effGetOutputProperties, 0, kVstPinIsActive | kVstPinIsStereo, "Output 1"},
      {effGetOutputProperties, 1, kVstPinIsActive, "Output 2"},
  };
  Instance plug;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mLabel);
    VstPinProperties pin;
    std::memset(&pin, 0x55, sizeof(pin));
    EXPECT_EQ(plug.Dispatch(c.mOpcode, c.mIndex, 0, &pin), 1);
    EXPECT_EQ(pin.flags, c.mFlags);
    EXPECT_STREQ(pin.label, c.mLabel);
  }
}

TEST_F(VstPluginTest, SpeakerArrangementsReported) {
  Instance plug;
  VstSpeakerArrangement* in = nullptr;
  VstSpeakerArrangement* out = nullptr;
  EXPECT_EQ(plug.Dispatch(effGetSpeakerArrangement, 0, (VstIntPtr)&in, &out), 1);
  ASSERT_NE(in, nullptr);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(in->type, kSpeakerArrStereo);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->type, kSpeakerArrStereo);
  EXPECT_EQ(out->numChannels, 2);
}

// ---- Processing -------------------------------------------------------------------------------

// Stereo test signal of n frames, different on the two channels.
std::vector<std::vector<float>> Signal(int n, int offset = 0) {
  std::vector<std::vector<float>> s(2, std::vector<float>(n));
  for (int i = 0; i < n; ++i) {
    s[0][i] = (float)(0.5 * std::sin(0.013 * (i + offset)));
    s[1][i] = (float)(0.4 * std::cos(0.021 * (i + offset)) + 0.1);
  }
  return s;
}

// The host's sample position and the musical position of a song at its one tempo.
void SetHostPosition(RecordingHost& host, int pos) {
  host.mTime.samplePos = pos;
  host.mTime.ppqPos = pos * host.mTime.tempo / (60.0 * host.mTime.sampleRate);
}

// Runs n frames through a processing callback starting at host position `pos`.
std::vector<std::vector<float>> RunFloat(Instance& plug, RecordingHost& host,
                                         std::vector<std::vector<float>> in, int pos,
                                         bool accumulate = false, float prefill = 0.0f) {
  const int n = (int)in[0].size();
  std::vector<std::vector<float>> out(2, std::vector<float>(n, prefill));
  float* inPtrs[2] = {in[0].data(), in[1].data()};
  float* outPtrs[2] = {out[0].data(), out[1].data()};
  SetHostPosition(host, pos);
  if (accumulate)
    plug.mEffect->process(plug.mEffect, inPtrs, outPtrs, n);
  else
    plug.mEffect->processReplacing(plug.mEffect, inPtrs, outPtrs, n);
  return out;
}

std::vector<std::vector<double>> RunDouble(Instance& plug, RecordingHost& host,
                                           const std::vector<std::vector<float>>& in, int pos) {
  const int n = (int)in[0].size();
  std::vector<std::vector<double>> din(2, std::vector<double>(n));
  for (int ch = 0; ch < 2; ++ch)
    for (int i = 0; i < n; ++i)
      din[ch][i] = in[ch][i];
  std::vector<std::vector<double>> out(2, std::vector<double>(n, 0.0));
  double* inPtrs[2] = {din[0].data(), din[1].data()};
  double* outPtrs[2] = {out[0].data(), out[1].data()};
  SetHostPosition(host, pos);
  plug.mEffect->processDoubleReplacing(plug.mEffect, inPtrs, outPtrs, n);
  return out;
}

TEST_F(VstPluginTest, FloatDoubleAndAccumulatingProcessingAgree) {
  Instance floatPlug, doublePlug, accumulatingPlug;
  int changed = 0, heard = 0;
  for (int block = 0; block < 8; ++block) {
    const int pos = block * 512;
    const auto in = Signal(512, pos);
    const auto f = RunFloat(floatPlug, mHost, in, pos);
    const auto d = RunDouble(doublePlug, mHost, in, pos);
    const auto a = RunFloat(accumulatingPlug, mHost, in, pos, true, 0.25f);
    for (int ch = 0; ch < 2; ++ch)
      for (int i = 0; i < 512; ++i) {
        ASSERT_EQ(f[ch][i], (float)d[ch][i]) << "block " << block << " ch " << ch << " i " << i;
        ASSERT_EQ(a[ch][i], 0.25f + f[ch][i]) << "block " << block << " ch " << ch << " i " << i;
        if (f[ch][i] != in[ch][i]) ++changed;
        if (f[ch][i] != 0.0f) ++heard;
      }
  }
  EXPECT_GT(changed, 0) << "the plug-in never changed the signal";
  EXPECT_GT(heard, 0) << "the plug-in never processed a block";
}

TEST_F(VstPluginTest, HostBlocksLongerThanTheBlockSizeRunInSlices) {
  Instance sliced, stepped;
  sliced.Dispatch(effSetBlockSize, 0, 256);
  stepped.Dispatch(effSetBlockSize, 0, 256);
  const int n = 1000;
  const auto in = Signal(n);
  // One host block of 1000 frames against the same audio in blocks of the announced size.
  const auto whole = RunFloat(sliced, mHost, in, 0);
  for (int start = 0; start < n; start += 256) {
    const int len = n - start < 256 ? n - start : 256;
    std::vector<std::vector<float>> part(2);
    for (int ch = 0; ch < 2; ++ch)
      part[ch].assign(in[ch].begin() + start, in[ch].begin() + start + len);
    const auto out = RunFloat(stepped, mHost, part, start);
    for (int ch = 0; ch < 2; ++ch)
      for (int i = 0; i < len; ++i)
        ASSERT_EQ(whole[ch][start + i], out[ch][i]) << "frame " << start + i;
  }
}

TEST_F(VstPluginTest, DegenerateProcessingCallsLeaveTheBuffersAlone) {
  Instance plug;
  std::vector<float> a(64, 0.5f), b(64, 0.5f), c(64, 0.75f), d(64, 0.75f);
  float* in[2] = {a.data(), b.data()};
  float* out[2] = {c.data(), d.data()};
  plug.mEffect->processReplacing(plug.mEffect, in, out, 0);
  plug.mEffect->processReplacing(plug.mEffect, in, out, -64);
  plug.mEffect->processReplacing(plug.mEffect, nullptr, out, 64);
  plug.mEffect->processReplacing(plug.mEffect, in, nullptr, 64);
  float* withNull[2] = {a.data(), nullptr};
  plug.mEffect->processReplacing(plug.mEffect, withNull, out, 64);
  EXPECT_EQ(c, std::vector<float>(64, 0.75f));
  EXPECT_EQ(d, std::vector<float>(64, 0.75f));

  // Block sizes and sample rates that make no sense are ignored.
  plug.Dispatch(effSetBlockSize, 0, 0);
  plug.Dispatch(effSetBlockSize, 0, -5);
  plug.Dispatch(effSetSampleRate, 0, 0, nullptr, std::nanf(""));
  plug.Dispatch(effSetSampleRate, 0, 0, nullptr, -44100.0f);
  const auto outAfter = RunFloat(plug, mHost, Signal(512), 0);
  for (float v : outAfter[0])
    ASSERT_TRUE(std::isfinite(v));
}

VstSpeakerArrangement Arrangement(int nChannels) {
  VstSpeakerArrangement arrangement;
  std::memset(&arrangement, 0, sizeof(arrangement));
  arrangement.type = nChannels == 1   ? kSpeakerArrMono
                     : nChannels == 2 ? kSpeakerArrStereo
                                      : kSpeakerArrUserDefined;
  arrangement.numChannels = nChannels;
  return arrangement;
}

// Output of a fresh instance for one block, after the host offered the given input and
// output arrangements (null: none) and the plug-in gave the expected answer.
std::vector<std::vector<float>> FreshOutput(RecordingHost& host,
                                            const std::vector<std::vector<float>>& in,
                                            const int* inputChannels,
                                            const int* outputChannels = nullptr,
                                            VstIntPtr expectedAnswer = 1) {
  Instance plug;
  if (inputChannels || outputChannels) {
    VstSpeakerArrangement input = Arrangement(inputChannels ? *inputChannels : 0);
    VstSpeakerArrangement output = Arrangement(outputChannels ? *outputChannels : 0);
    EXPECT_EQ(plug.Dispatch(effSetSpeakerArrangement, 0, inputChannels ? (VstIntPtr)&input : 0,
                            outputChannels ? &output : nullptr),
              expectedAnswer);
  }
  return RunFloat(plug, host, in, 0);
}

TEST_F(VstPluginTest, MonoInputArrangementLeavesInputTwoUnconnected) {
  const auto quietSecond = Signal(512);
  auto loudSecond = quietSecond;
  for (float& v : loudSecond[1])
    v = 1000.0f;
  const int mono = 1, stereo = 2;

  EXPECT_NE(FreshOutput(mHost, quietSecond, nullptr), FreshOutput(mHost, loudSecond, nullptr))
      << "input 2 is not heard while connected";
  EXPECT_NE(FreshOutput(mHost, quietSecond, &stereo), FreshOutput(mHost, loudSecond, &stereo));
  const auto monoQuiet = FreshOutput(mHost, quietSecond, &mono);
  EXPECT_EQ(monoQuiet, FreshOutput(mHost, loudSecond, &mono));
  // Input 1 still is heard.
  auto otherFirst = quietSecond;
  for (float& v : otherFirst[0])
    v *= 0.5f;
  EXPECT_NE(monoQuiet, FreshOutput(mHost, otherFirst, &mono));
}

TEST_F(VstPluginTest, ArrangementsWithChannelsThePlugInLacksAreRefusedWhole) {
  const auto quietSecond = Signal(512);
  auto loudSecond = quietSecond;
  for (float& v : loudSecond[1])
    v = 1000.0f;
  const int mono = 1;
  for (int unfit : {3, 6, -1}) {
    SCOPED_TRACE(unfit);
    // The input arrangement itself does not fit: both inputs stay connected.
    EXPECT_NE(FreshOutput(mHost, quietSecond, &unfit, nullptr, 0),
              FreshOutput(mHost, loudSecond, &unfit, nullptr, 0));
    // A fitting mono input beside an output arrangement that does not fit is not taken either.
    EXPECT_NE(FreshOutput(mHost, quietSecond, &mono, &unfit, 0),
              FreshOutput(mHost, loudSecond, &mono, &unfit, 0));
  }
}

// ---- What the host hears ----------------------------------------------------------------------

TEST_F(VstPluginTest, StepEditPublishesTheStepWordsInsideGestures) {
  Instance plug;
  RunFloat(plug, mHost, Signal(512), 0);
  mHost.Clear();
  plug.Set(23, 1.0f); // the editor's step-edit signal
  EXPECT_TRUE(mHost.Gestures().empty()) << "published before the next block";
  RunFloat(plug, mHost, Signal(512), 512);
  std::vector<int> expected;
  for (int p = 10; p <= 22; ++p) {
    expected.push_back(p);
    expected.push_back(-(p + 1));
  }
  EXPECT_EQ(mHost.Gestures(), expected);
  EXPECT_EQ(plug.Get(23), 0.0f);
  // Inside each gesture the word's value, as the host then reads it.
  std::vector<HostCall> values;
  for (const HostCall& call : mHost.CallsOf(audioMasterAutomate))
    if (call.mIndex >= 10 && call.mIndex <= 22) values.push_back(call);
  ASSERT_EQ(values.size(), 13u);
  for (int w = 0; w < 13; ++w) {
    EXPECT_EQ(values[w].mIndex, 10 + w);
    EXPECT_EQ(values[w].mOpt, plug.Get(10 + w));
  }

  // Published once: the next block is silent towards the host.
  mHost.Clear();
  RunFloat(plug, mHost, Signal(512), 1024);
  EXPECT_TRUE(mHost.Gestures().empty());
}

// A pattern edit while the transport is stopped (no block runs): the chunk a host saves
// then already holds it, and another instance restored from it plays the edited pattern.
TEST_F(VstPluginTest, AChunkTakenBeforeTheNextBlockHoldsThePatternEdit) {
  Instance plug;
  RunFloat(plug, mHost, Signal(512), 0);
  const float before = plug.Get(10);
  plug.Set(24, 1.0f); // the editor shifts the step times: the words change
  for (int index : {0, 1}) {
    SCOPED_TRACE(index);
    const std::vector<unsigned char> chunk = plug.Chunk(index);
    ASSERT_EQ(chunk.size(), 188u);
    Instance restored;
    ASSERT_EQ(restored.SetChunk(index, chunk), 1);
    EXPECT_NE(restored.Get(10), before);
    EXPECT_EQ(restored.Text(effGetParamDisplay, 10), "7324218");
  }
  // The next block still tells the host.
  mHost.Clear();
  RunFloat(plug, mHost, Signal(512), 512);
  EXPECT_EQ(mHost.Gestures().size(), 26u);
}

TEST_F(VstPluginTest, ShiftedStepTimesReachTheHostAsNewStepWords) {
  Instance plug;
  plug.Set(24, 1.0f); // shift the step times of the current cycle (16 steps) by +25 %
  mHost.Clear();
  RunFloat(plug, mHost, Signal(512), 0);
  EXPECT_EQ(mHost.Gestures().size(), 26u);
  // Entries 0-9 are now all 3 (digits 3333333333), entries 10-15 are 3, 16-19 stay 2.
  EXPECT_EQ(plug.Text(effGetParamDisplay, 10), "7324218");
  EXPECT_EQ(plug.Text(effGetParamDisplay, 11), "7324062");
  EXPECT_EQ(plug.Text(effGetParamDisplay, 12), "4882812");
}

TEST_F(VstPluginTest, OpeningIdentifiesTheHostByNameAndVersion) {
  Instance plug(false);
  plug.Dispatch(effOpen);
  const auto& calls = mHost.mCalls;
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0].mOpcode, audioMasterGetProductString);
  EXPECT_EQ(calls[1].mOpcode, audioMasterGetVendorVersion);

  // Asked once per instance.
  mHost.Clear();
  plug.Dispatch(effOpen);
  EXPECT_TRUE(mHost.CallsOf(audioMasterGetProductString).empty());

  // A host without a product name is not asked for its version.
  RecordingHost nameless;
  nameless.mProductName = "";
  Instance other(false);
  other.Dispatch(effOpen);
  EXPECT_EQ(nameless.CallsOf(audioMasterGetProductString).size(), 1u);
  EXPECT_TRUE(nameless.CallsOf(audioMasterGetVendorVersion).empty());
}

TEST_F(VstPluginTest, ProcessingAsksForTimeButNotForMidi) {
  Instance plug;
  mHost.Clear();
  RunFloat(plug, mHost, Signal(256), 0);
  EXPECT_FALSE(mHost.CallsOf(audioMasterGetTime).empty());
  EXPECT_TRUE(mHost.CallsOf(audioMasterWantMidi).empty()); // the plug-in takes no MIDI
  bool asksForBeats = false;
  for (const HostCall& call : mHost.CallsOf(audioMasterGetTime)) {
    EXPECT_EQ(call.mValue & ~(VstIntPtr)(kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid), 0);
    asksForBeats = asksForBeats || (call.mValue & kVstPpqPosValid);
  }
  EXPECT_TRUE(asksForBeats); // the grid follows the musical position
}

TEST_F(VstPluginTest, MidiEventsAreAcceptedAndIgnored) {
  Instance plug;
  VstMidiEvent note;
  std::memset(&note, 0, sizeof(note));
  note.type = kVstMidiType;
  note.byteSize = sizeof(note);
  note.midiData[0] = (char)0x90;
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  VstMidiSysexEvent sysex;
  std::memset(&sysex, 0, sizeof(sysex));
  sysex.type = kVstSysExType;
  sysex.byteSize = sizeof(sysex);
  sysex.dumpBytes = 1000; // no data behind it: skipped, never read
  struct {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[4];
  } list = {4, 0, {(VstEvent*)&note, nullptr, (VstEvent*)&sysex, (VstEvent*)&note}};
  EXPECT_EQ(plug.Dispatch(effProcessEvents, 0, 0, &list), 1);
  list.numEvents = -3;
  EXPECT_EQ(plug.Dispatch(effProcessEvents, 0, 0, &list), 1);
}

} // namespace
