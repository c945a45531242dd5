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

int MessageBoxText(UINT codePage, HWND owner, const char* text, const char* caption, UINT flags) {
  // A quiet run shows no window at all.
  if (g_state.switches.quiet) return 0;
  wchar_t wide[kPathBytes + 256], wideCaption[kPathSize];
  ToWide(codePage, text, wide, kPathBytes + 256);
  ToWide(codePage, caption, wideCaption, kPathSize);
  return MessageBoxW(owner, wide, wideCaption, flags);
}

void ErrorBox(const char* text) {
  MessageBoxText(CP_UTF8, nullptr, text, kCaptionError, MB_OK | MB_ICONSTOP);
}

void FatalRunTimeError(const char* text) {
  ErrorBox(text);
  ExitProcess(kExitFailed);
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
  return CreateDirectoryW(Wide(dir).text, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

namespace {

// S-1-5-32-544, the built-in Administrators group, laid out as a SID.
struct {
  BYTE revision, count, authority[6];
  DWORD subAuthority[2];
} const kAdministrators = {1, 2, {0, 0, 0, 0, 0, 5}, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};

PSID Administrators() { return const_cast<void*>(static_cast<const void*>(&kAdministrators)); }

// The access token of the calling thread, else of the process, opened for
// querying; null when neither opens. (The token functions exist on the NT
// family only, where the current thread and process are the pseudo handles
// -2 and -1.)
HANDLE OpenToken() {
  HANDLE token;
  if (!OpenThreadToken(reinterpret_cast<HANDLE>(-2), TOKEN_QUERY, FALSE, &token) &&
      !OpenProcessToken(reinterpret_cast<HANDLE>(-1), TOKEN_QUERY, &token)) {
    token = nullptr;
  }
  return token;
}

// Whether the token lists the Administrators group: with any attributes, or
// (enabledOnly) as a group in force, as it is for an elevated process and
// not for a filtered one.
bool TokenListsAdministrators(HANDLE token, bool enabledOnly) {
  bool admin = false;
  DWORD size = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  TOKEN_GROUPS* groups = size ? static_cast<TOKEN_GROUPS*>(GlobalAlloc(GMEM_FIXED, size)) : nullptr;
  if (groups && GetTokenInformation(token, TokenGroups, groups, size, &size)) {
    for (DWORD i = 0; i < groups->GroupCount && !admin; ++i) {
      admin = EqualSid(groups->Groups[i].Sid, Administrators()) &&
              (!enabledOnly || (groups->Groups[i].Attributes & SE_GROUP_ENABLED));
    }
  }
  if (groups) GlobalFree(groups);
  return admin;
}

// The rights test: the token of the thread, else of the process, lists the
// Administrators group, and where Windows has UAC it is elevated, since an
// administrator's filtered token lists the group too but cannot write where
// an installer writes. Before Vista the elevation class is unknown and the
// query fails: the group alone decides there.
bool TestToken(bool enabledOnly) {
  const HANDLE token = OpenToken();
  if (!token) return false;
  TOKEN_ELEVATION elevation;
  DWORD size;
  const bool rights =
      TokenListsAdministrators(token, enabledOnly) &&
      (!GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) ||
       elevation.TokenIsElevated);
  CloseHandle(token);
  return rights;
}

}  // namespace

bool IsElevated() { return TestToken(true); }

bool HasAdministrativeRights() { return !IsNtFamily() || TestToken(false); }

namespace {

// Ends a start-up whose package is corrupted: the message, then the process
// ends at once, before anything has been created.
[[noreturn]] void CorruptedPackage(intptr_t h) {
  char text[80];
  TextJoin(text, sizeof(text), {kMsgCorrupted, kMsgObtainNewCopy});
  ErrorBox(text);
  g_io->close(h);
  ExitProcess(kExitFailed);
}

// A quiet run cannot ask: a missing part is a failure there.
bool AskForDisk(uint32_t partNumber) {
  char text[64], number[11];
  TextJoin(text, sizeof(text), {kMsgInsertDisk, DecimalText(partNumber, number), ".."});
  if (g_state.switches.quiet) return false;
  if (MessageBoxText(1252, nullptr, text, g_state.title, MB_OKCANCEL | MB_ICONINFORMATION) !=
      IDCANCEL) {
    return true;
  }
  g_state.exitCode = kExitCancelled;
  return false;
}

// A path the system wrote into w (n characters, 0 on failure, MAX_PATH or
// more when it did not fit), as UTF-8 into out; empty and false otherwise.
bool TakePath(DWORD n, const wchar_t* w, char* out) {
  const bool ok = n > 0 && n < MAX_PATH && Utf8(w, out, kPathBytes);
  if (!ok) out[0] = 0;
  return ok;
}

// The program's own path and the system's directories.
bool ReadPaths(const char* ownPath) {
  SetupState& s = g_state;
  wchar_t w[MAX_PATH];
  const bool own = ownPath ? TextCopy(s.ownPath, sizeof(s.ownPath), ownPath)
                           : TakePath(GetModuleFileNameW(nullptr, w, MAX_PATH), w, s.ownPath);
  if (!own || !TakePath(GetSystemDirectoryW(w, MAX_PATH), w, s.systemDir) ||
      !TakePath(GetWindowsDirectoryW(w, MAX_PATH), w, s.windowsDir)) {
    return false;
  }
  TextCopy(s.packagePath, sizeof(s.packagePath), s.ownPath);
  // A current directory too long to keep is simply not restored later.
  TakePath(GetCurrentDirectoryW(MAX_PATH, w), w, s.savedDir);
  return true;
}

// Makes the working folder in the first folder that takes it: the
// temporary path or its short form, the Windows directory's Temp folder, the
// system directory when elevated.
bool MakeWorkDir() {
  SetupState& s = g_state;
  wchar_t w[MAX_PATH];
  // Kept off the stack: with the working folder's own buffers they would
  // pass the 4 KB a frame may take without stack probes.
  static char temp[kPathBytes], shortTemp[kPathBytes], windowsTemp[kPathBytes];
  TakePath(GetTempPathW(MAX_PATH, w), w, temp);
  // In place: the function allows the same buffer for both forms.
  TakePath(temp[0] ? GetShortPathNameW(w, w, MAX_PATH) : 0, w, shortTemp);
  TextJoin(windowsTemp, sizeof(windowsTemp), {s.windowsDir, "\\Temp"});
  const bool elevated = IsElevated();
  const char* bases[kMaxTempBases];
  const uint32_t n = TempDirBases(temp, shortTemp, windowsTemp, s.systemDir, elevated, bases);
  return CreateWorkDir(bases, n, elevated);
}

// Where the signature lies in the program's own file, from the headers of
// its image, which the loader maps as they stand in the file.
CertificateTable OwnSignature() {
  const auto* image = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& d =
      headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
  return CertificateTable{d.VirtualAddress, d.Size};
}

// Steps 5 to 13: reads and checks the package, places the library copy.
// False when start-up must stop (the message, if any, has been shown).
bool ReadPackage() {
  SetupState& s = g_state;
  const intptr_t h = g_io->open(s.packagePath, kReadExisting);
  if (h == kNoHandle) {
    MessageBoxText(CP_UTF8, nullptr, s.packagePath, kCaptionCannotOpen, MB_OK | MB_ICONSTOP);
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
  const LoadResult texts =
      size < 0 ? LoadResult::kCorrupted : ReadPackageTexts(h, static_cast<uint64_t>(size), &s);
  if (texts == LoadResult::kBadInfName) {
    // The name goes into the installer's command line: refused before
    // anything is made.
    char text[64 + kPathSize];
    TextJoin(text, sizeof(text), {kMsgUnsafeName, s.infName});
    ErrorBox(text);
    return false;
  }
  if (texts != LoadResult::kOk ||
      (!s.header.multiPart && !PackageSizeMatches(s, static_cast<uint64_t>(size)))) {
    CorruptedPackage(h);
  }
  PlaceCabinetLibrary(&s, h, PathExists);
  // The handle stays open: what is extracted is read through it (or, for a
  // split package, part 1 is), never through a file opened again by name.
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
  s.certificate = ownPath ? CertificateTable{0, 0} : OwnSignature();
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
  if (!MakeWorkDir()) FatalRunTimeError(kMsgCreateDirFailed);
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
  return true;
}

void ExitCleanUp() {
  SetupState& s = g_state;
  if (s.packageHandle != kNoHandle && !g_io->close(s.packageHandle) && !s.error) {
    ErrorBox(kMsgCannotClose);
  }
  s.packageHandle = kNoHandle;
  // Only what this process created is removed: the rebuilt copy (never the
  // program's own file, never a file found in its place) and its own folder.
  if (s.rebuiltCreated && !TextEqual(s.packagePath, s.ownPath)) DeleteFileW(Wide(s.packagePath).text);
  s.rebuiltCreated = false;
  RemoveWorkDir();
  FreeCabinetLibrary();
}

}  // namespace marrowby::setup
