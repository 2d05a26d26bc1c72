#include "VstStress.h"

#include "Corvanel.h"
#include "EditorPlay.h"
#include "IGraphicsLinux.h"

#include <chrono>
#include <cmath>
#include <new>
#include <random>
#include <thread>

namespace {

AEffect* VSTCALLBACK BuiltInEntry(audioMasterCallback hostCallback) {
  return IPlugVST::CreateEffect(hostCallback, [](IPlugInstanceInfo info) -> IPlugVST* {
    return new (std::nothrow) CLS_CORVANEL(info);
  });
}

// A steady input, so the gate has something to shape.
double InputSample(int channel, int64_t frame) {
  return 0.5 * std::sin(0.01 * (double)frame + channel);
}

constexpr double kTickSeconds = 1.0 / 24.0;

} // namespace

VstStress::VstStress() : mFloats(4 * kMaxBlock, 0.0f), mDoubles(4 * kMaxBlock, 0.0) {}

VstStress::~VstStress() { mHost.Unload(); }

bool VstStress::Setup(std::string* error) {
  if (!mHost.Create(BuiltInEntry, "the built-in plug-in", error)) return false;
  // Edits are reported by the editor and the audio thread at once: the host keeps none.
  mHost.KeepEdits(false);
  mHost.Open();
  mHost.SetSampleRate(44100.0);
  mHost.SetBlockSize(kMaxBlock);
  mHost.SetChannels(2, 2);
  mHost.SetPrecision(true);
  mHost.Transport().tempo = 137.0;
  mHost.Transport().playing = true;
  mHost.Resume();
  mPlug = static_cast<CLS_CORVANEL*>((IPlugVST*)mHost.Effect()->object);
  mNumParams = mHost.Effect()->numParams;
  mNumPrograms = mHost.Effect()->numPrograms;
  for (int i = 0; i < kNumSavedParams; ++i)
    mSavedRanges.push_back({mPlug->GetParam(i)->GetMin(), mPlug->GetParam(i)->GetMax()});
  if (!mPlug->GetGUI()) {
    *error = "the plug-in has no editor";
    return false;
  }
  return true;
}

void VstStress::Run(double seconds, double warmUp) {
  Restart();
  std::thread audio(&VstStress::AudioLoop, this);
  std::thread editor(&VstStress::EditorLoop, this);
  std::thread host(&VstStress::HostLoop, this);
  WarmUpMeasureAndStop(seconds, warmUp);
  host.join();
  editor.join();
  audio.join();
}

void VstStress::AudioLoop() {
  ThreadStarted(StressThread::kAudio);
  AEffect* effect = mHost.Effect();
  float* fin[2] = {&mFloats[0], &mFloats[kMaxBlock]};
  float* fout[2] = {&mFloats[2 * kMaxBlock], &mFloats[3 * kMaxBlock]};
  double* din[2] = {&mDoubles[0], &mDoubles[kMaxBlock]};
  double* dout[2] = {&mDoubles[2 * kMaxBlock], &mDoubles[3 * kMaxBlock]};
  long block = 0;
  while (!Stopping()) {
    const int frames = 64 + (int)((block * 97) % (kMaxBlock - 63));
    const bool useDouble = (block & 1) != 0;
    for (int ch = 0; ch < 2; ++ch)
      for (int i = 0; i < frames; ++i) {
        const double v = InputSample(ch, mPosition + i);
        din[ch][i] = v;
        fin[ch][i] = (float)v;
      }
    // The callback answers the time info of this block's first frame.
    mHost.Transport().samplePos = mPosition;
    if (useDouble)
      effect->processDoubleReplacing(effect, din, dout, frames);
    else
      effect->processReplacing(effect, fin, fout, frames);
    long bad = 0;
    for (int ch = 0; ch < 2; ++ch)
      for (int i = 0; i < frames; ++i)
        bad += !std::isfinite(useDouble ? dout[ch][i] : (double)fout[ch][i]);
    if (bad) mCounts.mNonFinite.fetch_add(bad, std::memory_order_relaxed);
    mPosition += frames;
    ++block;
    mCounts.mBlocks.fetch_add(1, std::memory_order_relaxed);
  }
}

// A VST2 host calls every editor opcode (open, idle, close) on its user-interface thread;
// the editor's timer and mouse run there too, so this one thread does all of it.
void VstStress::EditorLoop() {
  ThreadStarted(StressThread::kEditor);
  using Clock = std::chrono::steady_clock;
  EditorPlay user(17);
  auto* g = static_cast<IGraphicsLinux*>(mPlug->GetGUI());
  mHost.Dispatch(effEditOpen, 0, 0, nullptr); // no parent: the editor draws off screen
  auto nextTick = Clock::now();
  long ticks = 0;
  while (!Stopping()) {
    user.Next(g, ticks);
    if (Clock::now() >= nextTick) {
      nextTick +=
          std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kTickSeconds));
      // Off screen the host's idle call finds no window; the timer's tick is ours to run.
      mHost.Dispatch(effEditIdle);
      g->Tick();
      ++ticks;
      mCounts.mTicks.fetch_add(1, std::memory_order_relaxed);
      if (ticks % 24 == 0) {
        user.Release(g);
        mHost.Dispatch(effEditClose);
        mHost.Dispatch(effEditOpen, 0, 0, nullptr);
        mCounts.mReopenings.fetch_add(1, std::memory_order_relaxed);
      }
    }
    // The user's events come in faster than the ticks.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  user.Release(g);
  mHost.Dispatch(effEditClose);
  mCounts.mGestures.store(user.Gestures(), std::memory_order_relaxed);
}

void VstStress::HostLoop() {
  ThreadStarted(StressThread::kHost);
  std::minstd_rand random(29);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  std::vector<uint8_t> chunk;
  std::string why;
  long round = 0;
  while (!Stopping()) {
    const int param = pick(0, mNumParams - 1);
    mHost.SetParam(param, std::uniform_real_distribution<float>(0.0f, 1.0f)(random));
    const float value = mHost.GetParam(param);
    if (!(value >= 0.0f && value <= 1.0f))
      Fail("getParameter(" + std::to_string(param) + ") answered " + std::to_string(value));
    mHost.ParamDisplay(pick(0, mNumParams - 1));
    switch (round++ % 8) {
    case 0:
    case 4: {
      // Read a program (index 1) or bank (index 0) chunk, check it, and write it back.
      const int isProgram = pick(0, 1);
      void* data = nullptr;
      const VstIntPtr size = mHost.Dispatch(effGetChunk, isProgram, 0, &data);
      if (size <= 0 || !data) {
        Fail("effGetChunk answered no chunk");
        break;
      }
      chunk.assign((const uint8_t*)data, (const uint8_t*)data + size);
      mCounts.mChunks.fetch_add(1, std::memory_order_relaxed);
      if (!CheckVstChunk(chunk.data(), chunk.size(), mSavedRanges, &why))
        Fail(std::string(isProgram ? "program" : "bank") + " chunk: " + why);
      else if (mHost.Dispatch(effSetChunk, pick(0, 1), (VstIntPtr)chunk.size(), chunk.data()) != 1)
        Fail("effSetChunk refused a chunk the plug-in wrote");
      break;
    }
    case 2:
      mHost.SetProgram(pick(0, mNumPrograms - 1));
      break;
    default:
      break;
    }
    mCounts.mHostCalls.fetch_add(1, std::memory_order_relaxed);
  }
}
