#include "Vst3TestHost.h"

#include <cstdlib>
#include <cstring>

#ifdef CORVANEL_MACOS
#include "MacStandIn.h"
#include <CoreFoundation/CoreFoundation.h>
#endif

using namespace vst3;

namespace {
template <class I> tresult Answer(I* self, const Uid& own, const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (!kFUnknownIid.Is(iid) && !own.Is(iid)) return kResultFalse;
  *obj = self;
  self->addRef();
  return kResultOk;
}
} // namespace

// ---- Host objects ---------------------------------------------------------------------------------

tresult TestHostContext::queryInterface(const TUID iid, void** obj) {
  return Answer(this, kHostApplicationIid, iid, obj);
}
tresult TestHostContext::getName(String128 name) {
  const std::vector<TChar> text = ToUtf16("Corvanel Test Host");
  std::memcpy(name, text.data(), text.size() * sizeof(TChar));
  return kResultOk;
}
tresult TestHostContext::createInstance(TUID, TUID, void** obj) {
  if (obj) *obj = nullptr;
  return kResultFalse;
}

tresult TestComponentHandler::queryInterface(const TUID iid, void** obj) {
  return Answer(this, kComponentHandlerIid, iid, obj);
}
tresult TestComponentHandler::beginEdit(ParamID id) {
  mCalls.push_back({'b', id, 0.0});
  return kResultOk;
}
tresult TestComponentHandler::performEdit(ParamID id, ParamValue value) {
  mCalls.push_back({'p', id, value});
  return kResultOk;
}
tresult TestComponentHandler::endEdit(ParamID id) {
  mCalls.push_back({'e', id, 0.0});
  return kResultOk;
}
tresult TestComponentHandler::restartComponent(int32_t flags) {
  mCalls.push_back({'r', 0, (double)flags});
  return kResultOk;
}

tresult MemoryStream::queryInterface(const TUID iid, void** obj) {
  return Answer(this, kBStreamIid, iid, obj);
}
tresult MemoryStream::read(void* buffer, int32_t numBytes, int32_t* numBytesRead) {
  if (numBytesRead) *numBytesRead = 0;
  if (!buffer || numBytes < 0) return kInvalidArgument;
  int64_t n = (int64_t)mBytes.size() - mPos;
  if (n > numBytes) n = numBytes;
  if (n < 0) n = 0;
  if (n > 0) std::memcpy(buffer, mBytes.data() + mPos, (size_t)n);
  mPos += n;
  if (numBytesRead) *numBytesRead = (int32_t)n;
  return kResultOk;
}
tresult MemoryStream::write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) {
  if (numBytesWritten) *numBytesWritten = 0;
  if (!buffer || numBytes < 0) return kInvalidArgument;
  if ((int64_t)mBytes.size() < mPos + numBytes) mBytes.resize((size_t)(mPos + numBytes));
  std::memcpy(mBytes.data() + mPos, buffer, (size_t)numBytes);
  mPos += numBytes;
  if (numBytesWritten) *numBytesWritten = numBytes;
  return kResultOk;
}
tresult MemoryStream::seek(int64_t pos, int32_t mode, int64_t* result) {
  const int64_t base = mode == kSeekSet ? 0 : (mode == kSeekCur ? mPos : (int64_t)mBytes.size());
  if (base + pos < 0) return kInvalidArgument;
  mPos = base + pos;
  if (result) *result = mPos;
  return kResultOk;
}
tresult MemoryStream::tell(int64_t* pos) {
  if (!pos) return kInvalidArgument;
  *pos = mPos;
  return kResultOk;
}

tresult TestParamQueue::queryInterface(const TUID iid, void** obj) {
  return Answer(this, kParamValueQueueIid, iid, obj);
}
tresult TestParamQueue::getPoint(int32_t index, int32_t* offset, ParamValue* value) {
  if (index < 0 || index >= (int32_t)mPoints.size() || !offset || !value) return kInvalidArgument;
  *offset = mPoints[(size_t)index].first;
  *value = mPoints[(size_t)index].second;
  return kResultOk;
}
tresult TestParamQueue::addPoint(int32_t offset, ParamValue value, int32_t* index) {
  mPoints.push_back({offset, value});
  if (index) *index = (int32_t)mPoints.size() - 1;
  return kResultOk;
}

TestParamChanges::~TestParamChanges() { Clear(); }
tresult TestParamChanges::queryInterface(const TUID iid, void** obj) {
  return Answer(this, kParameterChangesIid, iid, obj);
}
IParamValueQueue* TestParamChanges::getParameterData(int32_t index) {
  return index >= 0 && index < (int32_t)mQueues.size() ? mQueues[(size_t)index] : nullptr;
}
IParamValueQueue* TestParamChanges::addParameterData(const ParamID* id, int32_t* index) {
  if (!id) return nullptr;
  for (size_t i = 0; i < mQueues.size(); ++i)
    if (mQueues[i]->mId == *id) {
      if (index) *index = (int32_t)i;
      return mQueues[i];
    }
  mQueues.push_back(new TestParamQueue(*id));
  if (index) *index = (int32_t)mQueues.size() - 1;
  return mQueues.back();
}
void TestParamChanges::Add(ParamID id, int32_t offset, double value) {
  int32_t index = 0;
  addParameterData(&id, &index)->addPoint(offset, value, &index);
}
void TestParamChanges::Prepare(const std::vector<ParamID>& ids, size_t points) {
  for (ParamID id : ids) {
    int32_t index = 0;
    static_cast<TestParamQueue*>(addParameterData(&id, &index))->mPoints.reserve(points);
  }
}
void TestParamChanges::ClearPoints() {
  for (TestParamQueue* q : mQueues)
    q->mPoints.clear();
}
double TestParamChanges::Last(ParamID id) const {
  for (const TestParamQueue* q : mQueues)
    if (q->mId == id && !q->mPoints.empty()) return q->mPoints.back().second;
  return -1.0;
}
void TestParamChanges::Clear() {
  for (TestParamQueue* q : mQueues)
    delete q;
  mQueues.clear();
}

// ---- The module ---------------------------------------------------------------------------------

std::string Vst3BundlePath() {
  const char* fromEnv = std::getenv("CORVANEL_VST3_BUNDLE");
  return fromEnv && *fromEnv ? fromEnv : CORVANEL_VST3_BUNDLE;
}

const Vst3Module& BuiltVst3() {
  static Vst3Module module = [] {
    Vst3Module m;
#ifdef _WIN32
    const std::string path = Vst3BundlePath() +
                             (sizeof(void*) == 8 ? "/Contents/x86_64-win/Corvanel.vst3"
                                                 : "/Contents/x86-win/Corvanel.vst3");
#elif defined(CORVANEL_MACOS)
    const std::string path = Vst3BundlePath() + "/Contents/MacOS/Corvanel";
#else
    const std::string path = Vst3BundlePath() + "/Contents/x86_64-linux/Corvanel.so";
#endif
    m.mLibrary = new PluginLibrary(path);
    if (!m.mLibrary->IsLoaded()) return m;
#if defined(CORVANEL_MACOS)
    // A macOS host hands the module its bundle, here as the frameworks' stand-in knows it
    // by the identifier of its Info.plist.
    CorvanelMac_AddBundle(CORVANEL_VST3_BUNDLE_ID, Vst3BundlePath().c_str());
    CFStringRef id = CFStringCreateWithCString(nullptr, CORVANEL_VST3_BUNDLE_ID,
                                               kCFStringEncodingUTF8);
    CFBundleRef bundle = CFBundleGetBundleWithIdentifier(id);
    CFRelease(id);
    typedef bool (*EntryProc)(CFBundleRef);
    EntryProc entry = (EntryProc)m.mLibrary->Symbol("bundleEntry");
    if (!entry || !bundle || !entry(bundle)) return m;
#elif !defined(_WIN32)
    typedef bool (*EntryProc)(void*);
    EntryProc entry = (EntryProc)m.mLibrary->Symbol("ModuleEntry");
    if (!entry || !entry(nullptr)) return m;
#endif
    typedef IPluginFactory* (*FactoryProc)();
    FactoryProc getFactory = (FactoryProc)m.mLibrary->Symbol("GetPluginFactory");
    m.mFactory = getFactory ? getFactory() : nullptr;
    return m;
  }();
  return module;
}

// ---- One instance -------------------------------------------------------------------------------

Vst3Plugin::Vst3Plugin() {
  IPluginFactory* factory = BuiltVst3().mFactory;
  if (!factory) return;
  PClassInfo info;
  if (factory->getClassInfo(0, &info) != kResultOk) return;
  void* obj = nullptr;
  if (factory->createInstance(info.cid, kComponentIid.mBytes, &obj) != kResultOk) return;
  mComponent = (IComponent*)obj;
  mComponent->initialize(&mContext);
  if (mComponent->queryInterface(kEditControllerIid.mBytes, &obj) == kResultOk)
    mController = (IEditController*)obj;
  if (mController) {
    mController->initialize(&mContext); // Ardour 7.3 initialises the controller side again
    mController->setComponentHandler(&mHandler);
  }
  if (mComponent->queryInterface(kAudioProcessorIid.mBytes, &obj) == kResultOk)
    mProcessor = (IAudioProcessor*)obj;
  if (mComponent->queryInterface(kUnitInfoIid.mBytes, &obj) == kResultOk)
    mUnitInfo = (IUnitInfo*)obj;
  // The default state handed to the controller, as Ardour syncs them after creation.
  if (mController) {
    MemoryStream stream;
    mComponent->getState(&stream);
    stream.mPos = 0;
    mController->setComponentState(&stream);
  }
}

Vst3Plugin::~Vst3Plugin() {
  Stop();
  if (mController) {
    mController->setComponentHandler(nullptr);
    mController->terminate();
  }
  if (mComponent) mComponent->terminate();
  if (mUnitInfo) mUnitInfo->release();
  if (mController) mController->release();
  if (mProcessor) mProcessor->release();
  if (mComponent) mComponent->release();
}

bool Vst3Plugin::Setup(double sampleRate, int maxBlock, int32_t sampleSize,
                       SpeakerArrangement arrangement) {
  if (!IsValid()) return false;
  ProcessSetup setup;
  std::memset(&setup, 0, sizeof(setup));
  setup.processMode = kRealtime;
  setup.symbolicSampleSize = sampleSize;
  setup.maxSamplesPerBlock = maxBlock;
  setup.sampleRate = sampleRate;
  if (mProcessor->setupProcessing(&setup) != kResultOk) return false;
  mComponent->activateBus(kAudio, kInput, 0, 1);
  mComponent->activateBus(kAudio, kOutput, 0, 1);
  SpeakerArrangement in = arrangement, out = arrangement;
  if (mProcessor->setBusArrangements(&in, 1, &out, 1) != kResultTrue) return false;
  if (mComponent->setActive(1) != kResultOk) return false;
  mActive = true;
  return mProcessor->setProcessing(1) == kResultOk;
}

void Vst3Plugin::Stop() {
  if (!mActive) return;
  mProcessor->setProcessing(0);
  mComponent->setActive(0);
  mActive = false;
}

namespace {
void SetBuffers(AudioBusBuffers& bus, float** channels) { bus.channelBuffers32 = channels; }
void SetBuffers(AudioBusBuffers& bus, double** channels) { bus.channelBuffers64 = channels; }
int32_t SampleSize(float*) { return kSample32; }
int32_t SampleSize(double*) { return kSample64; }
} // namespace

template <class T>
tresult Vst3Plugin::Process(T** inputs, T** outputs, int numChannels, int frames,
                            ProcessContext* context, TestParamChanges* changes) {
  AudioBusBuffers in, out;
  std::memset(&in, 0, sizeof(in));
  std::memset(&out, 0, sizeof(out));
  in.numChannels = out.numChannels = numChannels;
  SetBuffers(in, inputs);
  SetBuffers(out, outputs);
  TestParamChanges noChanges;
  mOutChanges.Clear();
  ProcessData data;
  std::memset(&data, 0, sizeof(data));
  data.processMode = kRealtime;
  data.symbolicSampleSize = SampleSize((T*)nullptr);
  data.numSamples = frames;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &in;
  data.outputs = &out;
  data.inputParameterChanges = changes ? changes : &noChanges;
  data.outputParameterChanges = &mOutChanges;
  data.processContext = context;
  return mProcessor->process(&data);
}
template tresult Vst3Plugin::Process<float>(float**, float**, int, int, ProcessContext*,
                                            TestParamChanges*);
template tresult Vst3Plugin::Process<double>(double**, double**, int, int, ProcessContext*,
                                             TestParamChanges*);

std::vector<unsigned char> Vst3Plugin::State(int64_t offset) {
  MemoryStream stream(std::vector<unsigned char>((size_t)offset, 0xEE), offset);
  if (mComponent->getState(&stream) != kResultOk) return {};
  return std::vector<unsigned char>(stream.mBytes.begin() + offset, stream.mBytes.end());
}

tresult Vst3Plugin::SetState(const std::vector<unsigned char>& bytes, int64_t offset) {
  std::vector<unsigned char> all((size_t)offset, 0xEE);
  all.insert(all.end(), bytes.begin(), bytes.end());
  MemoryStream stream(all, offset);
  return mComponent->setState(&stream);
}

std::string Vst3Plugin::ParamText(ParamID id, double normalized) {
  String128 text;
  std::memset(text, 0, sizeof(text));
  if (mController->getParamStringByValue(id, normalized, text) != kResultOk) return "<refused>";
  return FromUtf16(text);
}

std::string FromUtf16(const TChar* text) {
  std::string s;
  for (int i = 0; i < 128 && text[i]; ++i)
    s += text[i] < 0x80 ? (char)text[i] : '?';
  return s;
}

std::vector<TChar> ToUtf16(const std::string& text) {
  std::vector<TChar> s(text.begin(), text.end());
  s.push_back(0);
  return s;
}
