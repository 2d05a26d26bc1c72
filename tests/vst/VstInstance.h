#pragma once
// A Corvanel instance as a VST2 host holds it: made through the built library's entry
// point, opened and resumed the way hosts do, closed at the end.
#include "PluginLibrary.h"
#include "RecordingHost.h"

#include <cstring>
#include <string>
#include <vector>

// What the effect record announces, and the parameters the instance really has.
constexpr int kDeclaredParams = 23;
constexpr int kAllParams = 26;
constexpr int kPrograms = 50;

inline VstPluginMainProc Entry(const char* name) {
  return (VstPluginMainProc)BuiltPlugin().Symbol(name);
}

// One plug-in instance, created and opened the way a host does it, closed at the end.
class Instance {
public:
  explicit Instance(bool open = true) {
    VstPluginMainProc entry = Entry("VSTPluginMain");
    mEffect = entry ? entry(RecordingHost::Callback) : nullptr;
    if (mEffect && open) Open();
  }
  // effOpen, 44.1 kHz, blocks of 512, resumed and started.
  void Open() {
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(effSetBlockSize, 0, 512);
    Dispatch(effMainsChanged, 0, 1);
    Dispatch(effStartProcess);
  }
  ~Instance() {
    if (mEffect) Dispatch(effClose);
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
  }
  float Get(int index) { return mEffect->getParameter(mEffect, index); }
  void Set(int index, float value) { mEffect->setParameter(mEffect, index, value); }
  std::vector<float> AllParams() {
    std::vector<float> values;
    for (int i = 0; i < kAllParams; ++i)
      values.push_back(Get(i));
    return values;
  }
  // A text opcode answered into a generous buffer, as hosts do.
  std::string Text(VstInt32 opcode, VstInt32 index = 0) {
    char buf[256];
    std::memset(buf, 0, sizeof(buf));
    Dispatch(opcode, index, 0, buf);
    return buf;
  }
  bool SetText(VstInt32 index, const char* text) {
    return Dispatch(effString2Parameter, index, 0, (void*)text) == 1;
  }
  std::vector<unsigned char> Chunk(int index) {
    void* data = nullptr;
    const VstIntPtr size = Dispatch(effGetChunk, index, 0, &data);
    if (size <= 0 || !data) return {};
    const unsigned char* bytes = (const unsigned char*)data;
    return std::vector<unsigned char>(bytes, bytes + size);
  }
  VstIntPtr SetChunk(int index, std::vector<unsigned char> bytes) {
    return Dispatch(effSetChunk, index, (VstIntPtr)bytes.size(), bytes.data());
  }

  AEffect* mEffect = nullptr;
};
