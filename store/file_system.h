// File access of the settings store: where a profile file of a given name
// lives, reading it whole, and replacing it whole in one step. The Win32
// layer implements it once (file_system_win32.cpp); tests replace it to
// inject failures.
#pragma once

#include <cstdint>
#include <string>

namespace marrowby {

enum class FileStatus {
  Ok,
  NotFound,      // no such file (or folder)
  AccessDenied,  // the folder or the file refuses this user
  ReadOnly,      // the file is marked read-only
  Failed,        // anything else: disk full, sharing violation, I/O error
};

struct ProfileLocation {
  // Where the platform's profile functions keep a file of that name: a bare
  // name lives in the Windows directory, anything else is taken as a path.
  std::string primary;
  // For a bare name, the same name in the per-user folder
  // (%LOCALAPPDATA%\Marrowby\) used when the Windows directory refuses to be
  // written; empty for a path or when there is no such folder.
  std::string fallback;
  std::string fallbackDir;
};

class ProfileFileSystem {
 public:
  virtual ~ProfileFileSystem() = default;
  virtual ProfileLocation Locate(const std::string& name) = 0;
  virtual FileStatus Read(const std::string& path, std::string* data) = 0;
  // Writes data to a new file beside path, then puts it in place of path in
  // one step; whatever fails, path is left as it was and no new file stays
  // behind. A read-only path is refused without trying.
  virtual FileStatus Replace(const std::string& path, const std::string& data) = 0;
  // Creates a folder and its missing parents.
  virtual FileStatus MakeDirectory(const std::string& dir) = 0;

  // Files that only grow (the launch history). Append adds data at the end
  // of path in one write, creating the file when it is missing, so that two
  // writers never interleave within one record.
  virtual FileStatus Append(const std::string& path, const std::string& data) = 0;
  virtual FileStatus Size(const std::string& path, uint64_t* size) = 0;
  // Moves a file to another name in the same folder, replacing that file.
  virtual FileStatus Rename(const std::string& from, const std::string& to) = 0;
};

// A file name without any folder part: no "\" or "/" and no drive ("C:x").
bool IsBareFileName(const std::string& name);

// The platform's file system.
ProfileFileSystem& PlatformFileSystem();

}  // namespace marrowby
