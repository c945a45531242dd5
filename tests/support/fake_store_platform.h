// Fakes for the settings store: a file system held in memory that can be
// told to refuse or fail writes, and a store platform over it.
// A FakeStorePlatform installs itself and its file system for its lifetime.
#pragma once

#include <map>
#include <set>
#include <string>

#include "store/store_platform.h"

namespace marrowby::testing {

class FakeFileSystem : public FileSystem {
 public:
  // Bare profile names live in windowsDir; the user's data folder is userDataDir.
  std::string windowsDir = "C:\\WINDOWS\\";
  std::string userDataDir = "C:\\Users\\me\\AppData\\Local";

  FileStatus Read(const std::string& path, std::string* data) override;
  FileStatus Replace(const std::string& path, const std::string& data) override;
  FileStatus MakeDirectory(const std::string& dir) override;
  FileStatus Append(const std::string& path, const std::string& data) override;
  FileStatus Size(const std::string& path, uint64_t* size) override;
  FileStatus Rename(const std::string& from, const std::string& to) override;
  std::string WindowsDirectory() override { return windowsDir; }
  std::string UserDataDirectory() override { return userDataDir; }
  std::string FullPath(const std::string& name) override { return name; }
  char Separator() const override { return '\\'; }

  std::map<std::string, std::string> files;
  std::set<std::string> readOnly;        // paths marked read-only
  std::set<std::string> deniedDirs;      // folders that refuse new files (with trailing "\")
  std::set<std::string> unreadable;      // paths whose reads fail
  std::set<std::string> madeDirs;
  std::set<std::string> locked;          // paths that refuse appends and renames (in use)
  int failReplaces = 0;                  // the next n replaces fail (disk full)
  int reads = 0;
  int replaces = 0;
  int appends = 0;
};

class FakeStorePlatform : public StorePlatform {
 public:
  FakeStorePlatform();
  ~FakeStorePlatform() override;
  FakeStorePlatform(const FakeStorePlatform&) = delete;
  FakeStorePlatform& operator=(const FakeStorePlatform&) = delete;

  std::string ExeName() override { return exeName; }
  std::unique_ptr<TCustomIniFile> OpenRegistry(const std::string& keyPath) override;
  FakeFileSystem fs;
  std::string exeName = "schedmgr.exe";
};

}  // namespace marrowby::testing
