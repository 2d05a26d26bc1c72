#pragma once
// A file written under a temporary name beside its final path and renamed into
// place by Commit(); removed again if it is never committed, so an error or an
// interruption never leaves a half-written or clobbered file behind.
#include <string>

class TempFile {
public:
  TempFile() = default;
  ~TempFile(); // removes the temporary file unless committed
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Creates the temporary file; answers its open descriptor (the caller closes it)
  // or -1 with a message.
  int Create(const std::string& finalPath, std::string* error);
  const std::string& TempPath() const { return mTempPath; }
  const std::string& FinalPath() const { return mFinalPath; }
  // Renames the (closed) temporary file to the final path.
  bool Commit(std::string* error);
  void Discard();

  // Path of the file being written right now, for the interrupt handler's cleanup.
  static const char* const* ActivePaths();

private:
  std::string mFinalPath, mTempPath;
  int mSlot = -1;
};
