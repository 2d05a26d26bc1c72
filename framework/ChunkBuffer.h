#pragma once
// The byte buffer in which state travels: little-endian 32-bit integers,
// IEEE-754 doubles, bools as one byte, and string records (32-bit length,
// then the bytes, no terminator). Reads are bounds-checked and answer -1.
#include "WDL_HeapBuf.h"
#include "WDL_String.h"

#include <cstdint>

class ChunkBuffer {
public:
  ChunkBuffer() : mBytes(4096) {}
  ChunkBuffer(const ChunkBuffer&) = delete;
  ChunkBuffer& operator=(const ChunkBuffer&) = delete;

  const unsigned char* GetBytes() const { return (const unsigned char*)mBytes.Get(); }
  unsigned char* GetBytes() { return (unsigned char*)mBytes.Get(); }
  int Size() const { return mBytes.GetSize(); }
  void Clear() { mBytes.Resize(0); }
  // Answers the new size, or -1 when memory runs out (contents then unchanged).
  int Resize(int newSize) { return mBytes.Resize(newSize) || newSize == 0 ? Size() : -1; }

  // Each append answers the new size, or 0 when it failed.
  int PutBytes(const void* data, int size);
  int Put(double value);
  int Put(int32_t value);
  int Put(bool value);
  int PutStr(const char* text);
  int PutChunk(const ChunkBuffer& other) { return PutBytes(other.GetBytes(), other.Size()); }

  // Each read answers the position after the item, or -1 (output untouched).
  int Get(double* value, int pos) const;
  int Get(int32_t* value, int pos) const;
  int Get(bool* value, int pos) const;
  int GetStr(WDL_String* text, int pos) const;

private:
  bool Fits(int pos, int size) const { return pos >= 0 && size >= 0 && pos <= Size() - size; }

  WDL_HeapBuf mBytes;
};
