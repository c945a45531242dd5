// The store platform of native builds: no registry (a registry key is kept
// in memory for the life of the process).
#include <unistd.h>

#include "store/store_platform.h"

namespace marrowby {

namespace {

class PosixStorePlatform : public StorePlatform {
 public:
  std::string ExeName() override {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return "schedmgr";
    const std::string path(buf, static_cast<size_t>(n));
    return path.substr(path.find_last_of('/') + 1);
  }
  std::unique_ptr<TCustomIniFile> OpenRegistry(const std::string& keyPath) override {
    return std::make_unique<TMemoryIniFile>(keyPath);
  }
};

}  // namespace

StorePlatform& PlatformStorePlatform() {
  static PosixStorePlatform platform;
  return platform;
}

}  // namespace marrowby
