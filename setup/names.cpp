#include "setup/names.h"

#include "setup/cstr.h"

namespace marrowby::setup {

bool SetPartNumber(char* name, uint32_t number) {
  // The start of the third character from the end: UTF-8 continuation bytes
  // (10xxxxxx) belong to the character before them.
  size_t at = TextLength(name);
  for (int chars = 0; chars < 3; ++chars) {
    do {
      if (at == 0) return false;
      --at;
    } while ((static_cast<uint8_t>(name[at]) & 0xC0) == 0x80);
  }
  if (number > 999) return false;
  name[at] = static_cast<char>('0' + number / 100);
  name[at + 1] = static_cast<char>('0' + number / 10 % 10);
  name[at + 2] = static_cast<char>('0' + number % 10);
  name[at + 3] = 0;
  return true;
}

bool WorkDirName(const char* usualDir, uint32_t tag, uint32_t attempt, char* out,
                 size_t capacity) {
  if (!TextCopy(out, capacity, usualDir)) return false;
  if (attempt == 0) return true;
  size_t n = TextLength(out);
  while (n > 0 && out[n - 1] == '\\') out[--n] = 0;
  char tagText[11], attemptText[11];
  return TextJoin(out + n, capacity - n,
                  {".", DecimalText(tag, tagText), "-", DecimalText(attempt, attemptText), "\\"});
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// The superscript digits one to three, which Windows takes as the digits of
// COM and LPT device names too: one byte in Windows-1252, two in UTF-8.
bool IsSuperscriptDigit(const char* p, size_t n, bool utf8) {
  if (n != (utf8 ? 2u : 1u) || (utf8 && static_cast<uint8_t>(p[0]) != 0xC2)) return false;
  const uint8_t last = static_cast<uint8_t>(p[n - 1]);
  return last == 0xB9 || last == 0xB2 || last == 0xB3;
}

// The reserved device names apply to a component whatever its extension
// ("nul.txt") and with trailing spaces before it.
bool IsDeviceName(const char* begin, size_t length, bool utf8) {
  size_t stem = 0;
  while (stem < length && begin[stem] != '.') ++stem;
  while (stem > 0 && begin[stem - 1] == ' ') --stem;
  char u[8];
  if (stem < 3 || stem > 7) return false;
  for (size_t i = 0; i < stem; ++i) u[i] = Upper(begin[i]);
  u[stem] = 0;
  // One after the other, ended by an empty name.
  static const char kPlain[] = "CON\0PRN\0AUX\0NUL\0CONIN$\0CONOUT$\0CLOCK$\0";
  for (const char* d = kPlain; *d; d += TextLength(d) + 1) {
    if (TextEqual(u, d)) return true;
  }
  if ((stem == 4 && u[3] >= '0' && u[3] <= '9') || IsSuperscriptDigit(u + 3, stem - 3, utf8)) {
    u[3] = 0;
    return TextEqual(u, "COM") || TextEqual(u, "LPT");
  }
  return false;
}

NameCheck CheckComponent(const char* begin, size_t length, bool utf8) {
  if (length == 0) return NameCheck::kDotComponent;
  if ((length == 1 && begin[0] == '.') || (length == 2 && begin[0] == '.' && begin[1] == '.')) {
    return NameCheck::kDotComponent;
  }
  if (begin[length - 1] == '.' || begin[length - 1] == ' ') return NameCheck::kTrailingDotOrSpace;
  if (IsDeviceName(begin, length, utf8)) return NameCheck::kDeviceName;
  return NameCheck::kOk;
}

// Well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(const char* s) {
  for (const uint8_t* p = reinterpret_cast<const uint8_t*>(s); *p;) {
    const uint8_t c = *p++;
    if (c < 0x80) continue;
    int more;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1, cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2, cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3, cp = c & 0x07u;
    } else {
      return false;
    }
    static constexpr uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    const int length = more;
    for (; more > 0; --more, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      cp = cp << 6 | (*p & 0x3Fu);
    }
    if (cp < least[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  }
  return true;
}

}  // namespace

NameCheck CheckCabinetName(const char* name, bool utf8) {
  return utf8 && !IsUtf8(name) ? NameCheck::kBadCharacter : CheckCabinetNameText(name, utf8);
}

NameCheck CheckCabinetNameText(const char* name, bool utf8) {
  if (!name[0]) return NameCheck::kEmpty;
  if (IsSeparator(name[0])) return NameCheck::kAbsolute;
  for (const char* p = name; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == ':') return NameCheck::kDrive;
    if (c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' ||
        c == '*') {
      return NameCheck::kBadCharacter;
    }
  }
  const char* start = name;
  for (const char* p = name;; ++p) {
    if (*p == 0 || IsSeparator(*p)) {
      const NameCheck c = CheckComponent(start, static_cast<size_t>(p - start), utf8);
      if (c != NameCheck::kOk) return c;
      if (*p == 0) break;
      start = p + 1;
    }
  }
  return NameCheck::kOk;
}

InfNameCheck CheckInfName(const char* name) {
  if (!name[0]) return InfNameCheck::kEmpty;
  for (const char* p = name; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\\' || c == '/' || c == ':') return InfNameCheck::kSeparator;
    if (c == ' ') return InfNameCheck::kSpace;
    if (c == ',') return InfNameCheck::kComma;
    if (c == '"') return InfNameCheck::kQuote;
    if (c < 0x20 || c == 0x7F) return InfNameCheck::kControl;
  }
  return CheckCabinetName(name) == NameCheck::kOk ? InfNameCheck::kOk : InfNameCheck::kNotAFileName;
}

namespace {

// The upper-case form of a Windows-1252 letter, as Windows folds file names.
uint8_t Fold1252(uint8_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0x9A || c == 0x9C || c == 0x9E) return c - 0x10;  // s, oe, z with caron
  if (c == 0xFF) return 0x9F;                                // y with diaeresis
  return c == '/' ? '\\' : c;
}

}  // namespace

bool SameFileName1252(const char* a, const char* b) {
  const uint8_t* x = reinterpret_cast<const uint8_t*>(a);
  const uint8_t* y = reinterpret_cast<const uint8_t*>(b);
  while (*x && Fold1252(*x) == Fold1252(*y)) ++x, ++y;
  return Fold1252(*x) == Fold1252(*y);
}

}  // namespace marrowby::setup
