#include "store/store_platform.h"

namespace marrowby {

namespace {
StorePlatform* g_current = nullptr;
}

std::unique_ptr<TCustomIniFile> StorePlatform::OpenProfile(const std::string& fileName,
                                                           const std::string& userFolder) {
  return std::make_unique<TIniFile>(fileName, CurrentFileSystem(), userFolder);
}

StorePlatform& CurrentStorePlatform() { return g_current ? *g_current : PlatformStorePlatform(); }

void SetCurrentStorePlatform(StorePlatform* platform) { g_current = platform; }

}  // namespace marrowby
