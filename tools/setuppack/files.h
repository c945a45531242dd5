// The builder's file output: every file is written under a temporary name
// beside its final one and renamed into place, all files of an output or
// none, so that a failure or an interruption never leaves a half-written
// package or a mix of old and new parts.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace marrowby::setuppack {

// The operating system's reason for the last failure, as "PATH: WHAT: reason".
std::string SystemReason(const std::string& path, const char* what);

// Reads up to n bytes at offset from fd, fewer only at the end of the file.
// Throws "PATH: cannot be read: reason".
size_t ReadAt(int fd, uint64_t offset, void* data, size_t n, const std::string& path);

// A file being written under a temporary name (TARGET.tmpXXXXXX) beside its
// target. It is removed when the object goes without Commit, and when the
// process is stopped by a signal meanwhile.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string target);
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  void WriteAt(uint64_t offset, const void* data, size_t n);
  // Reads back what was written; fewer bytes only at the end.
  size_t ReadAt(uint64_t offset, void* data, size_t n) const;
  uint64_t Size() const;
  // Flushes to the disk and closes; throws with the system's reason.
  void Close();

  const std::string& Target() const { return target_; }
  const std::string& Path() const { return path_; }
  void MarkCommitted();

 private:
  std::string target_;
  std::string path_;
  int fd_ = -1;
  bool committed_ = false;
};

// Throws "TARGET: cannot be replaced: it is not a regular file" when
// something other than a regular file or a symbolic link is at target (a
// device, a pipe, a folder): a rename would put a file in place of a device,
// and a pipe would be waited on for ever. Nothing there is fine.
void RefuseIrregularTarget(const std::string& target);

// Closes the files and renames each onto its target: all of them, or, when
// one cannot be renamed, none (the targets renamed so far get their earlier
// contents back). Throws naming the target that failed.
void CommitAll(const std::vector<TemporaryFile*>& files);

// Removes the part files numbered from `count` up to 255 beside `output`
// (setup.exe: setup.NNN) and returns their names. Used when the file being
// replaced was itself a split package, so such files are its leftovers.
std::vector<std::string> RemovePartsFrom(const std::string& output, size_t count);

// The part files from `count` up to 255 that exist beside `output`.
std::vector<std::string> ExistingPartsFrom(const std::string& output, size_t count);

// A file's identity on its file system, whatever name reaches it.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity& o) const { return device == o.device && inode == o.inode; }
};

// False when nothing exists at path.
bool IdentityOf(const std::string& path, FileIdentity* identity);

}  // namespace marrowby::setuppack
