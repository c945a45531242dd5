#include "setup/names.h"

#include "setup/cstr.h"

namespace marrowby::setup {

bool SetPartNumber(char* name, uint32_t number) {
  const size_t n = TextLength(name);
  if (n < 3 || number > 999) return false;
  name[n - 3] = static_cast<char>('0' + number / 100);
  name[n - 2] = static_cast<char>('0' + number / 10 % 10);
  name[n - 1] = static_cast<char>('0' + number % 10);
  return true;
}

bool WorkDirName(const char* usualDir, uint32_t tag, uint32_t attempt, char* out,
                 size_t capacity) {
  if (!TextCopy(out, capacity, usualDir)) return false;
  if (attempt == 0) return true;
  size_t n = TextLength(out);
  while (n > 0 && out[n - 1] == '\\') out[--n] = 0;
  return TextAppend(out, capacity, ".") && TextAppendUnsigned(out, capacity, tag) &&
         TextAppend(out, capacity, "-") && TextAppendUnsigned(out, capacity, attempt) &&
         TextAppend(out, capacity, "\\");
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// The reserved device names apply to a component whatever its extension
// ("nul.txt") and with trailing spaces before it.
bool IsDeviceName(const char* begin, size_t length) {
  size_t stem = 0;
  while (stem < length && begin[stem] != '.') ++stem;
  while (stem > 0 && begin[stem - 1] == ' ') --stem;
  char u[8];
  if (stem < 3 || stem > 7) return false;
  for (size_t i = 0; i < stem; ++i) u[i] = Upper(begin[i]);
  u[stem] = 0;
  static const char* const kPlain[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* d : kPlain) {
    if (TextEqual(u, d)) return true;
  }
  if (stem == 4 && u[3] >= '0' && u[3] <= '9') {
    u[3] = 0;
    return TextEqual(u, "COM") || TextEqual(u, "LPT");
  }
  return false;
}

NameCheck CheckComponent(const char* begin, size_t length) {
  if (length == 0) return NameCheck::kDotComponent;
  if ((length == 1 && begin[0] == '.') || (length == 2 && begin[0] == '.' && begin[1] == '.')) {
    return NameCheck::kDotComponent;
  }
  if (begin[length - 1] == '.' || begin[length - 1] == ' ') return NameCheck::kTrailingDotOrSpace;
  if (IsDeviceName(begin, length)) return NameCheck::kDeviceName;
  return NameCheck::kOk;
}

}  // namespace

NameCheck CheckCabinetName(const char* name) {
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
      const NameCheck c = CheckComponent(start, static_cast<size_t>(p - start));
      if (c != NameCheck::kOk) return c;
      if (*p == 0) break;
      start = p + 1;
    }
  }
  return NameCheck::kOk;
}

}  // namespace marrowby::setup
