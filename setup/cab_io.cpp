#include "setup/cab_io.h"

#include "setup/cstr.h"
#include "setup/package_format.h"
#include "setup/setup_io.h"

namespace marrowby::setup {

namespace {

// View i is handle 4i+1: Windows hands out multiples of four for real
// handles, so a view is never mistaken for a file, nor a file for a view.
intptr_t ViewHandle(int i) { return static_cast<intptr_t>(i) * 4 + 1; }

// Named constants rather than temporaries, which the compiler would copy
// from writable templates (see kReadExisting).
constexpr OpenParams kCreateTarget = {kAccessRead | kAccessWrite, kShareRead, kCreateNew,
                                      kAttrNormal | kFlagSequentialScan};
constexpr OpenParams kReadBack = {kAccessRead, kShareRead, kOpenExisting,
                                  kFlagOpenReparsePoint | kFlagSequentialScan};

int ViewIndex(const CabIo& io, intptr_t h) {
  for (int i = 0; i < kPackageViews; ++i) {
    if (io.open[i] && h == ViewHandle(i)) return i;
  }
  return -1;
}

}  // namespace

void CabIoReset(CabIo* io, intptr_t package, uint32_t cabinetOffset, bool scrambled,
                uint8_t key) {
  io->package = package;
  io->cabinetOffset = cabinetOffset;
  io->scrambled = scrambled;
  io->key = key;
  for (bool& open : io->open) open = false;
}

bool CabIsPackageHandle(const CabIo& io, intptr_t h) { return ViewIndex(io, h) >= 0; }

intptr_t CabOpen(CabIo* io, int oflag) {
  // Write only, read and write, create, truncate.
  if (oflag & 0x0303) return kNoHandle;
  for (int i = 0; i < kPackageViews; ++i) {
    if (!io->open[i]) {
      io->open[i] = true;
      io->position[i] = 0;
      return ViewHandle(i);
    }
  }
  return kNoHandle;
}

uint32_t CabRead(CabIo* io, intptr_t h, void* buffer, uint32_t count) {
  const int i = ViewIndex(*io, h);
  if (i < 0) return g_io->read(h, buffer, count);
  const uint64_t at = static_cast<uint64_t>(io->cabinetOffset) + io->position[i];
  // Beyond what a package can hold there is nothing to read.
  if (at > kMaxPackageSize) return 0;
  if (g_io->seek(io->package, static_cast<int32_t>(at), 0) != static_cast<int32_t>(at)) {
    return kIoError;
  }
  const uint32_t n = g_io->read(io->package, buffer, count);
  if (n == kIoError || n > count) return kIoError;
  io->position[i] += n;
  if (io->scrambled) {
    uint8_t* p = static_cast<uint8_t*>(buffer);
    for (uint32_t k = 0; k < n; ++k) p[k] ^= io->key;
  }
  return n;
}

uint32_t CabWrite(CabIo* io, intptr_t h, const void* buffer, uint32_t count) {
  if (ViewIndex(*io, h) >= 0) return kIoError;
  return g_io->write(h, buffer, count);
}

int CabClose(CabIo* io, intptr_t h) {
  const int i = ViewIndex(*io, h);
  if (i >= 0) {
    io->open[i] = false;
  } else {
    g_io->close(h);
  }
  return 0;
}

int32_t CabSeek(CabIo* io, intptr_t h, int32_t distance, int origin) {
  const int i = ViewIndex(*io, h);
  if (i < 0) return g_io->seek(h, distance, origin);
  int64_t base = 0;
  if (origin == 1) {
    base = io->position[i];
  } else if (origin == 2) {
    base = g_io->size(io->package) - io->cabinetOffset;
  }
  const int64_t to = base + distance;
  if (to < 0 || to > kMaxPackageSize) return -1;
  io->position[i] = static_cast<uint32_t>(to);
  return static_cast<int32_t>(to);
}

bool TargetCreate(Target* t, const char* path, uint32_t expected) {
  t->expected = expected;
  t->written = 0;
  t->failed = false;
  t->handle = g_io->open(path, kCreateTarget);
  return t->handle != kNoHandle;
}

uint32_t TargetWrite(Target* t, const void* buffer, uint32_t count) {
  const uint32_t n = g_io->write(t->handle, buffer, count);
  if (n != count) t->failed = true;
  if (n <= count) t->written += n;
  return n;
}

bool TargetSeal(Target* t, const char* path) {
  const bool written = !t->failed && t->written == t->expected;
  g_io->close(t->handle);
  t->handle = written ? g_io->open(path, kReadBack) : kNoHandle;
  if (t->handle == kNoHandle) return false;
  // The size the file system gives once the file is closed, through the
  // handle that is held from now on.
  if (g_io->size(t->handle) == t->expected) return true;
  g_io->close(t->handle);
  t->handle = kNoHandle;
  return false;
}

ExtractedFile* AddExtractedFile(ExtractedFiles* list, const char* path, intptr_t handle) {
  const size_t n = TextLength(path);
  ExtractedFile* f = static_cast<ExtractedFile*>(g_io->alloc(static_cast<uint32_t>(sizeof(ExtractedFile) + n)));
  if (!f) return nullptr;
  f->next = nullptr;
  f->handle = handle;
  CopyBytes(f->path, path, n + 1);
  (list->last ? list->last->next : list->first) = f;
  list->last = f;
  ++list->count;
  return f;
}

}  // namespace marrowby::setup
