// Names the stub derives or accepts: part files of a split package, and the
// file names stored in a cabinet (which come from the file and may be hostile).
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace marrowby::setup {

// Replaces the last three characters of name (UTF-8: a character may take
// several bytes) with number as three decimal digits (setup.exe, 1 ->
// setup.001). False when the name is shorter than three characters or the
// number has more than three digits.
bool SetPartNumber(char* name, uint32_t number);

// The working folder's name for one attempt to create it: attempt 0 gives the
// usual name unchanged ("...\$Tessara.Tmp\"); later attempts add a suffix
// made of the tag (the process id) and the attempt number
// ("...\$Tessara.Tmp.1234-1\"), so that a folder that already exists is never
// used. usualDir ends with a backslash. False when the result does not fit.
bool WorkDirName(const char* usualDir, uint32_t tag, uint32_t attempt, char* out,
                 size_t capacity);

enum class NameCheck {
  kOk,
  kEmpty,
  kAbsolute,       // leading '\' or '/'
  kDrive,          // a ':' anywhere: drive letters and stream names
  kDotComponent,   // a "." or ".." component, or an empty one ("a\\b")
  kDeviceName,     // CON, NUL, COM1, COM\xB9 (superscript one), ... as any component
  kBadCharacter,   // control characters and < > " | ? *, or a UTF-8 name that is not UTF-8
  kTrailingDotOrSpace,  // Windows strips them, so the name would alias another
};

// Checks a file name from a cabinet before anything is created for it: only
// plain relative names that stay inside the target directory pass. A name is
// Windows-1252 text, or UTF-8 when the cabinet flags it so (utf8).
NameCheck CheckCabinetName(const char* name, bool utf8 = false);
// The same checks for a name already known to be well-formed text (UTF-8
// the program made itself, say): all but the check of the UTF-8 itself.
NameCheck CheckCabinetNameText(const char* name, bool utf8);

enum class InfNameCheck {
  kOk,
  kEmpty,
  kSeparator,     // '\\', '/' or ':'
  kSpace,
  kComma,
  kQuote,         // '"'
  kControl,       // a control character
  kNotAFileName,  // any other reason CheckCabinetName gives ("..", "CON", "a.")
};

// The INF name goes unquoted into the installer's command line, after the
// section name and separated by spaces and commas, and names a file of the
// extraction folder: it must be a plain file name without folder separators,
// spaces, commas, quotation marks or control characters.
InfNameCheck CheckInfName(const char* name);

// True when two Windows-1252 names from one cabinet would be one file on
// Windows: equal but for the case of their letters (folded as Windows folds
// them: a-z, the accented letters, \x9A \x9C \x9E \xFF) and for '/' against '\\'.
bool SameFileName1252(const char* a, const char* b);

}  // namespace marrowby::setup
