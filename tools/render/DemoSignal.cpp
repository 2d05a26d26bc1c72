#include "DemoSignal.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPeak = 0.5; // about -6 dBFS
constexpr double kFadeInSeconds = 0.005;
constexpr double kFadeOutSeconds = 0.05;
constexpr int kHarmonics = 6;

struct Voice {
  double frequency; // Hz
  double pan;       // -1 left .. +1 right
  double detune;    // relative spread between the two channels
};

// A2, E3, C4, E4, G4, B4: A minor nine, spread across the stereo field.
const Voice kVoices[] = {
    {110.00, 0.0, 0.0010},  {164.81, -0.5, 0.0015}, {261.63, 0.45, 0.0012},
    {329.63, -0.3, 0.0018}, {392.00, 0.6, 0.0014},  {493.88, -0.65, 0.0016},
};

} // namespace

DemoSignal::DemoSignal(int sampleRate, double tempo) : mSampleRate(sampleRate) {
  const double seconds = kBars * 4 * 60.0 / tempo;
  const int64_t frames = (int64_t)std::llround(seconds * sampleRate);
  std::vector<double> mix((size_t)frames * 2, 0.0);
  for (const Voice& v : kVoices) {
    const double gainL = std::sqrt(0.5 * (1.0 - v.pan)), gainR = std::sqrt(0.5 * (1.0 + v.pan));
    for (int ch = 0; ch < 2; ++ch) {
      // The channels are detuned against each other for a wide, moving sound.
      const double f = v.frequency * (ch == 0 ? 1.0 - v.detune : 1.0 + v.detune);
      const double gain = ch == 0 ? gainL : gainR;
      for (int h = 1; h <= kHarmonics; ++h) {
        if (f * h >= 0.45 * sampleRate) break; // keep below Nyquist
        const double amp = gain / h;           // overtones falling like a soft sawtooth
        // A rotating phasor: one complex multiplication per sample instead of a sine.
        const double step = kTwoPi * f * h / sampleRate;
        const double rc = std::cos(step), rs = std::sin(step);
        double c = std::cos(h * 0.7), s = std::sin(h * 0.7);
        for (int64_t i = 0; i < frames; ++i) {
          mix[(size_t)(2 * i + ch)] += amp * s;
          const double nc = c * rc - s * rs;
          s = s * rc + c * rs;
          c = nc;
        }
      }
    }
  }
  double peak = 0.0;
  for (double s : mix)
    peak = std::max(peak, std::fabs(s));
  const double scale = peak > 0.0 ? kPeak / peak : 0.0;
  const int64_t fadeIn = (int64_t)(kFadeInSeconds * sampleRate);
  const int64_t fadeOut = (int64_t)(kFadeOutSeconds * sampleRate);
  mSamples.resize(mix.size());
  for (int64_t i = 0; i < frames; ++i) {
    double g = scale;
    if (i < fadeIn) g *= (double)i / (double)fadeIn;
    if (frames - 1 - i < fadeOut) g *= (double)(frames - 1 - i) / (double)fadeOut;
    for (int ch = 0; ch < 2; ++ch)
      mSamples[(size_t)(2 * i + ch)] = (float)(mix[(size_t)(2 * i + ch)] * g);
  }
}

int64_t DemoSignal::Read(float* interleaved, int64_t frames) {
  const size_t n = std::min((size_t)frames * 2, mSamples.size() - mReadPos);
  std::copy(mSamples.begin() + (long)mReadPos, mSamples.begin() + (long)(mReadPos + n),
            interleaved);
  mReadPos += n;
  return (int64_t)(n / 2);
}

int64_t DemoSignal::Read(double* interleaved, int64_t frames) {
  const size_t n = std::min((size_t)frames * 2, mSamples.size() - mReadPos);
  for (size_t i = 0; i < n; ++i)
    interleaved[i] = mSamples[mReadPos + i];
  mReadPos += n;
  return (int64_t)(n / 2);
}
