#include "setup/switches.h"

#include "setup/cstr.h"

namespace marrowby::setup {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Cuts the argument at *p out of the text, its quotation marks removed, and
// moves *p past it; null when no argument is left.
char* NextArgument(char** p) {
  char* s = *p;
  while (IsBlank(*s)) ++s;
  if (!*s) return nullptr;
  char* const argument = s;
  char* out = s;
  bool quoted = false;
  for (; *s && (quoted || !IsBlank(*s)); ++s) {
    if (*s == '"') {
      quoted = !quoted;
    } else {
      *out++ = *s;
    }
  }
  *p = *s ? s + 1 : s;
  *out = 0;
  return argument;
}

}  // namespace

void ParseSwitches(char* text, Switches* sw) {
  *sw = Switches{};
  char* p = text;
  if (*p == '"') {
    do ++p;
    while (*p && *p != '"');
    if (*p) ++p;
  } else {
    while (*p && !IsBlank(*p)) ++p;
  }
  while (char* argument = NextArgument(&p)) {
    char* const name = argument + 1;
    const bool isSwitch = *argument == '/' || *argument == '-';
    if (isSwitch && (*name | 0x20) == 'x' && name[1] == ':' && name[2] && !sw->extractTo) {
      sw->extractTo = name + 2;
      continue;
    }
    // Names are matched in lower case; no other switch carries a value.
    for (char* c = name; *c; ++c) {
      if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c + 32);
    }
    if (!isSwitch) {
      sw->invalid = true;
    } else if (TextEqual(name, "q") || TextEqual(name, "quiet")) {
      sw->quiet = true;
    } else if (TextEqual(name, "norestart")) {
      sw->noRestart = true;
    } else if (TextEqual(name, "?")) {
      sw->help = true;
    } else {
      sw->invalid = true;
    }
  }
}

}  // namespace marrowby::setup
