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
  Switches switches;
  // The exit code the process ends with, as far as the run has come.
  uint32_t exitCode;
  // The /X: folder as a full path ending with a backslash; empty when the
  // package is to be installed.
  char extractDir[kPathBytes];
  char ownPath[kPathBytes];      // the program's own file
  char packagePath[kPathBytes];  // own file, or the rebuilt package of a split one
  char tempDir[kPathBytes];      // ends with a backslash
  bool tempDirCreated;           // made by this process (only then removed at exit)
  void* tempDirHandle;           // held open while the process runs, or null
  char systemDir[kPathBytes];
  char windowsDir[kPathBytes];
  char savedDir[kPathBytes];
  PackageHeader header;
  // The signature behind the program's own file, from its PE headers (zeros
  // when it is unsigned): the package, or part 1 of a split one, ends where
  // PackageEnd says.
  CertificateTable certificate;
  bool hasTitle;
  char title[kPathSize];
  char infName[kPathSize];
  char noticePrefix[kNoticePrefixSize + 1];
  char* notice;
  char* welcome;
  char* licence;
  uint32_t cabinetOffset;
  bool error;
  // The package, held open from the first look at it until the exit: the
  // program's own file, or the rebuilt package of a split one.
  intptr_t packageHandle;
  uint8_t partCounter;
  bool rebuiltCreated;  // the rebuilt package was created by this process
  // Why the rebuild of a split package failed, when a part was to blame;
  // empty otherwise (the generic rebuild message is shown then).
  char partProblem[kPathBytes + 160];
  ExtractedFiles extracted;
  bool installStarted;
  bool extractionSucceeded;
  void* dialog;  // the main dialog window
};

extern SetupState g_state;

}  // namespace marrowby::setup
