#pragma once
// Audio files for the render tests: float WAVs written from a signal, and any file
// libsndfile reads, as interleaved floats.
#include <cstdint>
#include <sndfile.h>
#include <string>
#include <vector>

struct TestAudio {
  int channels = 0, sampleRate = 0, format = 0;
  std::vector<float> samples; // interleaved
  int64_t Frames() const { return channels ? (int64_t)samples.size() / channels : 0; }
};

inline bool ReadTestAudio(const std::string& path, TestAudio* audio) {
  SF_INFO info = {};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return false;
  audio->channels = info.channels;
  audio->sampleRate = info.samplerate;
  audio->format = info.format;
  audio->samples.assign((size_t)(info.frames * info.channels), 0.0f);
  sf_readf_float(f, audio->samples.data(), info.frames);
  sf_close(f);
  return true;
}

// A 32-bit float WAV whose sample of frame i, channel c is signal(i, c).
template <class Signal>
bool WriteTestWav(const std::string& path, int channels, int rate, int64_t frames, Signal signal) {
  SF_INFO info = {};
  info.channels = channels;
  info.samplerate = rate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  std::vector<float> s((size_t)(frames * channels));
  for (int64_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      s[(size_t)(i * channels + c)] = signal(i, c);
  const bool ok = sf_writef_float(f, s.data(), frames) == frames;
  sf_close(f);
  return ok;
}
