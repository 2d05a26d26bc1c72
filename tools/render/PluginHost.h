#pragma once
// The host side of one VST2 plug-in instance: loads the library, calls its entry
// point, answers its callback (transport, identity, sample rate, block size) and
// wraps the dispatcher opcodes the renderer needs. One instance per process.
#include "Transport.h"
#include "vst2_abi.h"

#include <cstdint>
#include <string>
#include <vector>

class PluginHost {
public:
  // The identity the host reports to the plug-in.
  static const char* ProductName() { return "Corvanel Render"; }
  static const char* VendorName() { return "Corvanel"; }
  static int VendorVersion(); // decimal form, 10200 for 1.2.0

  PluginHost();
  ~PluginHost(); // closes the instance and unloads the library
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // dlopen the library, find VSTPluginMain (or the legacy main) and create the
  // instance. False with a one-line message when any of that fails.
  bool Load(const std::string& path, std::string* error);
  // Creates the instance through an entry point already in the process; `name` says
  // where it comes from in messages.
  bool Create(VstPluginMainProc pluginMain, const std::string& name, std::string* error);
  // effClose and dlclose; safe to call twice.
  void Unload();

  AEffect* Effect() const { return mEffect; }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);

  // Lifecycle, in the order a DAW uses it.
  void Open();
  void SetSampleRate(double rate);
  void SetBlockSize(int frames);
  void SetChannels(int inputs, int outputs); // effSetSpeakerArrangement
  void SetPrecision(bool useDouble);
  void Resume();  // mains on, start process
  void Suspend(); // stop process, mains off

  // Texts through the dispatcher; empty when the plug-in writes nothing.
  std::string ParamName(int index);
  std::string ParamDisplay(int index);
  std::string ParamLabel(int index);
  std::string ProgramName(int index); // effGetProgramNameIndexed
  // effString2Parameter; true when the plug-in accepted the text.
  bool SetParamText(int index, const std::string& text);
  float GetParam(int index);
  void SetParam(int index, float normalized);

  bool SetProgram(int index);                      // true when effGetProgram then answers the index
  bool GetChunk(std::vector<uint8_t>* out);        // effGetChunk, isPreset 0
  bool SetChunk(const std::vector<uint8_t>& data); // effSetChunk, isPreset 0

  // The transport the callback answers with; the renderer moves it per block.
  TransportState& Transport() { return mTransport; }
  void SetRendering(bool on) { mRendering = on; }

  // Counts of what the plug-in asked, for diagnostics and tests.
  int TimeRequests() const { return mTimeRequests; }

  // The edits the plug-in reported (begin, automate, end), in order.
  struct Edit {
    enum Kind { kBegin, kChange, kEnd } kind;
    int index;
    float value; // the normalised value of a change
  };
  const std::vector<Edit>& Edits() const { return mEdits; }
  // Off: the edits are not kept, for a host whose editor and audio threads report edits
  // at the same time (and whose audio thread must not allocate). On by default.
  void KeepEdits(bool keep) { mKeepEdits = keep; }

private:
  static VstIntPtr VSTCALLBACK Callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                        VstIntPtr value, void* ptr, float opt);
  VstIntPtr HandleCallback(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  std::string TextOpcode(VstInt32 opcode, VstInt32 index);

  void* mLibrary = nullptr;
  AEffect* mEffect = nullptr;
  bool mResumed = false;
  bool mRendering = false;
  int mBlockSize = 0;
  TransportState mTransport;
  VstTimeInfo mTimeInfo = {};
  int mTimeRequests = 0;
  VstSpeakerArrangement mInputArrangement = {}, mOutputArrangement = {};
  std::vector<Edit> mEdits;
  bool mKeepEdits = true;
};
