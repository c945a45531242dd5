// Hands the extracted INF file to the system's INF installer in a separate
// process, and deletes the extracted files on Close.
#include "setup/cstr.h"
#include "setup/install_commands.h"
#include "setup/messages.h"
#include "setup/resource_ids.h"
#include "setup/setup_win32.h"
#include "setup/switches.h"

namespace marrowby::setup {

void PumpOneMessage() {
  MSG msg;
  if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void SetStatusText(HWND dialog, const char* text) {
  if (dialog) SetDlgItemTextA(dialog, SETUP_ID_STATUS, text);
}

void SetStatusTextUtf8(HWND dialog, const char* text) {
  // The dialog's controls are ANSI windows: the text takes the code page's
  // spelling of each character, or a mark where it has none.
  wchar_t wide[kPathBytes + 64];
  char ansi[2 * (kPathBytes + 64)];
  if (dialog && ToWide(CP_UTF8, text, wide, kPathBytes + 64) &&
      WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof(ansi), nullptr, nullptr)) {
    SetStatusText(dialog, ansi);
  }
}

namespace {

// Waits for the installer without spinning: sleeps until the process ends or
// a message arrives, and dispatches messages so the dialog stays painted. A
// request to end the session or the program ends the process at once.
void WaitForInstaller(HANDLE process) {
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT || msg.message == WM_QUERYENDSESSION) {
        // Nothing was installed as far as this program can tell: never 0.
        ExitProcess(msg.wParam ? static_cast<UINT>(msg.wParam) : kExitFailed);
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
    if (r != WAIT_OBJECT_0 + 1) return;  // ended, or the handle cannot be waited on
  }
}

// The path as the installer's command line can carry it in the system's
// ANSI code page: the long form when the code page spells it, else the short
// (8.3) form; false when neither can be spelt, as a path is never passed on
// mangled.
bool AnsiPath(const char* path, char* out, size_t capacity) {
  WidePath w = Wide(path);
  const UINT codePage = GetACP();
  // A UTF-8 code page spells every path and takes no lossy-conversion flags.
  const bool utf8 = codePage == CP_UTF8;
  for (int form = 0; w.text[0] && form < 2; ++form) {
    BOOL lost = FALSE;
    if (WideCharToMultiByte(codePage, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, w.text, -1, out,
                            static_cast<int>(capacity), nullptr, utf8 ? nullptr : &lost) &&
        !lost) {
      return true;
    }
    const DWORD n = GetShortPathNameW(w.text, w.text, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) break;
  }
  return false;
}

// The folder that holds the installer host: the system directory, else the
// Windows directory (where the older hosts live), else the system directory.
const char* HostDir(const InstallCommandInput& in) {
  const char* dirs[] = {g_state.systemDir, g_state.windowsDir};
  for (const char* dir : dirs) {
    char path[kPathBytes];
    if (TextJoin(path, sizeof(path), {dir, "\\", InstallHost(in)}) && PathExists(path)) {
      return dir;
    }
  }
  return g_state.systemDir;
}

// Starts one installer run and waits for it; its outcome.
InstallOutcome RunInstaller(InstallCommandInput in, DWORD creationFlags, bool report) {
  char hostDir[kPathBytes];
  char command[kPathBytes * 2 + 128];
  STARTUPINFOA si;
  FillBytes(&si, 0, sizeof(si));
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
  si.wShowWindow = static_cast<WORD>(in.quiet ? SW_HIDE : SW_SHOW);
  PROCESS_INFORMATION pi;
  InstallOutcome outcome = {false, 0, false};
  in.hostDir = hostDir;
  if (!AnsiPath(HostDir(in), hostDir, sizeof(hostDir)) ||
      !BuildInstallCommand(in, command, sizeof(command)) ||
      !CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr,
                      &si, &pi)) {
    if (report) ErrorBox(kMsgCannotInstall);
    return outcome;
  }
  WaitForInstaller(pi.hProcess);
  DWORD code = STILL_ACTIVE;
  // A process whose end cannot be read counts as failed, never as done.
  if (!GetExitCodeProcess(pi.hProcess, &code)) code = STILL_ACTIVE;
  outcome.started = true;
  outcome.exitCode = code;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return outcome;
}

// The size of the list of files that Windows replaces or deletes at its
// next start (0 when there is none). An installer that finds a file in use
// queues its replacement there: the installation is then complete only after
// a restart.
DWORD PendingRenamesSize() {
  HKEY key;
  DWORD size = 0;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) !=
        ERROR_SUCCESS) {
      size = 0;
    }
    RegCloseKey(key);
  }
  return size;
}

}  // namespace

InstallOutcome InstallInf(HWND) {
  SetupState& s = g_state;
  char infPath[kPathBytes];
  char infArgument[kPathBytes];
  char setupx[kPathBytes];
  const bool setupxPresent =
      TextJoin(setupx, sizeof(setupx), {s.systemDir, "\\SetupX.dll"}) && PathExists(setupx);
  // Every field given: a defaulted one would be copied from a writable
  // template (see kReadExisting).
  InstallCommandInput in = {s.header.advanced ? InstallRun::kAdvancedFirst : InstallRun::kBasic,
                            "",
                            infArgument,
                            IsNtFamily(),
                            setupxPresent,
                            s.switches.quiet,
                            s.switches.noRestart};
  const size_t dirLength = TextLength(s.tempDir);
  // A cabinet without the INF it names leaves the installer nothing to do
  // (it would end normally, as if it had installed).
  const char* problem =
      !TextCopy(infPath, sizeof(infPath), s.tempDir) ||
              !ToUtf8(1252, s.infName, infPath + dirLength, sizeof(infPath) - dirLength)
          ? kMsgPathTooLong
      : !PathExists(infPath)                                   ? kMsgCannotInstall
      : !AnsiPath(infPath, infArgument, sizeof(infArgument))  ? kMsgNoAnsiPath
                                                               : nullptr;
  if (problem) {
    ErrorBox(problem);
    return InstallOutcome{false, 0, false};
  }
  if (!SetCurrentDirectoryW(Wide(s.tempDir).text)) FatalRunTimeError(kMsgChangeDirFailed);
  const DWORD pendingBefore = PendingRenamesSize();
  InstallOutcome outcome = RunInstaller(in, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, true);
  if (s.header.advanced) {
    // The second run follows whether or not the first could start; the
    // first failure is the one reported.
    in.run = InstallRun::kAdvancedSecond;
    const InstallOutcome second = RunInstaller(in, CREATE_NEW_CONSOLE | HIGH_PRIORITY_CLASS, false);
    if (outcome.Succeeded()) outcome = second;
  }
  outcome.restartNeeded = PendingRenamesSize() != pendingBefore;
  if (s.savedDir[0] && !SetCurrentDirectoryW(Wide(s.savedDir).text)) {
    FatalRunTimeError(kMsgChangeDirFailed);
  }
  return outcome;
}

void DeleteExtractedFiles(HWND dialog) {
  for (ExtractedFile* f = g_state.extracted.first; f; f = f->next) {
    // Held until now without delete sharing: let go of it first.
    if (f->handle != kNoHandle) g_io->close(f->handle);
    f->handle = kNoHandle;
    DeleteFileW(Wide(f->path).text);
    char text[kPathBytes + 32];
    TextJoin(text, sizeof(text), {kStatusDeleting, f->path});
    SetStatusTextUtf8(dialog, text);
    PumpOneMessage();
  }
}

}  // namespace marrowby::setup
