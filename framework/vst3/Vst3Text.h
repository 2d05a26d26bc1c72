#pragma once
// Texts across the VST3 boundary: our ASCII/UTF-8 strings into the host's fixed UTF-16 and
// 8-bit fields (always terminated, cut at the field's end), and the host's UTF-16 back.
#include "vst3_abi.h"

namespace vst3text {

// Copies `src` into a field of `size` UTF-16 units. Bytes above 0x7F are taken as Latin-1:
// our own texts are ASCII.
inline void ToUtf16(const char* src, vst3::TChar* dest, int size) {
  int n = 0;
  for (; src && n < size - 1 && src[n]; ++n)
    dest[n] = (vst3::TChar)(unsigned char)src[n];
  dest[n] = 0;
}

// Copies `src` into an 8-bit field of `size` bytes.
inline void ToField(const char* src, char* dest, int size) {
  int n = 0;
  for (; src && n < size - 1 && src[n]; ++n)
    dest[n] = src[n];
  dest[n] = 0;
}

// The host's text, read up to its terminator or `maxUnits` units, into `dest` of `size`
// bytes. False when it holds a unit outside ASCII (no text of ours has one) or is too long.
inline bool FromUtf16(const vst3::TChar* src, int maxUnits, char* dest, int size) {
  if (!src || size <= 0) return false;
  int n = 0;
  for (; n < maxUnits && src[n]; ++n) {
    if (n >= size - 1 || src[n] > 0x7F) {
      dest[0] = 0;
      return false;
    }
    dest[n] = (char)src[n];
  }
  dest[n] = 0;
  return true;
}

} // namespace vst3text
