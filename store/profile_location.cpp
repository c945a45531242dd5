#include "store/profile_location.h"

namespace marrowby {

ProfileLocation LocateProfile(FileSystem& fs, const std::string& name, const std::string& userFolder) {
  ProfileLocation loc;
  if (!IsBareFileName(name)) {
    loc.primary = fs.FullPath(name);
    return loc;
  }
  loc.primary = fs.JoinPath(fs.WindowsDirectory(), name);
  const std::string userData = fs.UserDataDirectory();
  if (!userData.empty() && !userFolder.empty()) {
    loc.fallbackDir = fs.JoinPath(userData, userFolder);
    loc.fallback = fs.JoinPath(loc.fallbackDir, name);
  }
  return loc;
}

bool IsBareFileName(const std::string& name) {
  if (name.find_first_of("\\/") != std::string::npos) return false;
  return !(name.size() >= 2 && name[1] == ':');
}

}  // namespace marrowby
