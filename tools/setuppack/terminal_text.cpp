#include "tools/setuppack/terminal_text.h"

#include <iconv.h>
#include <langinfo.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/setuppack/cp1252.h"

namespace marrowby::setuppack {

namespace {

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
    const std::string in = EncodeUtf8(c);
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
      c = Cp1252Character(byte);
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
