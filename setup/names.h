// Names the stub derives or accepts: part files of a split package, and the
// file names stored in a cabinet (which come from the file and may be hostile).
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace marrowby::setup {

// Replaces the last three characters of name with number as three decimal
// digits (setup.exe, 1 -> setup.001). False when the name is shorter than
// three characters or the number has more than three digits.
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
  kDeviceName,     // CON, NUL, COM1, ... as any component
  kBadCharacter,   // control characters and < > " | ? *
  kTrailingDotOrSpace,  // Windows strips them, so the name would alias another
};

// Checks a file name from a cabinet before anything is created for it: only
// plain relative names that stay inside the target directory pass.
NameCheck CheckCabinetName(const char* name);

}  // namespace marrowby::setup
