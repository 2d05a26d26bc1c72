#pragma once
// The header every stand-in CoreFoundation object starts with.
#include "MacStandIn.h"

#include <atomic>
#include <vector>

struct CFObj {
  static constexpr uint32_t kMagic = 0xCF0B7EC7u;
  uint32_t mMagic = kMagic;
  CFTypeID mType;
  std::atomic<long> mRefs{1};
  bool mImmortal;
  bool mDead = false;
  CFObj(CFTypeID type, bool immortal);
  virtual ~CFObj() = default;
  // Releases what the object holds; called once, at its last release.
  virtual void Finalize() {}
};
