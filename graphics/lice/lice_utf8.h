#pragma once
// UTF-8 as the text code reads it: an invalid sequence counts as one byte
// (its value is the code point), a 4-byte sequence stands for a space.

inline bool LICE_IsUTF8Cont(unsigned char c) { return (c & 0xc0) == 0x80; }

// Reads one character at s (s < end); answers the bytes used (1-4) and sets *code.
inline int LICE_DecodeUTF8(const unsigned char* s, const unsigned char* end, unsigned* code) {
  const unsigned c = s[0];
  const long left = end - s;
  if (c >= 0xc2 && c <= 0xdf && left >= 2 && LICE_IsUTF8Cont(s[1])) {
    *code = ((c & 0x1f) << 6) | (s[1] & 0x3f);
    return 2;
  }
  if (c >= 0xe0 && c <= 0xef && left >= 3 && LICE_IsUTF8Cont(s[1]) && LICE_IsUTF8Cont(s[2])) {
    const unsigned v = ((c & 0x0f) << 12) | ((s[1] & 0x3fu) << 6) | (s[2] & 0x3f);
    if (v >= 0x800 && (v < 0xd800 || v > 0xdfff)) {
      *code = v;
      return 3;
    }
  }
  if (c >= 0xf0 && c <= 0xf4 && left >= 4 && LICE_IsUTF8Cont(s[1]) && LICE_IsUTF8Cont(s[2]) &&
      LICE_IsUTF8Cont(s[3])) {
    const unsigned v =
        ((c & 0x07) << 18) | ((s[1] & 0x3fu) << 12) | ((s[2] & 0x3fu) << 6) | (s[3] & 0x3f);
    if (v >= 0x10000 && v <= 0x10ffff) {
      *code = ' ';
      return 4;
    }
  }
  *code = c;
  return 1;
}

// Writes a code point below 0x10000 as 1-3 bytes; answers the count.
inline int LICE_EncodeUTF8(unsigned code, char* out) {
  if (code < 0x80) {
    out[0] = (char)code;
    return 1;
  }
  if (code < 0x800) {
    out[0] = (char)(0xc0 | (code >> 6));
    out[1] = (char)(0x80 | (code & 0x3f));
    return 2;
  }
  out[0] = (char)(0xe0 | ((code >> 12) & 0x0f));
  out[1] = (char)(0x80 | ((code >> 6) & 0x3f));
  out[2] = (char)(0x80 | (code & 0x3f));
  return 3;
}
