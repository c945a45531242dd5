#include "tools/setuppack/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "setup/names.h"

namespace marrowby::setuppack {

namespace {

std::string Reason(const std::string& path, const char* what) {
  return path + ": " + what + ": " + std::strerror(errno);
}

// Writes bytes to a new temporary file beside path; returns its name.
std::string WriteTemporary(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::string name = path + ".tmpXXXXXX";
  const int fd = mkstemp(&name[0]);
  if (fd < 0) throw std::runtime_error(Reason(path, "cannot be written"));
  // mkstemp makes the file private; an output gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  size_t done = 0;
  bool ok = fchmod(fd, 0666 & ~mask) == 0;
  while (ok && done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  const int saved = errno;
  ok = close(fd) == 0 && ok;
  if (!ok) {
    unlink(name.c_str());
    errno = saved ? saved : errno;
    throw std::runtime_error(Reason(path, "cannot be written"));
  }
  return name;
}

std::string PartName(const std::string& output, size_t k) {
  std::string name = output;
  if (name.size() < 3 || !setup::SetPartNumber(&name[0], static_cast<uint32_t>(k))) return {};
  return name;
}

}  // namespace

void WriteFilesAtomically(const std::vector<OutputFile>& files) {
  std::vector<std::string> temporary;
  try {
    for (const OutputFile& f : files) temporary.push_back(WriteTemporary(f.path, f.bytes));
  } catch (...) {
    for (const std::string& t : temporary) unlink(t.c_str());
    throw;
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (rename(temporary[i].c_str(), files[i].path.c_str()) != 0) {
      const std::string why = Reason(files[i].path, "cannot be replaced");
      for (size_t j = i; j < files.size(); ++j) unlink(temporary[j].c_str());
      throw std::runtime_error(why);
    }
  }
}

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
      throw std::runtime_error(Reason(name, "a part left from an earlier build cannot be removed"));
    }
    removed.push_back(name);
  }
  return removed;
}

}  // namespace marrowby::setuppack
