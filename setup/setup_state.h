// The one process-wide record of a setup run, shared by start-up,
// extraction, installation and the dialogs.
#pragma once

#include <stdint.h>

#include "setup/package_format.h"

namespace marrowby::setup {

constexpr uint32_t kMaxExtracted = 255;
constexpr uint32_t kNoticePrefixSize = 62;

struct ExtractedFiles {
  uint8_t count;
  char paths[kMaxExtracted][kPathSize];
};

struct SetupState {
  char ownPath[kPathSize];      // the program's own file
  char packagePath[kPathSize];  // own file, or the rebuilt package of a split one
  char tempDir[kPathSize];      // ends with a backslash
  bool tempDirCreated;          // made by this process (only then removed at exit)
  void* tempDirHandle;          // held open while the process runs, or null
  char systemDir[128];
  char windowsDir[kPathSize];
  char savedDir[256];
  PackageHeader header;
  bool hasTitle;
  char title[kPathSize];
  char infName[kPathSize];
  char noticePrefix[kNoticePrefixSize + 1];
  char* notice;
  char* welcome;
  char* licence;
  uint32_t cabinetOffset;
  bool error;
  intptr_t packageHandle;
  uint8_t partCounter;
  bool rebuiltCreated;  // the rebuilt package was created by this process
  // Why the rebuild of a split package failed, when a part was to blame;
  // empty otherwise (the generic rebuild message is shown then).
  char partProblem[kPathSize + 160];
  ExtractedFiles extracted;
  bool installStarted;
  bool extractionSucceeded;
  void* dialog;  // the main dialog window
};

extern SetupState g_state;

}  // namespace marrowby::setup
