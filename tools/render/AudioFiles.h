#pragma once
// Audio file input and output through libsndfile: an input file (WAV, AIFF, FLAC,
// anything libsndfile reads; mono or stereo) and the WAV output written under a
// temporary name until the render has finished.
#include "Options.h"
#include "TempFile.h"

#include <cstdint>
#include <sndfile.h>
#include <string>

// Where the samples of a render come from.
class AudioSource {
public:
  virtual ~AudioSource() = default;
  virtual int Channels() const = 0;
  virtual int SampleRate() const = 0;
  virtual int64_t Frames() const = 0;
  // Interleaved frames; answers the number read (less only at the end or on error).
  virtual int64_t Read(float* interleaved, int64_t frames) = 0;
  virtual int64_t Read(double* interleaved, int64_t frames) = 0;
  // Empty, or why the last read failed.
  virtual std::string Error() const { return ""; }
};

class InputFile : public AudioSource {
public:
  ~InputFile() override;
  // False with a message for a missing, unreadable or unsupported file, or one that
  // is not mono or stereo.
  bool Open(const std::string& path, std::string* error);
  int Channels() const override { return mInfo.channels; }
  int SampleRate() const override { return mInfo.samplerate; }
  int64_t Frames() const override { return mInfo.frames; }
  int64_t Read(float* interleaved, int64_t frames) override;
  int64_t Read(double* interleaved, int64_t frames) override;
  std::string Error() const override;

private:
  SNDFILE* mFile = nullptr;
  SF_INFO mInfo = {};
};

class OutputFile {
public:
  ~OutputFile(); // an output that was not committed is removed
  // Creates the temporary file beside `path` and opens it as WAV for `frames` frames
  // (RF64 when that much audio does not fit in a WAV file).
  bool Open(const std::string& path, int channels, int sampleRate, int64_t frames,
            SampleFormat format, std::string* error);
  bool Write(const float* interleaved, int64_t frames, std::string* error);
  bool Write(const double* interleaved, int64_t frames, std::string* error);
  // Finishes the file (header, sizes) without renaming it yet.
  bool Close(std::string* error);
  // Renames the finished file into place.
  bool Commit(std::string* error) { return mTemp.Commit(error); }

private:
  SNDFILE* mFile = nullptr;
  TempFile mTemp;
};

// Describes a format for messages: "32-bit float", "16-bit PCM", "24-bit PCM".
const char* FormatName(SampleFormat format);
