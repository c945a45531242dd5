#include "core/file_system.h"

namespace marrowby {

namespace {
FileSystem* g_current = nullptr;
}

std::string FileSystem::JoinPath(const std::string& dir, const std::string& name) const {
  if (dir.empty() || dir.back() == '\\' || dir.back() == '/') return dir + name;
  return dir + Separator() + name;
}

FileSystem& CurrentFileSystem() { return g_current ? *g_current : PlatformFileSystem(); }

void SetCurrentFileSystem(FileSystem* fs) { g_current = fs; }

}  // namespace marrowby
