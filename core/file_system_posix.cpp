// The file system of native builds (tests and tools): "the Windows
// directory" is $MARROWBY_WINDIR or the current directory, the user's data
// folder $XDG_DATA_HOME (or ~/.local/share).
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/file_system.h"

namespace marrowby {

namespace {

FileStatus FromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return FileStatus::NotFound;
    case EACCES:
    case EPERM:
      return FileStatus::AccessDenied;
    case EROFS:
      return FileStatus::ReadOnly;
    default:
      return FileStatus::Failed;
  }
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  bool Close() {
    if (fd_ < 0) return true;
    const int r = ::close(fd_);
    fd_ = -1;
    return r == 0;
  }

 private:
  int fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  std::string WindowsDirectory() override {
    const char* windir = std::getenv("MARROWBY_WINDIR");
    return windir && *windir ? windir : ".";
  }
  std::string UserDataDirectory() override {
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (data && *data) return data;
    if (home && *home) return std::string(home) + "/.local/share";
    return "";
  }
  std::string FullPath(const std::string& name) override { return name; }
  char Separator() const override { return '/'; }

  FileStatus Read(const std::string& path, std::string* data) override {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) return FromErrno(errno);
    data->clear();
    char buf[65536];
    for (;;) {
      const ssize_t n = ::read(fd.Get(), buf, sizeof(buf));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return FileStatus::Failed;
      if (n == 0) return FileStatus::Ok;
      data->append(buf, static_cast<size_t>(n));
    }
  }

  FileStatus Replace(const std::string& path, const std::string& data) override {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) return FileStatus::ReadOnly;
    const std::string temp = path + "~";
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.Get() < 0) return FromErrno(errno);
    size_t done = 0;
    bool ok = true;
    while (ok && done < data.size()) {
      const ssize_t n = ::write(fd.Get(), data.data() + done, data.size() - done);
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      if (ok) done += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd.Get()) == 0;
    ok = fd.Close() && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return FileStatus::Ok;
    const FileStatus status = ok ? FromErrno(errno) : FileStatus::Failed;
    ::unlink(temp.c_str());
    return status;
  }

  FileStatus Append(const std::string& path, const std::string& data) override {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (fd.Get() < 0) return FromErrno(errno);
    ssize_t n;
    do {
      n = ::write(fd.Get(), data.data(), data.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) return FromErrno(errno);
    if (static_cast<size_t>(n) != data.size()) return FileStatus::Failed;
    return fd.Close() ? FileStatus::Ok : FileStatus::Failed;
  }

  FileStatus Size(const std::string& path, uint64_t* size) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return FromErrno(errno);
    *size = static_cast<uint64_t>(st.st_size);
    return FileStatus::Ok;
  }

  FileStatus Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0 ? FileStatus::Ok : FromErrno(errno);
  }

  FileStatus MakeDirectory(const std::string& dir) override {
    for (size_t i = 1; i <= dir.size(); ++i) {
      if (i < dir.size() && dir[i] != '/') continue;
      const std::string part = dir.substr(0, i);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return FromErrno(errno);
    }
    return FileStatus::Ok;
  }
};

}  // namespace

FileSystem& PlatformFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace marrowby
