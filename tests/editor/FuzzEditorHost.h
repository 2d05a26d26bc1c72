#pragma once
// For the editor fuzz targets: one Corvanel instance for the whole run, made through the
// VST2 adapter in-process, opened and resumed as a host does, with its editor open on the
// Linux off-screen surface (no parent window), as corvanel-editor sets it up. The host
// answers its version and a playing 120 BPM transport; it keeps nothing it is told.
#include "Corvanel.h"
#include "IGraphicsLinux.h"

#include <cmath>
#include <cstring>

struct FuzzEditorHost {
  AEffect* mEffect = nullptr;
  CLS_CORVANEL* mPlug = nullptr;
  IGraphicsLinux* mGraphics = nullptr;

  // [fuzzer thread] Made on first use, kept until the process ends.
  static FuzzEditorHost& Get() {
    static FuzzEditorHost host;
    return host;
  }

  // Every parameter a finite value inside its range.
  bool ParamsInRange() const {
    for (int i = 0; i < kNumParams; ++i) {
      const IParam* p = mPlug->GetParam(i);
      const double v = p->Value(), n = p->GetNormalized();
      if (!(v >= p->GetMin() && v <= p->GetMax()) || !(n >= 0.0 && n <= 1.0)) return false;
    }
    return true;
  }

  // [fuzzer thread] One block of silence, so that what the editor changed reaches the audio.
  void ProcessBlock() {
    float in[64] = {}, outL[64], outR[64];
    float* ins[2] = {in, in};
    float* outs[2] = {outL, outR};
    mEffect->processReplacing(mEffect, ins, outs, 64);
    for (int i = 0; i < 64; ++i)
      if (!std::isfinite(outL[i]) || !std::isfinite(outR[i])) __builtin_trap();
  }

private:
  FuzzEditorHost() {
    mEffect = IPlugVST::CreateEffect(
        Callback, [](IPlugInstanceInfo info) -> IPlugVST* { return new CLS_CORVANEL(info); });
    Dispatch(effOpen);
    mEffect->dispatcher(mEffect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(effSetBlockSize, 512);
    Dispatch(effMainsChanged, 1);
    Dispatch(effStartProcess);
    mPlug = static_cast<CLS_CORVANEL*>((IPlugVST*)mEffect->object);
    mGraphics = static_cast<IGraphicsLinux*>(mPlug->GetGUI());
    if (!mGraphics) __builtin_trap();
    mGraphics->OpenWindow(nullptr);
    mGraphics->Tick();
  }
  void Dispatch(VstInt32 opcode, VstIntPtr value = 0) {
    mEffect->dispatcher(mEffect, opcode, 0, value, nullptr, 0.0f);
  }

  static VstIntPtr VSTCALLBACK Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*,
                                        float) {
    static VstTimeInfo time = [] {
      VstTimeInfo t;
      std::memset(&t, 0, sizeof(t));
      t.sampleRate = 44100.0;
      t.tempo = 120.0;
      t.timeSigNumerator = t.timeSigDenominator = 4;
      t.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid;
      return t;
    }();
    if (opcode == audioMasterVersion) return kVstVersion;
    if (opcode == audioMasterGetTime) return (VstIntPtr)&time;
    return 0;
  }
};
