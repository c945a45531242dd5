// Text handling of profile files: the encodings a profile file may be stored
// in (detected from its first bytes and kept when it is written again), the
// ANSI code page of the profile functions' "A" forms, and the character
// classes their parser uses.
#pragma once

#include <cstdint>
#include <string>

namespace marrowby {

enum class ProfileEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

// Detects the encoding from a byte-order mark and returns the text without it,
// as UTF-8 for the Unicode encodings and unchanged bytes for ANSI.
std::string DecodeProfileText(const std::string& bytes, ProfileEncoding* encoding);
// The file bytes for text in the given encoding, byte-order mark first.
std::string EncodeProfileText(const std::string& text, ProfileEncoding encoding);

// The ANSI code page (Windows-1252) to UTF-8 and back; characters outside
// the code page become '?'.
std::string AnsiToUtf8(const std::string& ansi);
std::string Utf8ToAnsi(const std::string& utf8);
// One character of the ANSI code page as a Unicode code point, and back ('?'
// for a character outside the code page).
uint32_t AnsiCharToUnicode(unsigned char c);
char UnicodeToAnsiChar(uint32_t codePoint);
// Number of UTF-16 code units of UTF-8 text.
size_t Utf16Length(const std::string& utf8);
// The longest prefix of UTF-8 text that holds at most `units` UTF-16 code units.
std::string Utf16Prefix(const std::string& utf8, size_t units);

// Blanks of the profile parser: tab, line feed, vertical tab, form feed,
// carriage return, Ctrl-Z (a DOS end-of-file mark) and space.
inline bool IsProfileSpace(unsigned char c) {
  return (c >= 0x09 && c <= 0x0d) || c == 0x1a || c == 0x20;
}
// Section and key names compare without regard to the case of ASCII letters
// only; other characters must match exactly.
inline unsigned char FoldProfileChar(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}
std::string FoldProfileName(const std::string& name);
bool SameProfileName(const std::string& a, const std::string& b);

std::string TrimProfileLeft(const std::string& s);
std::string TrimProfileRight(const std::string& s);
std::string TrimProfile(const std::string& s);

}  // namespace marrowby
