// Hands the extracted INF file to the system's INF installer in a separate
// process, and deletes the extracted files on Close.
#include "setup/cstr.h"
#include "setup/install_commands.h"
#include "setup/messages.h"
#include "setup/setup_win32.h"

namespace marrowby::setup {

void PumpOneMessage() {
  MSG msg;
  if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void SetStatusText(HWND dialog, const char* text) {
  if (dialog) SetDlgItemTextA(dialog, 3002, text);
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
        ExitProcess(static_cast<UINT>(msg.wParam));
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
    if (r != WAIT_OBJECT_0 + 1) return;  // ended, or the handle cannot be waited on
  }
}

// The folder that holds the installer host: the system directory, else the
// Windows directory (where the older hosts live), else the system directory.
const char* HostDir(const InstallCommandInput& in) {
  const char* dirs[] = {g_state.systemDir, g_state.windowsDir};
  for (const char* dir : dirs) {
    char path[kPathSize];
    if (TextCopy(path, sizeof(path), dir) && TextAppend(path, sizeof(path), "\\") &&
        TextAppend(path, sizeof(path), InstallHost(in)) && PathExists(path)) {
      return dir;
    }
  }
  return g_state.systemDir;
}

// Starts one installer run and waits for it; its outcome.
InstallOutcome RunInstaller(InstallCommandInput in, DWORD creationFlags, bool report) {
  in.hostDir = HostDir(in);
  char command[2 * kPathSize + 128];
  STARTUPINFOA si;
  FillBytes(&si, 0, sizeof(si));
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
  si.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION pi;
  InstallOutcome outcome = {false, 0};
  if (!BuildInstallCommand(in, command, sizeof(command)) ||
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

}  // namespace

InstallOutcome InstallInf(HWND) {
  SetupState& s = g_state;
  char infPath[kPathSize];
  char setupx[kPathSize];
  const bool setupxPresent = TextCopy(setupx, sizeof(setupx), s.systemDir) &&
                             TextAppend(setupx, sizeof(setupx), "\\SetupX.dll") &&
                             PathExists(setupx);
  // Every field given: a defaulted one would be copied from a writable
  // template (see kReadExisting).
  InstallCommandInput in = {s.header.advanced ? InstallRun::kAdvancedFirst : InstallRun::kBasic,
                            "", infPath, IsNtFamily(), setupxPresent};
  if (!TextCopy(infPath, sizeof(infPath), s.tempDir) ||
      !TextAppend(infPath, sizeof(infPath), s.infName)) {
    ErrorBox(kMsgPathTooLong);
    return InstallOutcome{false, 0};
  }
  // A cabinet without the INF it names leaves the installer nothing to do
  // (it would end normally, as if it had installed).
  if (!PathExists(infPath)) {
    ErrorBox(kMsgCannotInstall);
    return InstallOutcome{false, 0};
  }
  if (!SetCurrentDirectoryA(s.tempDir)) FatalRunTimeError(kMsgChangeDirFailed);
  InstallOutcome outcome = RunInstaller(in, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, true);
  if (s.header.advanced) {
    // The second run follows whether or not the first could start; the
    // first failure is the one reported.
    in.run = InstallRun::kAdvancedSecond;
    const InstallOutcome second = RunInstaller(in, CREATE_NEW_CONSOLE | HIGH_PRIORITY_CLASS, false);
    if (outcome.Succeeded()) outcome = second;
  }
  if (s.savedDir[0] && !SetCurrentDirectoryA(s.savedDir)) FatalRunTimeError(kMsgChangeDirFailed);
  return outcome;
}

void DeleteExtractedFiles(HWND dialog) {
  ExtractedFiles& list = g_state.extracted;
  for (uint32_t i = 0; i < list.count; ++i) {
    DeleteFileA(list.paths[i]);
    char text[kPathSize + 32];
    TextCopy(text, sizeof(text), kStatusDeleting);
    TextAppend(text, sizeof(text), list.paths[i]);
    SetStatusText(dialog, text);
    PumpOneMessage();
  }
}

}  // namespace marrowby::setup
