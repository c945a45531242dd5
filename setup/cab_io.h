// The file side of the cabinet library's callbacks. The library opens the
// package like any cabinet file; handles that refer to the package are kept
// in a small table, and positions through them are shifted by the cabinet
// offset, so that the library sees the cabinet as a file of its own.
#pragma once

#include <stdint.h>

namespace marrowby::setup {

constexpr int kPackageSlots = 5;

struct CabIo {
  const char* packagePath;
  uint32_t cabinetOffset;
  bool scrambled;
  uint8_t key;
  intptr_t slots[kPackageSlots];
};

// Empties the handle table and takes the package's path, offset and key.
void CabIoReset(CabIo* io, const char* packagePath, uint32_t cabinetOffset, bool scrambled,
                uint8_t key);
bool CabIsPackageHandle(const CabIo& io, intptr_t h);

// The callbacks, over the I/O table in use (g_io). They return what the
// library expects: a handle or -1; a byte count; 0; a position or -1.
intptr_t CabOpen(CabIo* io, const char* name, int oflag);
uint32_t CabRead(CabIo* io, intptr_t h, void* buffer, uint32_t count);
uint32_t CabWrite(CabIo* io, intptr_t h, const void* buffer, uint32_t count);
int CabClose(CabIo* io, intptr_t h);
int32_t CabSeek(CabIo* io, intptr_t h, int32_t distance, int origin);

}  // namespace marrowby::setup
