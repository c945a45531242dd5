// Drives setupstub from outside, as a user would: starts a package, finds its
// dialogs and message boxes by class, caption and control ids, reads their
// texts, clicks their buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/win/win_test_util.h"

namespace marrowby::e2e {

// The status text of a finished installation.
inline constexpr char kCompleted[] = "Installation completed successfully!";

// The message for a package whose size is not its own.
inline constexpr char kCorrupted[] =
    "The setup file is corrupted. Please obtain a new copy of the program.";

// The exit codes of the setup program: the Windows Installer's.
inline constexpr DWORD kInstalled = 0;
inline constexpr DWORD kCancelled = 1602;  // ERROR_INSTALL_USEREXIT
inline constexpr DWORD kFailed = 1603;     // ERROR_INSTALL_FAILURE
inline constexpr DWORD kBadCommandLine = 1639;  // ERROR_INVALID_COMMAND_LINE
inline constexpr DWORD kRestartNeeded = 3010;   // ERROR_SUCCESS_REBOOT_REQUIRED

// The packages built for these tests (build/win64/e2e-setup/).
std::string PackageDir();
// The stub's temporary directory for this user: <temp>\$Tessara.Tmp\.
std::string StubTempDir();
// Every folder of that name, with or without a suffix, that is there now.
std::vector<std::string> StubTempDirs();
void RemoveStubTempDirs();

class SetupRun {
 public:
  // Starts a package; extraEnv holds "NAME=value" entries added to (or
  // replacing in) this process's environment for the child only; arguments
  // follow the program's quoted path on its command line. Paths and values
  // are UTF-8. filtered starts it with the filtered token of this process's
  // administrator (Wine runs the test user fully elevated): an
  // administrator without elevation.
  explicit SetupRun(const std::string& path, const std::vector<std::string>& extraEnv = {},
                    const std::string& arguments = "", bool filtered = false);
  ~SetupRun();  // ends the process when a test left it running
  SetupRun(const SetupRun&) = delete;
  SetupRun& operator=(const SetupRun&) = delete;

  bool started() const { return pi_.hProcess != nullptr; }
  // Why the process did not start: the error of CreateProcess, else 0.
  DWORD startError() const { return startError_; }
  // The main dialog (it has the status control), or null once the program
  // has ended or timeoutMs has passed. The waits end on what they wait for;
  // the time limits are only there for a program that hangs, and are long
  // enough for a busy machine. One that runs out prints what the program
  // was doing.
  HWND MainDialog(DWORD timeoutMs = 90000);
  HWND LicenceDialog(DWORD timeoutMs = 90000);
  // A message box (a dialog whose static 0xFFFF holds the text).
  HWND MessageBoxWindow(DWORD timeoutMs = 90000);
  // Waits until the main dialog's status text contains the fragment.
  bool WaitStatus(HWND dialog, const std::string& fragment, DWORD timeoutMs = 60000);
  // Presses Install in the main dialog of a package without a licence and
  // waits until its installer runs: the dialog, or null.
  HWND StartInstaller();
  // Exit code, or STILL_ACTIVE when the process is still running after timeoutMs.
  DWORD WaitExit(DWORD timeoutMs = 60000);
  // Waits for the end like WaitExit, but stops with STILL_ACTIVE as soon as
  // a window of the process is visible; windowShown() then names it.
  DWORD WaitExitWithoutWindow(DWORD timeoutMs = 60000);
  const std::string& windowShown() const { return windowShown_; }
  // True when no window of the process is visible at this moment.
  bool HasNoVisibleWindow();
  // Ends the setup program at once, as a crash or the task manager would.
  void Kill(UINT code);
  // Ends the program's installer (a child process named exe, "rundll32.exe")
  // with the code; false when it has none running.
  bool KillChild(const char* exe, UINT code);

  DWORD pid() const { return pi_.dwProcessId; }
  DWORD thread() const { return pi_.dwThreadId; }

 private:
  HWND FindWindowWith(int controlId, DWORD timeoutMs);
  PROCESS_INFORMATION pi_{};
  DWORD startError_ = 0;
  std::string windowShown_;
};

// A visible top-level window of the process that has a control with that id
// (SETUP_ID_STATUS: the main dialog), or null; one look, no waiting.
using wintest::FindWindowWithControl;

std::string Text(HWND window);
std::string ControlText(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
bool Exists(HWND dialog, int id);
// Clicks a button of another process's dialog (BM_CLICK, posted).
void Click(HWND dialog, int id);
// Presses Enter in the window that has the keyboard focus in the dialog's thread.
void PressEnter(HWND dialog);
// The message box's text; then presses its button with the id (IDOK...).
std::string AnswerMessageBox(HWND box, int buttonId);

// Registry and files.
std::string ReadUserValue(const std::string& name);  // HKCU\Software\MarrowbyTest
void ClearUserValues();
bool CopyTo(const std::string& from, const std::string& to);
using wintest::ListFiles;

}  // namespace marrowby::e2e
