#include "tools/setuppack/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "tools/setuppack/files.h"

namespace marrowby::setuppack {

// An open file or a block of memory, shared by the sources that read it.
struct ByteSource::Backing {
  int fd = -1;
  std::string path;
  std::vector<uint8_t> memory;
  ~Backing() {
    if (fd >= 0) close(fd);
  }
  size_t ReadAt(uint64_t offset, void* out, size_t n) const {
    if (fd < 0) {
      std::memcpy(out, memory.data() + offset, n);
      return n;
    }
    return setuppack::ReadAt(fd, offset, out, n, path);
  }
};

ByteSource ByteSource::OpenFile(const std::string& path, const std::string& what) {
  auto backing = std::make_shared<Backing>();
  backing->path = path;
  const std::string shown = (what.empty() ? "" : what + " ") + path;
  // Without waiting: opening a pipe waits for a writer that may never come.
  backing->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (backing->fd < 0) throw std::runtime_error(SystemReason(shown, "cannot be opened"));
  struct stat st;
  if (fstat(backing->fd, &st) != 0) throw std::runtime_error(SystemReason(shown, "cannot be read"));
  // A folder opens on Linux and fails only at the first read.
  if (S_ISDIR(st.st_mode)) throw std::runtime_error(shown + ": is a folder, not a file");
  // A device or a pipe has no size to read to: /dev/urandom would pass for
  // an empty text.
  if (!S_ISREG(st.st_mode)) throw std::runtime_error(shown + ": is not a plain file");
  fcntl(backing->fd, F_SETFL, fcntl(backing->fd, F_GETFL) & ~O_NONBLOCK);
  ByteSource s;
  s.size_ = static_cast<uint64_t>(st.st_size);
  s.segments_.push_back({backing, 0, s.size_});
  return s;
}

ByteSource ByteSource::FromMemory(std::vector<uint8_t> bytes) {
  auto backing = std::make_shared<Backing>();
  backing->memory = std::move(bytes);
  ByteSource s;
  s.size_ = backing->memory.size();
  s.segments_.push_back({backing, 0, s.size_});
  return s;
}

ByteSource ByteSource::Join(const std::vector<ByteSource>& parts) {
  ByteSource s;
  for (const ByteSource& p : parts) {
    // A part read as unscrambled stays so: its key goes with a slice of it.
    if (p.key_ != 0) throw std::logic_error("joining scrambled sources");
    s.segments_.insert(s.segments_.end(), p.segments_.begin(), p.segments_.end());
    s.size_ += p.size_;
  }
  return s;
}

size_t ByteSource::ReadAt(uint64_t offset, void* out, size_t n) const {
  auto* p = static_cast<uint8_t*>(out);
  size_t done = 0;
  uint64_t start = 0;
  for (const Segment& seg : segments_) {
    if (done == n) break;
    const uint64_t end = start + seg.size;
    const uint64_t at = offset + done;
    if (at < end && at >= start) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(n - done, end - at));
      const size_t got = seg.backing->ReadAt(seg.from + (at - start), p + done, want);
      done += got;
      if (got < want) break;  // the file shrank: what was read is all there is
    }
    start = end;
  }
  if (key_) {
    for (size_t i = 0; i < done; ++i) p[i] ^= key_;
  }
  return done;
}

ByteSource ByteSource::Slice(uint64_t from, uint64_t length, uint8_t key) const {
  ByteSource s;
  s.key_ = key_ ^ key;
  from = std::min(from, size_);
  const uint64_t to = from + std::min(length, size_ - from);
  uint64_t start = 0;
  for (const Segment& seg : segments_) {
    const uint64_t end = start + seg.size;
    const uint64_t a = std::max(from, start), b = std::min(to, end);
    if (a < b) s.segments_.push_back({seg.backing, seg.from + (a - start), b - a});
    start = end;
  }
  s.size_ = to - from;
  return s;
}

std::vector<uint8_t> ByteSource::ReadAll() const {
  std::vector<uint8_t> bytes(static_cast<size_t>(size_));
  bytes.resize(ReadAt(0, bytes.data(), bytes.size()));
  return bytes;
}

}  // namespace marrowby::setuppack
