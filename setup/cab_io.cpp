#include "setup/cab_io.h"

#include "setup/cstr.h"
#include "setup/setup_io.h"

namespace marrowby::setup {

void CabIoReset(CabIo* io, const char* packagePath, uint32_t cabinetOffset, bool scrambled,
                uint8_t key) {
  io->packagePath = packagePath;
  io->cabinetOffset = cabinetOffset;
  io->scrambled = scrambled;
  io->key = key;
  for (intptr_t& slot : io->slots) slot = kNoHandle;
}

bool CabIsPackageHandle(const CabIo& io, intptr_t h) {
  if (h == kNoHandle) return false;
  for (intptr_t slot : io.slots) {
    if (slot == h) return true;
  }
  return false;
}

intptr_t CabOpen(CabIo* io, const char* name, int oflag) {
  const intptr_t h = g_io->open(name, MapOpenFlags(oflag));
  if (h == kNoHandle || !TextEqual(name, io->packagePath)) return h;
  if (!CabIsPackageHandle(*io, h)) {
    for (intptr_t& slot : io->slots) {
      if (slot == kNoHandle) {
        slot = h;
        break;
      }
    }
  }
  g_io->seek(h, static_cast<int32_t>(io->cabinetOffset), 0);
  return h;
}

uint32_t CabRead(CabIo* io, intptr_t h, void* buffer, uint32_t count) {
  const uint32_t n = g_io->read(h, buffer, count);
  if (io->scrambled && n != kIoError) {
    uint8_t* p = static_cast<uint8_t*>(buffer);
    for (uint32_t i = 0; i < n && i < count; ++i) p[i] ^= io->key;
  }
  return n;
}

uint32_t CabWrite(CabIo*, intptr_t h, const void* buffer, uint32_t count) {
  return g_io->write(h, buffer, count);
}

int CabClose(CabIo* io, intptr_t h) {
  for (intptr_t& slot : io->slots) {
    if (slot == h) slot = kNoHandle;
  }
  g_io->close(h);
  return 0;
}

int32_t CabSeek(CabIo* io, intptr_t h, int32_t distance, int origin) {
  const bool package = CabIsPackageHandle(*io, h);
  if (package && origin == 0) distance += static_cast<int32_t>(io->cabinetOffset);
  const int32_t pos = g_io->seek(h, distance, origin);
  if (!package || pos == -1) return pos;
  return pos - static_cast<int32_t>(io->cabinetOffset);
}

}  // namespace marrowby::setup
