#include "AudioFiles.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Data bytes a WAV file can hold, with room to spare for its header chunks.
constexpr double kWavDataLimit = 4294967295.0 - (1 << 20);
} // namespace

InputFile::~InputFile() {
  if (mFile) sf_close(mFile);
}

bool InputFile::Open(const std::string& path, std::string* error) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    *error = "cannot read input '" + path + "': " + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *error = "cannot read input '" + path + "': it is a folder";
    return false;
  }
  mInfo = SF_INFO();
  mFile = sf_open(path.c_str(), SFM_READ, &mInfo);
  if (!mFile) {
    *error = "cannot read input '" + path + "': " + sf_strerror(nullptr);
    return false;
  }
  if (mInfo.channels != 1 && mInfo.channels != 2) {
    *error = "input '" + path + "' has " + std::to_string(mInfo.channels) +
             " channels; corvanel-render takes mono or stereo";
    return false;
  }
  if (mInfo.samplerate <= 0) {
    *error = "input '" + path + "' has no valid sample rate";
    return false;
  }
  return true;
}

int64_t InputFile::Read(float* interleaved, int64_t frames) {
  return sf_readf_float(mFile, interleaved, frames);
}

int64_t InputFile::Read(double* interleaved, int64_t frames) {
  return sf_readf_double(mFile, interleaved, frames);
}

std::string InputFile::Error() const {
  return sf_error(mFile) != SF_ERR_NO_ERROR ? sf_strerror(mFile) : "";
}

const char* FormatName(SampleFormat format) {
  switch (format) {
  case SampleFormat::kPcm16:
    return "16-bit PCM";
  case SampleFormat::kPcm24:
    return "24-bit PCM";
  case SampleFormat::kFloat32:
    break;
  }
  return "32-bit float";
}

OutputFile::~OutputFile() {
  if (mFile) sf_close(mFile);
}

bool OutputFile::Open(const std::string& path, int channels, int sampleRate, int64_t frames,
                      SampleFormat format, std::string* error) {
  const int fd = mTemp.Create(path, error);
  if (fd < 0) return false;
  SF_INFO info = {};
  info.channels = channels;
  info.samplerate = sampleRate;
  int subtype = SF_FORMAT_FLOAT;
  if (format == SampleFormat::kPcm16) subtype = SF_FORMAT_PCM_16;
  if (format == SampleFormat::kPcm24) subtype = SF_FORMAT_PCM_24;
  // Plain WAV, which every player reads; RF64 only where WAV's 32-bit sizes end.
  const int bytesPerSample =
      format == SampleFormat::kPcm16 ? 2 : (format == SampleFormat::kPcm24 ? 3 : 4);
  const bool large = (double)frames * channels * bytesPerSample > kWavDataLimit;
  info.format = (large ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | subtype;
  mFile = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
  if (!mFile) {
    *error = "cannot write '" + path + "': " + sf_strerror(nullptr);
    close(fd);
    mTemp.Discard();
    return false;
  }
  // Integer output saturates instead of wrapping around.
  sf_command(mFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  return true;
}

bool OutputFile::Write(const float* interleaved, int64_t frames, std::string* error) {
  if (sf_writef_float(mFile, interleaved, frames) == frames) return true;
  *error = "cannot write '" + mTemp.FinalPath() + "': " + sf_strerror(mFile);
  return false;
}

bool OutputFile::Write(const double* interleaved, int64_t frames, std::string* error) {
  if (sf_writef_double(mFile, interleaved, frames) == frames) return true;
  *error = "cannot write '" + mTemp.FinalPath() + "': " + sf_strerror(mFile);
  return false;
}

bool OutputFile::Close(std::string* error) {
  SNDFILE* file = mFile;
  mFile = nullptr;
  if (file && sf_close(file) != 0) {
    *error = "cannot finish '" + mTemp.FinalPath() + "'";
    return false;
  }
  return true;
}
