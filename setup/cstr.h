// Bounded operations on zero-terminated texts in fixed buffers. Each returns
// false instead of writing past the buffer; the buffer then holds a
// zero-terminated prefix, never an overflow. No C runtime is needed, so the
// stub can use them without linking one.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <initializer_list>

namespace marrowby::setup {

size_t TextLength(const char* s);
bool TextEqual(const char* a, const char* b);
// Case-insensitive for ASCII letters only.
bool TextEqualNoCase(const char* a, const char* b);
// Copies src into out (capacity bytes, terminator included).
bool TextCopy(char* out, size_t capacity, const char* src);
// Appends src to the text already in out.
bool TextAppend(char* out, size_t capacity, const char* src);
// Copies the parts one after the other into out.
bool TextJoin(char* out, size_t capacity, std::initializer_list<const char*> parts);
// The decimal form of value, written into digits; returns where it starts.
const char* DecimalText(uint32_t value, char (&digits)[11]);
// "0x" and the eight upper-case hexadecimal digits of value, into digits.
const char* HexText(uint32_t value, char (&digits)[11]);
// Index just past the last '\\', '/' or ':' of a path, 0 when there is none.
size_t FileNameStart(const char* path);
bool ContainsChar(const char* s, char c);

void FillBytes(void* dst, uint8_t value, size_t n);
void CopyBytes(void* dst, const void* src, size_t n);
bool BytesEqual(const void* a, const void* b, size_t n);

}  // namespace marrowby::setup
