// The store platform on Windows: the real file system and registry.
#include <windows.h>

#include "store/registry_win32.h"
#include "store/store_platform.h"

namespace marrowby {

namespace {

class Win32StorePlatform : public StorePlatform {
 public:
  std::string ExeName() override {
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    const std::string path(buf, n < MAX_PATH ? n : 0);
    return path.substr(path.find_last_of("\\/") + 1);
  }
  std::unique_ptr<TCustomIniFile> OpenRegistry(const std::string& keyPath) override {
    return std::make_unique<TRegistryIniFile>(keyPath);
  }
};

}  // namespace

StorePlatform& PlatformStorePlatform() {
  static Win32StorePlatform platform;
  return platform;
}

}  // namespace marrowby
