// The one process-wide record of a setup run, shared by start-up,
// extraction, installation and the dialogs.
#pragma once

#include <stdint.h>

#include "setup/package_format.h"
#include "setup/pe_image.h"
#include "setup/switches.h"

namespace marrowby::setup {

constexpr uint32_t kNoticePrefixSize = 62;

// One file extracted, and the handle that keeps it as it was written (shared
// for reading only) until it is deleted; kNoHandle once closed.
struct ExtractedFile {
  ExtractedFile* next;
  intptr_t handle;
  char path[1];  // the full path, allocated to its length
};

// Every file extracted, in the order of extraction, however many.
struct ExtractedFiles {
  ExtractedFile* first;
  ExtractedFile* last;
  uint32_t count;
};

// Paths are UTF-8 (kPathBytes); the texts of the package are Windows-1252.
struct SetupState {
  // The scalars first, then the buffers: the fields used most lie within
  // the short offsets of an instruction (see State()).
  Switches switches;
  // The exit code the process ends with, as far as the run has come.
  uint32_t exitCode;
  PackageHeader header;
  bool hasTitle;
  bool error;
  bool tempDirCreated;  // made by this process (only then removed at exit)
  bool rebuiltCreated;  // the rebuilt package was created by this process
  bool installStarted;
  bool extractionSucceeded;
  uint8_t partCounter;
  void* tempDirHandle;  // held open while the process runs, or null
  // The package, held open from the first look at it until the exit: the
  // program's own file, or the rebuilt package of a split one.
  intptr_t packageHandle;
  uint32_t cabinetOffset;
  // The signature behind the program's own file, from its PE headers (zeros
  // when it is unsigned): the package, or part 1 of a split one, ends where
  // PackageEnd says.
  CertificateTable certificate;
  char* notice;
  char* welcome;
  char* licence;
  ExtractedFiles extracted;
  void* dialog;  // the main dialog window
  // The /X: folder as a full path ending with a backslash; empty when the
  // package is to be installed.
  char extractDir[kPathBytes];
  char ownPath[kPathBytes];      // the program's own file
  char packagePath[kPathBytes];  // own file, or the rebuilt package of a split one
  char tempDir[kPathBytes];      // ends with a backslash
  char systemDir[kPathBytes];
  char windowsDir[kPathBytes];
  char savedDir[kPathBytes];
  char title[kPathSize];
  char infName[kPathSize];
  char noticePrefix[kNoticePrefixSize + 1];
  // Why the rebuild of a split package failed, when a part was to blame;
  // empty otherwise (the generic rebuild message is shown then).
  char partProblem[kPathBytes + 160];
};

extern SetupState g_state;

// The state, for a function that uses many of its fields: the address is
// hidden from the compiler, which then holds it in a register and reaches
// the fields through it, instead of writing the state's address into every
// instruction (each one also an entry of the i686 relocation table).
inline SetupState& State() {
  SetupState* state = &g_state;
  __asm__("" : "+r"(state));
  return *state;
}

}  // namespace marrowby::setup
