#include "tests/unit/setup_fake_io.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <glib.h>

#include "setup/package_format.h"


namespace marrowby::setup::testing {

FakeFiles* FakeFiles::current = nullptr;

namespace {

FakeFiles& F() { return *FakeFiles::current; }

intptr_t Open(const char* path, const OpenParams& p) {
  FakeFiles& f = F();
  f.opens.push_back(p);
  if (f.unopenable.count(path)) return kNoHandle;
  const bool exists = f.files.count(path) != 0;
  if (p.creation == kCreateNew && exists) return kNoHandle;
  if (p.creation == kCreateAlways || p.creation == kCreateNew) {
    f.files[path].clear();
  } else if (!exists) {
    return kNoHandle;
  } else if (p.creation == kTruncateExisting) {
    f.files[path].clear();
  }
  ++f.openCount;
  const intptr_t h = f.next_++;
  f.handles_[h] = FakeFiles::Handle{path};
  return h;
}

uint32_t Read(intptr_t h, void* buffer, uint32_t count) {
  FakeFiles& f = F();
  auto it = f.handles_.find(h);
  if (it == f.handles_.end()) return kIoError;
  FakeFiles::Handle& fh = it->second;
  const std::vector<uint8_t>& data = f.files[fh.path];
  size_t n = fh.pos < data.size() ? std::min<size_t>(count, data.size() - fh.pos) : 0;
  auto limit = f.readLimit.find(fh.path);
  if (limit != f.readLimit.end()) {
    n = std::min(n, limit->second > fh.delivered ? limit->second - fh.delivered : 0);
  }
  if (n) std::memcpy(buffer, data.data() + fh.pos, n);
  fh.pos += n;
  fh.delivered += n;
  return static_cast<uint32_t>(n);
}

uint32_t Write(intptr_t h, const void* buffer, uint32_t count) {
  FakeFiles& f = F();
  auto it = f.handles_.find(h);
  if (it == f.handles_.end() || f.failWrites.count(it->second.path)) return kIoError;
  std::vector<uint8_t>& data = f.files[it->second.path];
  const size_t pos = it->second.pos;
  if (data.size() < pos + count) data.resize(pos + count);
  std::memcpy(data.data() + pos, buffer, count);
  it->second.pos += count;
  auto limit = f.storeLimit.find(it->second.path);
  if (limit != f.storeLimit.end() && data.size() > limit->second) data.resize(limit->second);
  return count;
}

int32_t Seek(intptr_t h, int32_t distance, int origin) {
  FakeFiles& f = F();
  auto it = f.handles_.find(h);
  if (it == f.handles_.end()) return -1;
  const int64_t base = origin == 0 ? 0
                       : origin == 1 ? static_cast<int64_t>(it->second.pos)
                                     : static_cast<int64_t>(f.files[it->second.path].size());
  const int64_t target = base + distance;
  if (target < 0) return -1;
  it->second.pos = static_cast<size_t>(target);
  return static_cast<int32_t>(target);
}

bool Close(intptr_t h) {
  FakeFiles& f = F();
  auto it = f.handles_.find(h);
  if (it == f.handles_.end()) return false;
  const std::string path = it->second.path;
  f.handles_.erase(it);
  if (f.afterClose) f.afterClose(f, path);
  return true;
}

int64_t Size(intptr_t h) {
  FakeFiles& f = F();
  auto it = f.handles_.find(h);
  if (it == f.handles_.end()) return -1;
  return static_cast<int64_t>(f.files[it->second.path].size());
}

void* Alloc(uint32_t bytes) {
  ++F().allocations;
  return std::malloc(bytes ? bytes : 1);
}

void Release(void* block) {
  --F().allocations;
  std::free(block);
}

// The stub hashes through CryptoAPI; the tests through GLib, or not at all
// as on a system without SHA-256.
void* HashBegin() { return F().noSha256 ? nullptr : g_checksum_new(G_CHECKSUM_SHA256); }

bool HashAdd(void* context, const void* data, uint32_t count) {
  g_checksum_update(static_cast<GChecksum*>(context), static_cast<const guchar*>(data), count);
  return true;
}

bool HashFinish(void* context, uint8_t* digest) {
  auto* h = static_cast<GChecksum*>(context);
  gsize size = kDigestSize;
  g_checksum_get_digest(h, digest, &size);
  g_checksum_free(h);
  return size == kDigestSize;
}

const SetupIo kFakeIo = {Open,    Read,      Write,   Seek,      Close,     Size,
                         Alloc,   Release,   HashBegin, HashAdd, HashFinish};

}  // namespace

FakeFiles::FakeFiles() : previous_(g_io) {
  current = this;
  g_io = &kFakeIo;
}

FakeFiles::~FakeFiles() {
  g_io = previous_;
  current = nullptr;
}

bool FakeExists(const char* path) { return FakeFiles::current->Exists(path); }

}  // namespace marrowby::setup::testing
