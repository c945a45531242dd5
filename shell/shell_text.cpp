#include "shell/shell_text.h"

#include "core/text.h"

namespace marrowby {

std::string TrayTip(const std::string& hint) {
  std::string tip = ShortHint(hint);
  if (tip.size() > kTrayTipMax) tip.resize(kTrayTipMax);
  // The record holds a C string: an embedded NUL would end it early anyway.
  const size_t nul = tip.find('\0');
  if (nul != std::string::npos) tip.resize(nul);
  return tip;
}

DroppedName SplitDroppedName(const std::string& path) {
  // Scan from the end: each dot moves the extension's start left; the first
  // backslash ends the last component. Dots in folder names are never seen.
  size_t nameStart = 0;
  size_t extStart = std::string::npos;
  for (size_t i = path.size(); i-- > 0;) {
    if (path[i] == '.') extStart = i + 1;
    if (path[i] == '\\') {
      nameStart = i + 1;
      break;
    }
  }
  DroppedName out;
  out.NameOnly = path.substr(nameStart);
  if (extStart != std::string::npos) out.Extension = path.substr(extStart);
  return out;
}

std::string SingleInstanceMutexName(const std::string& title) {
  std::string name = std::string(kMutexPrefix) + title.substr(0, kTitleLimit);
  if (name.size() > kObjectNameLimit) name.resize(kObjectNameLimit);
  return name;
}

std::string StripHotkey(const std::string& caption) {
  std::string out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    // "&x" shows x (so "&&" shows "&"); a trailing "&" shows nothing.
    if (caption[i] == '&') {
      if (++i < caption.size()) out += caption[i];
    } else {
      out += caption[i];
    }
  }
  return out;
}

namespace {

std::string KeyName(unsigned key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
  if (key >= 0x70 && key <= 0x7B) return "F" + std::to_string(key - 0x70 + 1);
  switch (key) {
    case 0x08: return "BkSp";
    case 0x09: return "Tab";
    case 0x0D: return "Enter";
    case 0x1B: return "Esc";
    case 0x20: return "Space";
    case 0x21: return "PgUp";
    case 0x22: return "PgDn";
    case 0x23: return "End";
    case 0x24: return "Home";
    case 0x25: return "Left";
    case 0x26: return "Up";
    case 0x27: return "Right";
    case 0x28: return "Down";
    case 0x2D: return "Ins";
    case 0x2E: return "Del";
  }
  return std::string();
}

}  // namespace

std::string ShortCutToText(TShortCut shortCut) {
  const std::string key = KeyName(shortCut & 0xFF);
  if (key.empty()) return key;
  std::string out;
  if (shortCut & scShift) out += "Shift+";
  if (shortCut & scCtrl) out += "Ctrl+";
  if (shortCut & scAlt) out += "Alt+";
  return out + key;
}

}  // namespace marrowby
