#include "tools/setuppack/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "setup/names.h"
#include "tools/setuppack/cleanup.h"

namespace marrowby::setuppack {

std::string SystemReason(const std::string& path, const char* what) {
  return path + ": " + what + ": " + std::strerror(errno);
}

TemporaryFile::TemporaryFile(std::string target) : target_(std::move(target)) {
  std::string name = target_ + ".tmpXXXXXX";
  {
    // Created and listed for removal in one step, as far as signals go.
    StopSignalsHeld held;
    fd_ = mkstemp(&name[0]);
    if (fd_ < 0) throw std::runtime_error(SystemReason(target_, "cannot be written"));
    path_ = name;
    RememberTemporary(path_);
  }
  // mkstemp makes the file private; an output gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
}

TemporaryFile::~TemporaryFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_) {
    unlink(path_.c_str());
    ForgetTemporary(path_);
  }
}

void TemporaryFile::WriteAt(uint64_t offset, const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (n > 0) {
    const ssize_t done = pwrite(fd_, p, n, static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) throw std::runtime_error(SystemReason(target_, "cannot be written"));
    p += done;
    n -= static_cast<size_t>(done);
    offset += static_cast<uint64_t>(done);
  }
}

size_t ReadAt(int fd, uint64_t offset, void* data, size_t n, const std::string& path) {
  size_t got = 0;
  while (got < n) {
    const ssize_t r =
        pread(fd, static_cast<uint8_t*>(data) + got, n - got, static_cast<off_t>(offset + got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) throw std::runtime_error(SystemReason(path, "cannot be read"));
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return got;
}

size_t TemporaryFile::ReadAt(uint64_t offset, void* data, size_t n) const {
  return setuppack::ReadAt(fd_, offset, data, n, path_);
}

uint64_t TemporaryFile::Size() const {
  struct stat st;
  if (fstat(fd_, &st) != 0) throw std::runtime_error(SystemReason(path_, "cannot be read back"));
  return static_cast<uint64_t>(st.st_size);
}

void TemporaryFile::Close() {
  if (fd_ < 0) return;
  const bool synced = fsync(fd_) == 0;
  const int saved = errno;
  const bool closed = close(fd_) == 0;
  fd_ = -1;
  if (!synced || !closed) {
    errno = synced ? errno : saved;
    throw std::runtime_error(SystemReason(target_, "cannot be written"));
  }
}

void TemporaryFile::MarkCommitted() {
  committed_ = true;
  ForgetTemporary(path_);
}

void RefuseIrregularTarget(const std::string& target) {
  struct stat st;
  if (lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
    throw std::runtime_error(target + ": cannot be replaced: it is not a regular file");
  }
}

namespace {

// An earlier file moved aside while the new ones are renamed into place.
struct Backup {
  std::string target;
  std::string saved;  // empty: there was no earlier file
};

void Restore(const std::vector<Backup>& backups) {
  for (const Backup& b : backups) {
    if (b.saved.empty()) {
      unlink(b.target.c_str());
    } else {
      rename(b.saved.c_str(), b.target.c_str());
    }
  }
}

// Moves an existing regular file at target aside; an absent target, or a
// symbolic link (replaced as a link, as a compiler's output is), needs no
// backup. Anything else in the way is refused.
Backup MoveAside(const std::string& target) {
  RefuseIrregularTarget(target);
  struct stat st;
  if (lstat(target.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return {target, {}};
  std::string saved = target + ".oldXXXXXX";
  const int fd = mkstemp(&saved[0]);
  if (fd < 0) throw std::runtime_error(SystemReason(target, "cannot be replaced"));
  close(fd);
  if (rename(target.c_str(), saved.c_str()) != 0) {
    const std::string why = SystemReason(target, "cannot be replaced");
    unlink(saved.c_str());
    throw std::runtime_error(why);
  }
  return {target, saved};
}

}  // namespace

void CommitAll(const std::vector<TemporaryFile*>& files) {
  for (TemporaryFile* f : files) f->Close();
  StopSignalsHeld held;
  std::vector<Backup> done;
  try {
    for (TemporaryFile* f : files) {
      Backup b = MoveAside(f->Target());
      if (rename(f->Path().c_str(), f->Target().c_str()) != 0) {
        const std::string why = SystemReason(f->Target(), "cannot be replaced");
        if (!b.saved.empty()) rename(b.saved.c_str(), b.target.c_str());
        throw std::runtime_error(why);
      }
      done.push_back(b);
    }
  } catch (...) {
    Restore(done);
    throw;
  }
  for (TemporaryFile* f : files) f->MarkCommitted();
  for (const Backup& b : done) {
    if (!b.saved.empty()) unlink(b.saved.c_str());
  }
}

namespace {

std::string PartName(const std::string& output, size_t k) {
  std::string name = output;
  if (name.size() < 3 || !setup::SetPartNumber(&name[0], static_cast<uint32_t>(k))) return {};
  return name;
}

}  // namespace

std::vector<std::string> ExistingPartsFrom(const std::string& output, size_t count) {
  std::vector<std::string> found;
  for (size_t k = count < 1 ? 1 : count; k <= 255; ++k) {
    const std::string name = PartName(output, k);
    struct stat st;
    if (!name.empty() && name != output && lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      found.push_back(name);
    }
  }
  return found;
}

std::vector<std::string> RemovePartsFrom(const std::string& output, size_t count) {
  std::vector<std::string> removed;
  for (const std::string& name : ExistingPartsFrom(output, count)) {
    if (unlink(name.c_str()) != 0) {
      throw std::runtime_error(
          SystemReason(name, "a part left from an earlier build cannot be removed"));
    }
    removed.push_back(name);
  }
  return removed;
}

bool IdentityOf(const std::string& path, FileIdentity* identity) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  identity->device = st.st_dev;
  identity->inode = st.st_ino;
  return true;
}

}  // namespace marrowby::setuppack
