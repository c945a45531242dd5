#include "store/profile_text.h"

#include <cstdint>

namespace marrowby {

namespace {

// Windows-1252 bytes 0x80..0x9F; the five unassigned bytes map to the C1
// control with the same number, as the platform's conversion does.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one code point at s[i] and advances i. Lone surrogates encoded in
// three bytes are accepted (they stand for unpaired UTF-16 units of a file);
// an invalid byte decodes as itself with `valid` false.
uint32_t NextCodePoint(const std::string& s, size_t& i, bool* valid) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  *valid = true;
  if (c < 0x80) {
    ++i;
    return c;
  }
  int len = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
  if (c >= 0xF5) len = 0;
  if (len == 0 || i + len > s.size()) {
    *valid = false;
    ++i;
    return c;
  }
  uint32_t cp = c & (0x7F >> len);
  for (int k = 1; k < len; ++k) {
    const unsigned char t = byte(i + k);
    if ((t & 0xC0) != 0x80) {
      *valid = false;
      ++i;
      return c;
    }
    cp = (cp << 6) | (t & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
    *valid = false;
    ++i;
    return c;
  }
  i += len;
  return cp;
}

std::u16string Utf8ToUtf16(const std::string& s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    bool valid;
    const uint32_t cp = NextCodePoint(s, i, &valid);
    if (!valid) {
      out += char16_t{0xFFFD};
    } else if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

// UTF-8 file text as the platform reads it: every invalid or cut sequence
// becomes U+FFFD, consuming the bytes the platform's decoder consumes (the
// valid continuation bytes before the fault; a sequence cut by the end of
// the file takes the rest).
std::string SanitizeUtf8(const std::string& s) {
  static const unsigned char kFollowing[128] = {
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
      2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  static const unsigned char kMask[4] = {0x7f, 0x1f, 0x0f, 0x07};
  const auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char ch = at(i++);
    if (ch < 0x80) {
      out += static_cast<char>(ch);
      continue;
    }
    const unsigned len = kFollowing[ch - 0x80];
    uint32_t res = ch & kMask[len];
    const size_t end = i + len;
    bool ok = false;
    if (end > s.size()) {
      i = s.size();
    } else {
      unsigned c;
      switch (len) {
        case 3:
          if ((c = at(end - 3) ^ 0x80u) >= 0x40) break;
          res = (res << 6) | c;
          ++i;
          if (res < 0x10) break;
          [[fallthrough]];
        case 2:
          if ((c = at(end - 2) ^ 0x80u) >= 0x40) break;
          res = (res << 6) | c;
          if (res >= (0x110000 >> 6)) break;
          ++i;
          if (res < 0x20) break;
          if (res >= (0xd800 >> 6) && res <= (0xdfff >> 6)) break;
          [[fallthrough]];
        case 1:
          if ((c = at(end - 1) ^ 0x80u) >= 0x40) break;
          res = (res << 6) | c;
          ++i;
          ok = res >= 0x80;
          break;
        default:
          break;
      }
    }
    AppendUtf8(out, ok ? res : 0xFFFD);
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& w) {
  std::string out;
  out.reserve(w.size());
  for (size_t i = 0; i < w.size(); ++i) {
    uint32_t cp = w[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < w.size() && w[i + 1] >= 0xDC00 &&
        w[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (w[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace

std::string DecodeProfileText(const std::string& bytes, ProfileEncoding* encoding) {
  const auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
  if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
    *encoding = ProfileEncoding::Utf8;
    return SanitizeUtf8(bytes.substr(3));
  }
  if (bytes.size() >= 2 && ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF))) {
    const bool little = at(0) == 0xFF;
    *encoding = little ? ProfileEncoding::Utf16LE : ProfileEncoding::Utf16BE;
    std::u16string w;
    w.reserve(bytes.size() / 2);
    // A trailing odd byte is read as a unit of its own.
    for (size_t i = 2; i < bytes.size(); i += 2) {
      const unsigned a = at(i), b = i + 1 < bytes.size() ? at(i + 1) : 0;
      w += static_cast<char16_t>(little ? (a | b << 8) : (a << 8 | b));
    }
    return Utf16ToUtf8(w);
  }
  *encoding = ProfileEncoding::Ansi;
  return bytes;
}

std::string EncodeProfileText(const std::string& text, ProfileEncoding encoding) {
  switch (encoding) {
    case ProfileEncoding::Ansi:
      return text;
    case ProfileEncoding::Utf8:
      return "\xEF\xBB\xBF" + text;
    case ProfileEncoding::Utf16LE:
    case ProfileEncoding::Utf16BE: {
      const bool little = encoding == ProfileEncoding::Utf16LE;
      const std::u16string w = Utf8ToUtf16(text);
      std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
      out.reserve(2 + w.size() * 2);
      for (char16_t u : w) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += little ? lo : hi;
        out += little ? hi : lo;
      }
      return out;
    }
  }
  return text;
}

std::string AnsiToUtf8(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char ch : ansi) {
    const unsigned char c = static_cast<unsigned char>(ch);
    AppendUtf8(out, AnsiCharToUnicode(c));
  }
  return out;
}

std::string Utf8ToAnsi(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    bool valid;
    const uint32_t cp = NextCodePoint(utf8, i, &valid);
    if (!valid) {
      out += '?';
      continue;
    }
    out += UnicodeToAnsiChar(cp);
  }
  return out;
}

uint32_t AnsiCharToUnicode(unsigned char c) {
  return c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c;
}

char UnicodeToAnsiChar(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) return static_cast<char>(cp);
  for (int k = 0; k < 32; ++k) {
    if (kCp1252High[k] == cp) return static_cast<char>(0x80 + k);
  }
  return '?';
}

size_t Utf16Length(const std::string& utf8) {
  size_t n = 0;
  for (size_t i = 0; i < utf8.size();) {
    bool valid;
    n += NextCodePoint(utf8, i, &valid) >= 0x10000 && valid ? 2 : 1;
  }
  return n;
}

std::string Utf16Prefix(const std::string& utf8, size_t units) {
  size_t n = 0, i = 0;
  while (i < utf8.size()) {
    size_t next = i;
    bool valid;
    const size_t w = NextCodePoint(utf8, next, &valid) >= 0x10000 && valid ? 2 : 1;
    if (n + w > units) break;
    n += w;
    i = next;
  }
  return utf8.substr(0, i);
}

std::string FoldProfileName(const std::string& name) {
  std::string out = name;
  for (char& c : out) c = static_cast<char>(FoldProfileChar(static_cast<unsigned char>(c)));
  return out;
}

bool SameProfileName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldProfileChar(static_cast<unsigned char>(a[i])) !=
        FoldProfileChar(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string TrimProfileLeft(const std::string& s) {
  size_t b = 0;
  while (b < s.size() && IsProfileSpace(static_cast<unsigned char>(s[b]))) ++b;
  return s.substr(b);
}

std::string TrimProfileRight(const std::string& s) {
  size_t e = s.size();
  while (e > 0 && IsProfileSpace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(0, e);
}

std::string TrimProfile(const std::string& s) { return TrimProfileRight(TrimProfileLeft(s)); }

}  // namespace marrowby
