#include "setup/messages.h"

#include "setup/cstr.h"

namespace marrowby::setup {

const char* CopyErrorText(int code) {
  // One after the other, by code; any code outside 1..11 gives the first.
  static const char kTexts[] =
      "unknown problem\0Cab not found\0Not a Cabinet\0Unknown Cab version\0Corrupt Cabinet\0"
      "Alloc failure\0Unknown compression type\0MDI failure\0Error writing target\0"
      "Reserve mismatch\0wrong cab\0user abort";
  const char* text = kTexts;
  if (code < 0 || code > 11) code = 0;
  while (code-- > 0) text += TextLength(text) + 1;
  return text;
}

}  // namespace marrowby::setup
