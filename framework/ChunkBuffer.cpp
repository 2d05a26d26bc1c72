#include "ChunkBuffer.h"

#include <cstring>

namespace {
// Byte order of state is little-endian on every build, whatever the machine.
void StoreLE(unsigned char* p, uint64_t v, int n) {
  for (int i = 0; i < n; ++i)
    p[i] = (unsigned char)(v >> (8 * i));
}
uint64_t LoadLE(const unsigned char* p, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i)
    v |= (uint64_t)p[i] << (8 * i);
  return v;
}
} // namespace

int ChunkBuffer::PutBytes(const void* data, int size) {
  if (size < 0 || (size > 0 && !data)) return 0;
  int old = Size();
  if (size > 0x7fffffff - old) return 0;
  if (!mBytes.Resize(old + size) && old + size > 0) return 0;
  if (size > 0) std::memcpy(GetBytes() + old, data, (size_t)size);
  return Size();
}

int ChunkBuffer::Put(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  unsigned char b[8];
  StoreLE(b, bits, 8);
  return PutBytes(b, 8);
}

int ChunkBuffer::Put(int32_t value) {
  unsigned char b[4];
  StoreLE(b, (uint32_t)value, 4);
  return PutBytes(b, 4);
}

int ChunkBuffer::Put(bool value) {
  unsigned char b = value ? 1 : 0;
  return PutBytes(&b, 1);
}

int ChunkBuffer::PutStr(const char* text) {
  if (!text) text = "";
  size_t n = std::strlen(text);
  if (n > 0x7ffffff0u) return 0;
  if (!Put((int32_t)n)) return 0;
  return PutBytes(text, (int)n);
}

int ChunkBuffer::Get(double* value, int pos) const {
  if (!Fits(pos, 8)) return -1;
  uint64_t bits = LoadLE(GetBytes() + pos, 8);
  std::memcpy(value, &bits, 8);
  return pos + 8;
}

int ChunkBuffer::Get(int32_t* value, int pos) const {
  if (!Fits(pos, 4)) return -1;
  *value = (int32_t)(uint32_t)LoadLE(GetBytes() + pos, 4);
  return pos + 4;
}

int ChunkBuffer::Get(bool* value, int pos) const {
  if (!Fits(pos, 1)) return -1;
  *value = GetBytes()[pos] != 0;
  return pos + 1;
}

int ChunkBuffer::GetStr(WDL_String* text, int pos) const {
  int32_t len = 0;
  int next = Get(&len, pos);
  if (next < 0) return -1;
  // A negative or oversized length cannot be a record of this buffer.
  if (len < 0 || len > Size() - next) return -1;
  if (len > 0) text->Set((const char*)GetBytes() + next, len);
  return next + len;
}
