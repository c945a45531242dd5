// Every file operation of the stub goes through one table, so that the same
// package logic runs on Win32 files in the stub and on in-memory files in the
// tests (which can also make any one call fail).
#pragma once

#include <stdint.h>

namespace marrowby::setup {

// Values equal to the Win32 ones, so the Win32 table passes them through.
constexpr uint32_t kAccessRead = 0x80000000u;
constexpr uint32_t kAccessWrite = 0x40000000u;
constexpr uint32_t kShareRead = 0x1;
constexpr uint32_t kShareWrite = 0x2;
constexpr uint32_t kCreateNew = 1;  // fails when the file exists
constexpr uint32_t kCreateAlways = 2;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kTruncateExisting = 5;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kAttrTemporary = 0x100;
constexpr uint32_t kFlagRandomAccess = 0x10000000;
constexpr uint32_t kFlagSequentialScan = 0x08000000;
// Opens a link itself rather than what it points to.
constexpr uint32_t kFlagOpenReparsePoint = 0x00200000;

struct OpenParams {
  uint32_t access = kAccessRead;
  uint32_t share = kShareRead;
  uint32_t creation = kOpenExisting;
  uint32_t attributes = kAttrNormal;
};

constexpr intptr_t kNoHandle = -1;
constexpr uint32_t kIoError = 0xFFFFFFFFu;

// Paths are UTF-8 text; the Win32 table hands them to the system's wide
// functions.
struct SetupIo {
  intptr_t (*open)(const char* path, const OpenParams& params);  // kNoHandle on failure
  uint32_t (*read)(intptr_t h, void* buffer, uint32_t count);     // bytes read, or kIoError
  uint32_t (*write)(intptr_t h, const void* buffer, uint32_t count);
  int32_t (*seek)(intptr_t h, int32_t distance, int origin);      // new position, or -1
  bool (*close)(intptr_t h);
  int64_t (*size)(intptr_t h);                                    // -1 on failure
  void* (*alloc)(uint32_t bytes);                                 // null on failure
  void (*release)(void* block);
  // SHA-256 of a run of bytes: a context (null on failure), the bytes in
  // order, then the 32-byte digest; hashFinish always ends the context.
  void* (*hashBegin)();
  bool (*hashAdd)(void* context, const void* data, uint32_t count);
  bool (*hashFinish)(void* context, uint8_t* digest);
};

// Parameters spelled out in full: the compiler builds a defaulted OpenParams
// by copying a template that it keeps in a writable section, which alone
// costs the stub's image a whole file block.
inline constexpr OpenParams kReadExisting = {kAccessRead, kShareRead, kOpenExisting, kAttrNormal};
// A file this program creates is shared for reading only, never for writing
// or deleting, so that nobody can change, rename or remove it while it is
// open; it is read through the same handle where that is needed.
inline OpenParams CreateParams(uint32_t creation) {
  return OpenParams{kAccessRead | kAccessWrite, kShareRead, creation, kAttrNormal};
}

// The table in use; the stub installs the Win32 one at start-up.
extern const SetupIo* g_io;

// The open parameters for the cabinet library's open flags (the C runtime's
// _O_* bits): access, creation and the cache hints.
OpenParams MapOpenFlags(int oflag);

// Reads exactly count bytes at the current position; false on a short read.
bool ReadExact(intptr_t h, void* buffer, uint32_t count);

}  // namespace marrowby::setup
