#include "tools/setuppack/terminal_text.h"

#include <iconv.h>
#include <langinfo.h>
#include <langinfo.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace marrowby::setuppack {

namespace {

// Windows-1252 0x80..0x9F; 0 where the code page defines no character.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string Utf8(uint32_t c) {
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

// Decodes one UTF-8 character at text[i]; 0 bytes when it is malformed
// (overlong forms, surrogates and values past U+10FFFF included).
size_t DecodeUtf8(const std::string& text, size_t i, uint32_t* c) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(text[i + k]); };
  const uint8_t lead = b(0);
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

class Converter {
 public:
  explicit Converter(const std::string& codeset)
      : utf8_(codeset == "UTF-8" || codeset == "utf8"),
        cd_(utf8_ ? reinterpret_cast<iconv_t>(-1) : iconv_open(codeset.c_str(), "UTF-8")) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // The character in the terminal's set, or empty when the set lacks it.
  std::string Convert(uint32_t c) {
    const std::string in = Utf8(c);
    if (utf8_ || c < 0x80) return in;
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return {};
    char out[16];
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size(), dstLeft = sizeof(out);
    char* dst = out;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) return {};
    return std::string(out, static_cast<size_t>(dst - out));
  }

 private:
  bool utf8_;
  iconv_t cd_;
};

std::string Escaped(uint32_t c, bool byte) {
  char buf[16];
  if (c == '\r') return "\\r";
  if (c == '\n') return "\\n";
  if (c == '\t') return "\\t";
  if (byte) {
    std::snprintf(buf, sizeof(buf), "\\x%02X", static_cast<unsigned>(c));
  } else {
    std::snprintf(buf, sizeof(buf), "\\u{%04X}", static_cast<unsigned>(c));
  }
  return buf;
}

}  // namespace

std::string TerminalText(const std::string& text, bool utf8, const std::string& codeset) {
  Converter terminal(codeset);
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const uint8_t byte = static_cast<uint8_t>(text[i]);
    uint32_t c = byte;
    size_t n = 1;
    if (utf8 && byte >= 0x80) {
      n = DecodeUtf8(text, i, &c);
      if (n == 0) {
        out += Escaped(byte, true);
        ++i;
        continue;
      }
    } else if (!utf8 && byte >= 0x80 && byte < 0xA0) {
      c = kCp1252High[byte - 0x80];
      if (c == 0) {
        out += Escaped(byte, true);
        ++i;
        continue;
      }
    }
    i += n;
    // C0 and C1 controls, DEL, and the bidirectional overrides and isolates
    // that could reorder what the terminal shows.
    const bool control = c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0x202A && c <= 0x202E) ||
                         (c >= 0x2066 && c <= 0x2069);
    if (control) {
      out += Escaped(c, c < 0x100);
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      const std::string shown = terminal.Convert(c);
      out += shown.empty() ? Escaped(c, false) : shown;
    }
  }
  return out + "\"";
}

std::string Shown(const std::string& text, bool utf8) {
  return TerminalText(text, utf8, nl_langinfo(CODESET));
}

size_t StatusLines(const std::string& text) {
  size_t lines = 0, column = 0, word = 0;
  const auto endLine = [&] {
    ++lines;
    column = word = 0;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\r' || ch == '\n') {
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      endLine();
      continue;
    }
    ++column;
    word = ch == ' ' ? 0 : word + 1;
    if (column > kStatusColumns) {
      // The word that does not fit moves to the next line, unless it alone
      // fills the line; then it is broken.
      ++lines;
      column = word < kStatusColumns ? word : 1;
      if (word >= kStatusColumns) word = 1;
    }
  }
  return column > 0 ? lines + 1 : lines;
}

}  // namespace marrowby::setuppack
