#pragma once
// The built-in demo input: four bars of a sustained, slightly detuned stereo chord
// (A minor with added ninth over a low A) at the render's tempo, so every gate
// step is plainly audible.
#include "AudioFiles.h"

#include <vector>

class DemoSignal : public AudioSource {
public:
  static constexpr int kBars = 4;

  DemoSignal(int sampleRate, double tempo);
  int Channels() const override { return 2; }
  int SampleRate() const override { return mSampleRate; }
  int64_t Frames() const override { return (int64_t)(mSamples.size() / 2); }
  int64_t Read(float* interleaved, int64_t frames) override;
  int64_t Read(double* interleaved, int64_t frames) override;

private:
  int mSampleRate;
  std::vector<float> mSamples; // interleaved stereo
  size_t mReadPos = 0;
};
