#pragma once
// A VST3 host of our own for the tests: it loads the built bundle's module as a host does
// (ModuleEntry, or bundleEntry in the macOS configuration, and GetPluginFactory), and supplies the host-side objects a plug-in talks to:
// the host context, the component handler (recording the edits it is told of), memory
// streams that may start inside a larger buffer, and parameter-change lists. Vst3Plugin
// holds one instance through the calls Ardour 7.3 makes, quirks included.
#include "PluginLibrary.h"
#include "vst3_abi.h"

#include <cstdint>
#include <string>
#include <vector>

// The objects below live on the test's stack or heap and are never freed through
// release(): their reference counts only count.
class HostObject {
public:
  uint32_t AddRef() { return ++mRefs; }
  uint32_t Release() { return --mRefs; }
  int Refs() const { return (int)mRefs; }

private:
  uint32_t mRefs = 1;
};

#define VST3_TEST_REFCOUNT                                                                       \
  uint32_t VST3_API addRef() override { return AddRef(); }                                     \
  uint32_t VST3_API release() override { return Release(); }

// Answers IHostApplication; any other id gets kResultFalse, as Ardour's context does.
class TestHostContext final : public vst3::IHostApplication, public HostObject {
public:
  virtual ~TestHostContext() = default;
  vst3::tresult VST3_API queryInterface(const vst3::TUID iid, void** obj) override;
  VST3_TEST_REFCOUNT
  vst3::tresult VST3_API getName(vst3::String128 name) override;
  vst3::tresult VST3_API createInstance(vst3::TUID, vst3::TUID, void** obj) override;
};

// Records every gesture call: kind 'b', 'p', 'e' or 'r' (restartComponent), id, value.
struct HandlerCall {
  char mKind;
  vst3::ParamID mId;
  double mValue;
};

class TestComponentHandler final : public vst3::IComponentHandler, public HostObject {
public:
  virtual ~TestComponentHandler() = default;
  vst3::tresult VST3_API queryInterface(const vst3::TUID iid, void** obj) override;
  VST3_TEST_REFCOUNT
  vst3::tresult VST3_API beginEdit(vst3::ParamID id) override;
  vst3::tresult VST3_API performEdit(vst3::ParamID id, vst3::ParamValue value) override;
  vst3::tresult VST3_API endEdit(vst3::ParamID id) override;
  vst3::tresult VST3_API restartComponent(int32_t flags) override;

  std::vector<HandlerCall> mCalls;
};

// A stream over a byte vector. Reads at the end answer kResultOk with a short count.
class MemoryStream final : public vst3::IBStream, public HostObject {
public:
  MemoryStream() = default;
  // A stream holding `bytes`, positioned at `pos`.
  explicit MemoryStream(std::vector<unsigned char> bytes, int64_t pos = 0)
      : mBytes(std::move(bytes)), mPos(pos) {}
  virtual ~MemoryStream() = default;
  vst3::tresult VST3_API queryInterface(const vst3::TUID iid, void** obj) override;
  VST3_TEST_REFCOUNT
  vst3::tresult VST3_API read(void* buffer, int32_t numBytes, int32_t* numBytesRead) override;
  vst3::tresult VST3_API write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) override;
  vst3::tresult VST3_API seek(int64_t pos, int32_t mode, int64_t* result) override;
  vst3::tresult VST3_API tell(int64_t* pos) override;

  std::vector<unsigned char> mBytes;
  int64_t mPos = 0;
};

class TestParamQueue final : public vst3::IParamValueQueue, public HostObject {
public:
  explicit TestParamQueue(vst3::ParamID id) : mId(id) {}
  virtual ~TestParamQueue() = default;
  vst3::tresult VST3_API queryInterface(const vst3::TUID iid, void** obj) override;
  VST3_TEST_REFCOUNT
  vst3::ParamID VST3_API getParameterId() override { return mId; }
  int32_t VST3_API getPointCount() override { return (int32_t)mPoints.size(); }
  vst3::tresult VST3_API getPoint(int32_t index, int32_t* offset, vst3::ParamValue* value) override;
  vst3::tresult VST3_API addPoint(int32_t offset, vst3::ParamValue value, int32_t* index) override;

  vst3::ParamID mId;
  std::vector<std::pair<int32_t, double>> mPoints;
};

// One queue per id, made on first use (the input list a host fills, or the output list
// the plug-in fills).
class TestParamChanges final : public vst3::IParameterChanges, public HostObject {
public:
  TestParamChanges() = default;
  TestParamChanges(const TestParamChanges&) = delete;
  TestParamChanges& operator=(const TestParamChanges&) = delete;
  virtual ~TestParamChanges();
  vst3::tresult VST3_API queryInterface(const vst3::TUID iid, void** obj) override;
  VST3_TEST_REFCOUNT
  int32_t VST3_API getParameterCount() override { return (int32_t)mQueues.size(); }
  vst3::IParamValueQueue* VST3_API getParameterData(int32_t index) override;
  vst3::IParamValueQueue* VST3_API addParameterData(const vst3::ParamID* id,
                                                    int32_t* index) override;

  void Add(vst3::ParamID id, int32_t offset, double value);
  // Queues for these ids with room for `points` each, made now: later adds of them, and
  // ClearPoints, allocate nothing (what a real-time host prepares).
  void Prepare(const std::vector<vst3::ParamID>& ids, size_t points);
  void ClearPoints();
  // The last value queued for `id`, or -1 when none.
  double Last(vst3::ParamID id) const;
  void Clear();

  std::vector<TestParamQueue*> mQueues;
};

// The built bundle's module, loaded once for the test program.
struct Vst3Module {
  PluginLibrary* mLibrary = nullptr;
  vst3::IPluginFactory* mFactory = nullptr;
};
// The bundle CORVANEL_VST3_BUNDLE (the build's, or the environment variable's).
const Vst3Module& BuiltVst3();
std::string Vst3BundlePath();

// One instance through the host's life cycle. The constructor creates and initialises it
// as Ardour 7.3 does: initialize on the component, then again on the controller pointer
// (the same object), the component handler set; Setup prepares processing; the destructor
// stops and removes it as Ardour does, terminating through both pointers.
class Vst3Plugin {
public:
  Vst3Plugin();
  ~Vst3Plugin();
  Vst3Plugin(const Vst3Plugin&) = delete;
  Vst3Plugin& operator=(const Vst3Plugin&) = delete;

  bool IsValid() const { return mComponent && mProcessor && mController; }
  // setupProcessing, the buses activated and arranged (stereo by default), active and
  // processing.
  bool Setup(double sampleRate = 44100.0, int maxBlock = 512, int32_t sampleSize = vst3::kSample32,
             vst3::SpeakerArrangement arrangement = vst3::kArrStereo);
  void Stop();
  // One block: numChannels channels of `frames` frames (T float or double).
  template <class T>
  vst3::tresult Process(T** inputs, T** outputs, int numChannels, int frames,
                        vst3::ProcessContext* context, TestParamChanges* changes = nullptr);
  std::vector<unsigned char> State(int64_t offset = 0);
  vst3::tresult SetState(const std::vector<unsigned char>& bytes, int64_t offset = 0);
  std::string ParamText(vst3::ParamID id, double normalized);

  vst3::IComponent* mComponent = nullptr;
  vst3::IAudioProcessor* mProcessor = nullptr;
  vst3::IEditController* mController = nullptr;
  vst3::IUnitInfo* mUnitInfo = nullptr;
  TestHostContext mContext;
  TestComponentHandler mHandler;
  TestParamChanges mOutChanges;
  bool mActive = false;
};

std::string FromUtf16(const vst3::TChar* text);
std::vector<vst3::TChar> ToUtf16(const std::string& text);
