// The working folder into which the package is rebuilt and extracted. It is
// always a folder this process has just created: a folder that already
// exists (left by an earlier run, or planted there by someone else) might
// hold files that would be installed in place of the package's own, or be a
// link that sends the clean-up's deletions elsewhere.
#include "setup/cstr.h"
#include "setup/names.h"
#include "setup/package_load.h"
#include "setup/setup_win32.h"
// sddl.h relies on the Windows types being declared before it.
#include <sddl.h>

namespace marrowby::setup {

namespace {

// How many names are tried in each folder: the usual one, then suffixed ones.
constexpr uint32_t kWorkDirAttempts = 64;

// Opens the folder just created and keeps it open without delete sharing, so
// that it cannot be removed, renamed or replaced by a link while the process
// runs. False when what stands at the path is not a plain folder.
bool HoldWorkDir(const char* dir) {
  const HANDLE h = CreateFileW(Wide(dir).text, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
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

bool CreateWorkDir(const char* const* bases, uint32_t count, bool elevated) {
  SetupState& s = g_state;
  // An elevated process installs into the system: nobody but its owner,
  // SYSTEM and the administrators may touch what it extracts, so the folder
  // does not take the permissions of the folder it is made in, and the
  // files made in it inherit its own. (A system without these names keeps
  // the inherited permissions.)
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, FALSE};
  if (elevated) {
    ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:P(A;OICI;FA;;;OW)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SDDL_REVISION_1,
        &sa.lpSecurityDescriptor, nullptr);
  }
  for (uint32_t b = 0; b < count; ++b) {
    char usual[kPathBytes];
    // The temporary path itself may be missing.
    if (!UsualWorkDir(bases[b], usual, sizeof(usual)) || !CreateDirectoryTree(bases[b])) continue;
    for (uint32_t attempt = 0; attempt < kWorkDirAttempts; ++attempt) {
      if (!WorkDirName(usual, GetCurrentProcessId(), attempt, s.tempDir, sizeof(s.tempDir))) break;
      // Creation fails for any name that exists, folder, file or link.
      if (!CreateDirectoryW(Wide(s.tempDir).text, &sa)) continue;
      // Something replaced the new folder before it could be opened: not ours
      // any more, so it is left alone.
      if (!HoldWorkDir(s.tempDir)) continue;
      s.tempDirCreated = true;
      return true;
    }
  }
  s.tempDir[0] = 0;
  return false;
}

bool PrepareExtractFolder(const char* folder) {
  char* const dir = g_state.extractDir;
  // A relative path stays relative: nothing changes the current folder
  // while the files are extracted. Room is kept for a backslash and the
  // search pattern's '*'.
  if (!TextCopy(dir, kPathBytes - 2, folder) || !CreateDirectoryTree(dir)) {
    dir[0] = 0;
    return false;
  }
  size_t length = TextLength(dir);
  if (dir[length - 1] != '\\' && dir[length - 1] != '/') TextCopy(dir + length++, 2, "\\");
  // A folder lists only "." and ".." when it is empty (a drive's root not
  // even those); a file lists nothing.
  TextCopy(dir + length, 2, "*");
  WIN32_FIND_DATAW found;
  const HANDLE h = FindFirstFileW(Wide(dir).text, &found);
  dir[length] = 0;
  bool empty = h != INVALID_HANDLE_VALUE;
  while (empty) {
    const wchar_t* name = found.cFileName;
    empty = name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]));
    if (!FindNextFileW(h, &found)) break;
  }
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
  if (!empty) dir[0] = 0;
  return empty;
}

void RemoveWorkDir() {
  SetupState& s = g_state;
  if (s.tempDirHandle) CloseHandle(s.tempDirHandle);
  s.tempDirHandle = nullptr;
  // Removal succeeds only when the folder is empty: files that could not be
  // deleted keep it.
  if (s.tempDirCreated) RemoveDirectoryW(Wide(s.tempDir).text);
  s.tempDirCreated = false;
}

}  // namespace marrowby::setup
