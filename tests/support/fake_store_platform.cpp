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

}  // namespace marrowby::testing
