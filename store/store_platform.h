// What the settings store needs from the platform besides files (which it
// reads and writes through core's file system): the executable's name (the
// default file name and registry key) and the registry. The Win32 layer
// provides it (store_platform_win32.cpp); tests install fakes. The window's
// placement has a port of its own (window_placement.h).
#pragma once

#include <memory>
#include <string>

#include "store/ini_file.h"

namespace marrowby {

class StorePlatform {
 public:
  virtual ~StorePlatform() = default;

  // The executable's file name without its folder ("schedmgr.exe").
  virtual std::string ExeName() = 0;
  // The profile file of that name, with the program's folder under the
  // user's data folder as its per-user place (TIniFile over the current file
  // system unless replaced).
  virtual std::unique_ptr<TCustomIniFile> OpenProfile(const std::string& fileName,
                                                      const std::string& userFolder);
  // The current user's registry key of that path ("Software\schedmgr").
  virtual std::unique_ptr<TCustomIniFile> OpenRegistry(const std::string& keyPath) = 0;
};

// The store platform in use; passing null restores the platform's own.
StorePlatform& CurrentStorePlatform();
void SetCurrentStorePlatform(StorePlatform* platform);
// Provided by store_platform_win32.cpp or store_platform_posix.cpp.
StorePlatform& PlatformStorePlatform();

}  // namespace marrowby
