// The working folder into which the package is rebuilt and extracted. It is
// always a folder this process has just created: a folder that already
// exists (left by an earlier run, or planted there by someone else) might
// hold files that would be installed in place of the package's own, or be a
// link that sends the clean-up's deletions elsewhere.
#include "setup/cstr.h"
#include "setup/names.h"
#include "setup/setup_win32.h"

namespace marrowby::setup {

namespace {

// How many names are tried: the usual one, then suffixed ones.
constexpr uint32_t kWorkDirAttempts = 64;

// Opens the folder just created and keeps it open without delete sharing, so
// that it cannot be removed, renamed or replaced by a link while the process
// runs. False when what stands at the path is not a plain folder.
bool HoldWorkDir(const char* dir) {
  // The Windows 95 family has neither links nor folder handles.
  if (!IsNtFamily()) return true;
  const HANDLE h = CreateFileA(dir, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                               nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
          FILE_ATTRIBUTE_DIRECTORY) {
    CloseHandle(h);
    return false;
  }
  g_state.tempDirHandle = h;
  return true;
}

}  // namespace

bool CreateWorkDir() {
  SetupState& s = g_state;
  char usual[kPathSize];
  TextCopy(usual, sizeof(usual), s.tempDir);
  // The parent (the temporary path, or the system directory) may be missing.
  char parent[kPathSize];
  TextCopy(parent, sizeof(parent), usual);
  size_t n = TextLength(parent);
  while (n > 0 && parent[n - 1] == '\\') parent[--n] = 0;
  parent[FileNameStart(parent)] = 0;
  if (!CreateDirectoryTree(parent)) return false;
  for (uint32_t attempt = 0; attempt < kWorkDirAttempts; ++attempt) {
    if (!WorkDirName(usual, GetCurrentProcessId(), attempt, s.tempDir, sizeof(s.tempDir))) break;
    // CreateDirectoryA fails for any name that exists, folder, file or link.
    if (!CreateDirectoryA(s.tempDir, nullptr)) continue;
    // Something replaced the new folder before it could be opened: not ours
    // any more, so it is left alone.
    if (!HoldWorkDir(s.tempDir)) continue;
    s.tempDirCreated = true;
    return true;
  }
  TextCopy(s.tempDir, sizeof(s.tempDir), usual);
  return false;
}

void RemoveWorkDir() {
  SetupState& s = g_state;
  if (s.tempDirHandle) CloseHandle(s.tempDirHandle);
  s.tempDirHandle = nullptr;
  // Removal succeeds only when the folder is empty: files that could not be
  // deleted keep it.
  if (s.tempDirCreated) RemoveDirectoryA(s.tempDir);
  s.tempDirCreated = false;
}

}  // namespace marrowby::setup
