// Text rules of the shell components that need no window system: the
// notification-area tooltip, the parts of a dropped file's name, the name of
// the single-instance mutex, and the texts of menu captions and shortcuts.
#pragma once

#include <cstdint>
#include <string>

namespace marrowby {

// The tooltip the shell gets for a hint: the short part (before the first
// "|"), cut to the 63 characters the notification record holds.
inline constexpr size_t kTrayTipMax = 63;
std::string TrayTip(const std::string& hint);

// The parts of a dropped file's full path. NameOnly is the last path
// component (the whole text when it has no "\"); Extension is the text after
// the first "." of that component, or empty when it has no dot.
struct DroppedName {
  std::string NameOnly;
  std::string Extension;
};
DroppedName SplitDroppedName(const std::string& path);

// The mutex that marks the running copy: a fixed prefix and the application
// title, of which the first 254 characters count. The system takes object
// names of at most 259 characters, so a longer name is cut there: every copy
// still derives the same name, where a longer one could never be created.
inline constexpr size_t kTitleLimit = 254;
inline constexpr size_t kObjectNameLimit = 259;
inline constexpr char kMutexPrefix[] = "TSingleInstance in application ";
std::string SingleInstanceMutexName(const std::string& title);

// A caption as it is drawn: each "&" marks the next character as the access
// key and is not shown; "&&" shows one "&".
std::string StripHotkey(const std::string& caption);

// Menu shortcuts: the virtual-key code in the low byte plus modifier flags.
using TShortCut = uint16_t;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
// "Shift+Ctrl+Alt+Key" for the keys a menu shows; empty for none or an
// unnamed key.
std::string ShortCutToText(TShortCut shortCut);

}  // namespace marrowby
