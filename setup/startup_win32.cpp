// Start-up of the setup program up to the main dialog, and the clean-up when
// the process ends.
#include "setup/cstr.h"
#include "setup/messages.h"
#include "setup/package_load.h"
#include "setup/setup_io.h"
#include "setup/setup_win32.h"

namespace marrowby::setup {

// Zero-initialised, so that it costs the image no data section.
bool (*g_rightsTest)();

void ErrorBox(const char* text) { MessageBoxA(nullptr, text, kCaptionError, MB_OK | MB_ICONSTOP); }

void FatalRunTimeError(const char* text) {
  ErrorBox(text);
  ExitProcess(1);
}

bool IsNtFamily() {
  OSVERSIONINFOA info;
  FillBytes(&info, 0, sizeof(info));
  info.dwOSVersionInfoSize = sizeof(info);
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool CreateDirectoryTree(const char* path) {
  char dir[kPathSize];
  if (!TextCopy(dir, sizeof(dir), path)) return false;
  size_t n = TextLength(dir);
  while (n > 0 && (dir[n - 1] == '\\' || dir[n - 1] == '/')) dir[--n] = 0;
  if (n < 3 || PathExists(dir)) return true;
  size_t parent = n;
  while (parent > 0 && dir[parent - 1] != '\\' && dir[parent - 1] != '/') --parent;
  if (parent > 0) {
    dir[parent - 1] = 0;
    const bool ok = CreateDirectoryTree(dir);
    dir[parent - 1] = '\\';
    if (!ok) return false;
  }
  return CreateDirectoryA(dir, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool HasAdministrativeRights() {
  if (!IsNtFamily()) return true;
  HANDLE token;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token) &&
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return false;
  }
  bool admin = false;
  DWORD size = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  TOKEN_GROUPS* groups = size ? static_cast<TOKEN_GROUPS*>(GlobalAlloc(GMEM_FIXED, size)) : nullptr;
  SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
  PSID administrators = nullptr;
  if (groups && GetTokenInformation(token, TokenGroups, groups, size, &size) &&
      AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                               0, 0, 0, 0, &administrators)) {
    for (DWORD i = 0; i < groups->GroupCount && !admin; ++i) {
      admin = EqualSid(groups->Groups[i].Sid, administrators) != FALSE;
    }
    FreeSid(administrators);
  }
  if (groups) GlobalFree(groups);
  CloseHandle(token);
  return admin;
}

namespace {

// Ends a start-up whose package is corrupted: the message, then the process
// ends at once, before anything has been created.
[[noreturn]] void CorruptedPackage(intptr_t h) {
  ErrorBox(kMsgCorrupted);
  g_io->close(h);
  ExitProcess(0);
}

bool AskForDisk(uint32_t partNumber) {
  char text[64];
  TextCopy(text, sizeof(text), kMsgInsertDisk);
  TextAppendUnsigned(text, sizeof(text), partNumber);
  TextAppend(text, sizeof(text), "..");
  return MessageBoxA(nullptr, text, g_state.title, MB_OKCANCEL | MB_ICONINFORMATION) != IDCANCEL;
}

// The program's own path, the directories and the temporary directory.
bool ReadPaths(const char* ownPath) {
  SetupState& s = g_state;
  const DWORD own = ownPath ? (TextCopy(s.ownPath, sizeof(s.ownPath), ownPath) ? 1 : 0)
                            : GetModuleFileNameA(nullptr, s.ownPath, sizeof(s.ownPath));
  const DWORD sys = GetSystemDirectoryA(s.systemDir, sizeof(s.systemDir));
  const DWORD win = GetWindowsDirectoryA(s.windowsDir, sizeof(s.windowsDir));
  if (own == 0 || own >= sizeof(s.ownPath) || sys == 0 || sys >= sizeof(s.systemDir) ||
      win >= sizeof(s.windowsDir)) {
    return false;
  }
  TextCopy(s.packagePath, sizeof(s.packagePath), s.ownPath);
  // A current directory too long to keep is simply not restored later.
  const DWORD cur = GetCurrentDirectoryA(sizeof(s.savedDir), s.savedDir);
  if (cur == 0 || cur >= sizeof(s.savedDir)) s.savedDir[0] = 0;
  char tempPath[254];
  const DWORD tmp = GetTempPathA(sizeof(tempPath), tempPath);
  if (tmp == 0 || tmp >= sizeof(tempPath)) tempPath[0] = 0;
  return ChooseTempDir(&s, tempPath);
}

// Steps 5 to 13: reads and checks the package, places the library copy.
// False when start-up must stop (the message, if any, has been shown).
bool ReadPackage() {
  SetupState& s = g_state;
  const intptr_t h = g_io->open(s.packagePath, kReadExisting);
  if (h == kNoHandle) {
    MessageBoxA(nullptr, s.packagePath, kCaptionCannotOpen, MB_OK | MB_ICONSTOP);
    return false;
  }
  s.packageHandle = h;
  const LoadResult header = ReadPackageHeader(h, &s.header);
  if (header == LoadResult::kNoMagic) return false;
  if (header == LoadResult::kCorrupted) CorruptedPackage(h);
  s.hasTitle = s.header.titleLength > 0;
  if (s.header.admin && !(g_rightsTest ? g_rightsTest() : HasAdministrativeRights())) {
    ErrorBox(kMsgNeedAdmin);
    return false;
  }
  const int64_t size = g_io->size(h);
  if (size < 0 || ReadPackageTexts(h, static_cast<uint64_t>(size), &s) != LoadResult::kOk ||
      (!s.header.multiPart && !PackageSizeMatches(s, static_cast<uint64_t>(size)))) {
    CorruptedPackage(h);
  }
  PlaceCabinetLibrary(&s, h, PathExists);
  g_io->close(h);
  s.packageHandle = kNoHandle;
  return true;
}

}  // namespace

void RestrictLibrarySearch() {
  using SetDirectoriesFn = BOOL(WINAPI*)(DWORD);
  // Older systems lack the function; they keep their usual search order.
  const auto setDirectories = reinterpret_cast<SetDirectoriesFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDirectories) setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

bool StartUp(const char* ownPath) {
  SetupState& s = g_state;
  g_io = &kWin32Io;
  s.installStarted = false;
  s.hasTitle = false;
  s.error = false;
  s.packageHandle = kNoHandle;
  UnscrambleNoticePrefix(&s);
  if (!ReadPaths(ownPath)) {
    ErrorBox(kMsgPathTooLong);
    return false;
  }
  if (!ReadPackage()) return false;
  if (!CreateWorkDir()) FatalRunTimeError(kMsgCreateDirFailed);
  if (s.header.multiPart) RebuildPackage(&s, AskForDisk);
  if (!LoadCabinetLibrary()) {
    s.error = true;
    ErrorBox(kMsgCabinetNotLoaded);
    return false;
  }
  if (s.error) {
    ErrorBox(s.partProblem[0] ? s.partProblem : kMsgRebuildError);
    return false;
  }
  s.packageHandle = g_io->open(s.packagePath, kReadExisting);
  if (s.packageHandle == kNoHandle) s.error = true;
  return s.packageHandle != kNoHandle;
}

void ExitCleanUp() {
  SetupState& s = g_state;
  if (!s.error && s.packageHandle != kNoHandle && !g_io->close(s.packageHandle)) {
    ErrorBox(kMsgCannotClose);
  }
  s.packageHandle = kNoHandle;
  // Only what this process created is removed: the rebuilt copy (never the
  // program's own file, never a file found in its place) and its own folder.
  if (s.rebuiltCreated && !TextEqual(s.packagePath, s.ownPath)) DeleteFileA(s.packagePath);
  s.rebuiltCreated = false;
  RemoveWorkDir();
  FreeCabinetLibrary();
}

}  // namespace marrowby::setup
