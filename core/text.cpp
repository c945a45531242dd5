#include "core/text.h"

#include <cstdint>

namespace marrowby {

namespace {
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
}  // namespace

int CompareText(const std::string& a, const std::string& b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char ca = static_cast<unsigned char>(Upper(a[i]));
    const unsigned char cb = static_cast<unsigned char>(Upper(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

std::string UpperCase(std::string s) {
  for (char& c : s) c = Upper(c);
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::string ZeroPadded(int value, int width) {
  const unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  std::string digits = std::to_string(magnitude);
  const size_t sign = value < 0 ? 1 : 0;
  if (width > 0 && digits.size() + sign < static_cast<size_t>(width)) {
    digits.insert(0, static_cast<size_t>(width) - digits.size() - sign, '0');
  }
  return sign ? "-" + digits : digits;
}

bool TryStrToInt(const std::string& s, int32_t* out) {
  size_t i = 0;
  // Leading blanks are skipped as the run-time library's conversion does.
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    negative = s[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    value = value * base + digit;
    // Decimal text must fit a signed 32-bit value; hexadecimal text may use
    // all 32 bits ($FFFFFFFF is -1).
    if (base == 10 && value > (negative ? 2147483648ULL : 2147483647ULL)) return false;
    if (base == 16 && value > 0xFFFFFFFFULL) return false;
  }
  int64_t v = static_cast<int64_t>(value);
  if (base == 16) v = static_cast<int32_t>(static_cast<uint32_t>(value));
  *out = static_cast<int32_t>(negative ? -v : v);
  return true;
}

namespace {
const char kHintBar = '|';
}  // namespace

std::string ShortHint(const std::string& hint) { return hint.substr(0, hint.find(kHintBar)); }

std::string LongHint(const std::string& hint) {
  const size_t bar = hint.find(kHintBar);
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

std::string JoinHint(const std::string& shortPart, const std::string& longPart) {
  return shortPart + kHintBar + longPart;
}

}  // namespace marrowby
