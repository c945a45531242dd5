// Where a profile file of a given name lives. The platform's profile
// functions keep a name without a folder in the Windows directory; a user the
// Windows directory refuses (a standard user since Windows Vista) has the
// file in a folder of the program's under the user's own data folder instead
// (%LOCALAPPDATA%\<folder>\). Anything else is taken as a path.
#pragma once

#include <string>

#include "core/file_system.h"

namespace marrowby {

struct ProfileLocation {
  // Where the platform's profile functions keep the file.
  std::string primary;
  // For a bare name, the same name in the per-user folder, and that folder;
  // empty for a path, without a user data folder or without userFolder.
  std::string fallback;
  std::string fallbackDir;
};

// userFolder: the program's folder under the user's data folder ("Marrowby").
ProfileLocation LocateProfile(FileSystem& fs, const std::string& name, const std::string& userFolder);

// A file name without any folder part: no "\" or "/" and no drive ("C:x").
bool IsBareFileName(const std::string& name);

}  // namespace marrowby
