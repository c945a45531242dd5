// Plain file access for the portable code: reading a file whole, replacing it
// whole in one step, appending to it, its size, renaming, making folders, and
// the folders where the program's files live. The settings store and the
// launch history both go through it. The Win32 layer implements it once
// (file_system_win32.cpp); tests replace it to inject failures.
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

class FileSystem {
 public:
  virtual ~FileSystem() = default;

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

  // The Windows directory, where the platform's profile functions keep a
  // file given without a folder.
  virtual std::string WindowsDirectory() = 0;
  // The user's own folder for program data (%LOCALAPPDATA%), or "" when
  // there is none.
  virtual std::string UserDataDirectory() = 0;
  // A name taken as a path from the current directory, made whole.
  virtual std::string FullPath(const std::string& name) = 0;
  // The character between a folder and the names in it.
  virtual char Separator() const = 0;

  // The name in the folder: dir, a separator unless dir ends in one, name.
  std::string JoinPath(const std::string& dir, const std::string& name) const;
};

// The file system in use; passing null restores the platform's own.
FileSystem& CurrentFileSystem();
void SetCurrentFileSystem(FileSystem* fs);
// Provided by file_system_win32.cpp or file_system_posix.cpp.
FileSystem& PlatformFileSystem();

}  // namespace marrowby
