#include "tools/setuppack/cp1252.h"

#include <cstdio>
#include <stdexcept>

#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {

namespace {

// Windows-1252 0x80..0x9F; 0 where the code page defines no character. The
// other bytes are the Unicode characters of the same number.
constexpr uint16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

uint32_t Cp1252Character(uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

int Cp1252Byte(uint32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == c && c != 0) return 0x80 + i;
  }
  return -1;
}

size_t DecodeUtf8(const std::string& text, size_t i, uint32_t* c) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(text[i + k]); };
  const uint8_t lead = b(0);
  if (lead < 0x80) {
    *c = lead;
    return 1;
  }
  const size_t n = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (n == 0 || lead > 0xF4 || i + n > text.size()) return 0;
  uint32_t v = lead & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    v = v << 6 | (b(k) & 0x3F);
  }
  if ((n == 3 && v < 0x800) || (n == 4 && (v < 0x10000 || v > 0x10FFFF)) ||
      (v >= 0xD800 && v <= 0xDFFF)) {
    return 0;
  }
  *c = v;
  return n;
}

std::string EncodeUtf8(uint32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

bool IsUtf8(const std::string& text) {
  uint32_t c;
  for (size_t i = 0; i < text.size();) {
    const size_t n = DecodeUtf8(text, i, &c);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string Cp1252ToUtf8(const std::string& text) {
  std::string out;
  for (const char ch : text) {
    const uint32_t c = Cp1252Character(static_cast<uint8_t>(ch));
    out += EncodeUtf8(c ? c : 0xFFFD);
  }
  return out;
}

bool Utf8ToCp1252(const std::string& text, std::string* out, size_t* bad) {
  out->clear();
  uint32_t c = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t n = DecodeUtf8(text, i, &c);
    const int byte = n ? Cp1252Byte(c) : -1;
    if (byte < 0) {
      *bad = i;
      return false;
    }
    *out += static_cast<char>(byte);
    i += n;
  }
  return true;
}

std::string WindowsLineEnds(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

namespace {

std::string Unconvertible(const std::string& text, size_t at) {
  uint32_t c = 0;
  DecodeUtf8(text, at, &c);
  char code[16];
  std::snprintf(code, sizeof(code), "U+%04X", static_cast<unsigned>(c));
  return Shown(EncodeUtf8(c), true) + " (" + code +
         ") has no Windows-1252 form, the code page setup shows texts and names in";
}

}  // namespace

std::string PackagerText(const std::string& bytes, const std::string& what) {
  if (!IsUtf8(bytes)) return bytes;
  const bool marked = bytes.compare(0, 3, kByteOrderMark) == 0;
  const std::string text = marked ? bytes.substr(3) : bytes;
  std::string out;
  size_t bad = 0;
  if (Utf8ToCp1252(text, &out, &bad)) return out;
  size_t line = 1, column = 1;
  uint32_t c = 0;
  for (size_t i = 0; i < bad; i += DecodeUtf8(text, i, &c)) {
    DecodeUtf8(text, i, &c);
    column = c == '\n' ? 1 : column + 1;
    line += c == '\n';
  }
  throw std::runtime_error(what + ", line " + std::to_string(line) + ", character " +
                           std::to_string(column) + ": " + Unconvertible(text, bad));
}

std::string StoredName(const std::string& name) {
  if (!IsUtf8(name)) return name;
  std::string out;
  size_t bad = 0;
  if (Utf8ToCp1252(name, &out, &bad)) return out;
  throw std::runtime_error("the file name " + Shown(name, true) + ": " + Unconvertible(name, bad));
}

}  // namespace marrowby::setuppack
