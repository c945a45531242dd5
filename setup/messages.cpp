#include "setup/messages.h"

namespace marrowby::setup {

const char* CopyErrorText(int code) {
  static const char* const kTexts[] = {
      "unknown problem",  "Cab not found",    "Not a Cabinet",
      "Unknown Cab version", "Corrupt Cabinet", "Alloc failure",
      "Unknown compression type", "MDI failure", "Error writing target",
      "Reserve mismatch", "wrong cab",        "user abort",
  };
  if (code < 0 || code >= static_cast<int>(sizeof(kTexts) / sizeof(kTexts[0]))) {
    return kTexts[0];
  }
  return kTexts[code];
}

}  // namespace marrowby::setup
