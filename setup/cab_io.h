// The file side of the cabinet library's callbacks. The library opens only
// cabinets, and the one cabinet there is lies inside the package, which
// start-up holds open: every open the library makes is a view of that one
// handle with a position of its own, shifted by the cabinet offset, so that
// the library sees the cabinet as a file of its own and the bytes it reads
// are the ones that were checked. It never opens a file by name.
//
// The files it extracts are written through a target record that counts
// every byte the file system takes, so that a file is taken only when it
// holds as many bytes as the cabinet says, whatever the library reports.
#pragma once

#include <stdint.h>

#include "setup/setup_state.h"

namespace marrowby::setup {

constexpr int kPackageViews = 5;

struct CabIo {
  intptr_t package;
  uint32_t cabinetOffset;
  bool scrambled;
  uint8_t key;
  bool open[kPackageViews];
  uint32_t position[kPackageViews];  // within the cabinet
};

// Empties the view table and takes the package's handle, offset and key.
void CabIoReset(CabIo* io, intptr_t package, uint32_t cabinetOffset, bool scrambled,
                uint8_t key);
bool CabIsPackageHandle(const CabIo& io, intptr_t h);

// The callbacks, over the I/O table in use (g_io). They return what the
// library expects: a handle or -1; a byte count; 0; a position or -1. An
// open for writing, or beyond the views there are, fails.
intptr_t CabOpen(CabIo* io, int oflag);
uint32_t CabRead(CabIo* io, intptr_t h, void* buffer, uint32_t count);
uint32_t CabWrite(CabIo* io, intptr_t h, const void* buffer, uint32_t count);
int CabClose(CabIo* io, intptr_t h);
int32_t CabSeek(CabIo* io, intptr_t h, int32_t distance, int origin);

// A file being extracted.
struct Target {
  intptr_t handle;    // as created for writing; once sealed, held for reading
  uint32_t expected;  // its size in the cabinet
  uint32_t written;   // what the file system took
  bool failed;        // a write failed or came up short
};

// Creates the file (it must not exist yet; shared for reading only) and
// starts counting; false when it cannot be created.
bool TargetCreate(Target* t, const char* path, uint32_t expected);
// Writes through the target, counting what the file system takes.
uint32_t TargetWrite(Target* t, const void* buffer, uint32_t count);
// Finishes a written file: the bytes written must be exactly its size in the
// cabinet; then the file is closed and opened again for reading only, shared
// for reading only (the entry itself, never what a link points to), and its
// size must again be the cabinet's. On success t->handle is that read
// handle, held so that nobody can change, rename or delete the file while it
// is needed (an installer can still read it); otherwise no handle stays open
// and t->handle is kNoHandle.
bool TargetSeal(Target* t, const char* path);

// Adds a file to the end of the list, with the handle that holds it; null
// when there is no memory for it.
ExtractedFile* AddExtractedFile(ExtractedFiles* list, const char* path, intptr_t handle);

}  // namespace marrowby::setup
