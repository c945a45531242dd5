#include "setup/cstr.h"

namespace marrowby::setup {

size_t TextLength(const char* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

bool TextEqual(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

static char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool TextEqualNoCase(const char* a, const char* b) {
  while (*a && LowerAscii(*a) == LowerAscii(*b)) ++a, ++b;
  return LowerAscii(*a) == LowerAscii(*b);
}

bool TextCopy(char* out, size_t capacity, const char* src) {
  if (capacity == 0) return false;
  out[0] = 0;
  return TextAppend(out, capacity, src);
}

bool TextAppend(char* out, size_t capacity, const char* src) {
  size_t n = TextLength(out);
  if (n >= capacity) return false;
  for (; *src; ++src) {
    if (n + 1 >= capacity) {
      out[n] = 0;
      return false;
    }
    out[n++] = *src;
  }
  out[n] = 0;
  return true;
}

bool TextJoin(char* out, size_t capacity, std::initializer_list<const char*> parts) {
  if (!TextCopy(out, capacity, "")) return false;
  for (const char* part : parts) {
    if (!TextAppend(out, capacity, part)) return false;
  }
  return true;
}

const char* DecimalText(uint32_t value, char (&digits)[11]) {
  size_t i = sizeof(digits) - 1;
  digits[i] = 0;
  do {
    digits[--i] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value);
  return digits + i;
}

const char* HexText(uint32_t value, char (&digits)[11]) {
  digits[0] = '0';
  digits[1] = 'x';
  for (int i = 0; i < 8; ++i) {
    const uint32_t d = value >> (28 - 4 * i) & 0xF;
    digits[2 + i] = static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
  }
  digits[10] = 0;
  return digits;
}

size_t FileNameStart(const char* path) {
  size_t start = 0;
  for (size_t i = 0; path[i]; ++i) {
    if (path[i] == '\\' || path[i] == '/' || path[i] == ':') start = i + 1;
  }
  return start;
}

bool ContainsChar(const char* s, char c) {
  for (; *s; ++s) {
    if (*s == c) return true;
  }
  return false;
}

// Byte loops the compiler must not turn back into calls of memset/memcpy:
// the stub links no C runtime that would provide them.
void FillBytes(void* dst, uint8_t value, size_t n) {
  volatile uint8_t* d = static_cast<volatile uint8_t*>(dst);
  while (n--) *d++ = value;
}

void CopyBytes(void* dst, const void* src, size_t n) {
  volatile uint8_t* d = static_cast<volatile uint8_t*>(dst);
  const uint8_t* s = static_cast<const uint8_t*>(src);
  while (n--) *d++ = *s++;
}

bool BytesEqual(const void* a, const void* b, size_t n) {
  const uint8_t* x = static_cast<const uint8_t*>(a);
  const uint8_t* y = static_cast<const uint8_t*>(b);
  for (size_t i = 0; i < n; ++i) {
    if (x[i] != y[i]) return false;
  }
  return true;
}

}  // namespace marrowby::setup
