#include "tests/support/fake_store_platform.h"

namespace marrowby::testing {

namespace {
std::string DirOf(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }
}  // namespace

FileStatus FakeFileSystem::Read(const std::string& path, std::string* data) {
  ++reads;
  if (unreadable.count(path)) return FileStatus::Failed;
  auto it = files.find(path);
  if (it == files.end()) return FileStatus::NotFound;
  *data = it->second;
  return FileStatus::Ok;
}

FileStatus FakeFileSystem::Replace(const std::string& path, const std::string& data) {
  ++replaces;
  if (readOnly.count(path)) return FileStatus::ReadOnly;
  if (deniedDirs.count(DirOf(path))) return FileStatus::AccessDenied;
  if (failReplaces > 0) {
    --failReplaces;
    return FileStatus::Failed;
  }
  files[path] = data;
  return FileStatus::Ok;
}

FileStatus FakeFileSystem::MakeDirectory(const std::string& dir) {
  madeDirs.insert(dir);
  return FileStatus::Ok;
}

FileStatus FakeFileSystem::Append(const std::string& path, const std::string& data) {
  ++appends;
  if (locked.count(path)) return FileStatus::Failed;
  if (readOnly.count(path)) return FileStatus::AccessDenied;
  if (!files.count(path) && deniedDirs.count(DirOf(path))) return FileStatus::AccessDenied;
  files[path] += data;
  return FileStatus::Ok;
}

FileStatus FakeFileSystem::Size(const std::string& path, uint64_t* size) {
  auto it = files.find(path);
  if (it == files.end()) return FileStatus::NotFound;
  *size = it->second.size();
  return FileStatus::Ok;
}

FileStatus FakeFileSystem::Rename(const std::string& from, const std::string& to) {
  if (locked.count(from) || locked.count(to)) return FileStatus::Failed;
  auto it = files.find(from);
  if (it == files.end()) return FileStatus::NotFound;
  files[to] = std::move(it->second);
  files.erase(from);
  return FileStatus::Ok;
}

FakeStorePlatform::FakeStorePlatform() {
  TMemoryIniFile::All().clear();
  SetCurrentStorePlatform(this);
  SetCurrentFileSystem(&fs);
}

FakeStorePlatform::~FakeStorePlatform() {
  SetCurrentFileSystem(nullptr);
  SetCurrentStorePlatform(nullptr);
  TMemoryIniFile::All().clear();
}

std::unique_ptr<TCustomIniFile> FakeStorePlatform::OpenRegistry(const std::string& keyPath) {
  return std::make_unique<TMemoryIniFile>(keyPath);
}

bool FakeStorePlatform::GetPlacement(void* window, WindowPlacement* placement) {
  auto it = windows.find(window);
  if (it == windows.end()) return false;
  *placement = it->second.placement;
  return true;
}

void FakeStorePlatform::SetPlacement(void* window, const WindowPlacement& placement) {
  auto it = windows.find(window);
  if (it == windows.end()) return;
  const uint32_t showCmd = it->second.placement.showCmd;
  it->second.placement = placement;
  it->second.placement.showCmd = showCmd;
  ++it->second.placed;
}

void FakeStorePlatform::SetWindowState(void* window, TWindowState state) {
  auto it = windows.find(window);
  if (it != windows.end()) it->second.state = state;
}

bool FakeStorePlatform::FocusWindow(void* window) {
  auto it = windows.find(window);
  if (it == windows.end() || !it->second.canFocus) return false;
  focused = window;
  return true;
}

void FakeStorePlatform::SetSizeLimits(void* window, bool preventResize, const SizeLimits& limits) {
  auto it = windows.find(window);
  if (it == windows.end()) return;
  it->second.preventResize = preventResize;
  it->second.limits = limits;
}

}  // namespace marrowby::testing
