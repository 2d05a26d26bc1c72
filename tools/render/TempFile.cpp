#include "TempFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
// Temporary names in use, reachable from a signal handler without allocation.
constexpr int kSlots = 4;
const char* gActive[kSlots + 1] = {};
} // namespace

const char* const* TempFile::ActivePaths() { return gActive; }

TempFile::~TempFile() { Discard(); }

int TempFile::Create(const std::string& finalPath, std::string* error) {
  Discard();
  mFinalPath = finalPath;
  std::string pattern = finalPath + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    *error = "cannot create '" + finalPath + "': " + std::strerror(errno);
    return -1;
  }
  // mkstemp makes the file private; give it the permissions a new file would get.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  mTempPath = name.data();
  for (int i = 0; i < kSlots; ++i) {
    if (!gActive[i]) {
      gActive[i] = mTempPath.c_str();
      mSlot = i;
      break;
    }
  }
  return fd;
}

bool TempFile::Commit(std::string* error) {
  if (mTempPath.empty()) return false;
  if (std::rename(mTempPath.c_str(), mFinalPath.c_str()) != 0) {
    *error = "cannot write '" + mFinalPath + "': " + std::strerror(errno);
    Discard();
    return false;
  }
  if (mSlot >= 0) gActive[mSlot] = nullptr;
  mSlot = -1;
  mTempPath.clear();
  return true;
}

void TempFile::Discard() {
  if (mSlot >= 0) gActive[mSlot] = nullptr;
  mSlot = -1;
  if (!mTempPath.empty()) unlink(mTempPath.c_str());
  mTempPath.clear();
}
