// Driving a program from outside, as a user would: start it, find its windows
// by class and title and its controls by name, click, type, read and answer
// message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace marrowby::e2e {

class Program {
 public:
  Program() = default;
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Starts the program with a command line (program path quoted for you).
  bool Start(const std::string& path, const std::string& args = "");
  // The same for a path in any script, without arguments.
  bool StartWide(const std::wstring& path);
  bool Running() const;
  // Waits for the process to end; false on timeout.
  bool WaitExit(DWORD timeoutMs);
  DWORD ExitCode() const;
  void Kill();
  DWORD Pid() const { return pi_.dwProcessId; }

 private:
  PROCESS_INFORMATION pi_ = {};
};

// A top-level window of the process with that class (and title, if given).
HWND FindTopWindow(DWORD pid, const std::string& cls, const std::string& title = "");
// Every visible top-level window of the process with that class.
std::vector<HWND> AllTopWindows(DWORD pid, const std::string& cls);
// Waits for a top-level window of the process; with visible, one that is
// visible or was shown (and may have hidden itself again since).
HWND WaitTopWindow(DWORD pid, const std::string& cls, const std::string& title, DWORD timeoutMs,
                   bool visible = true);
// The window is visible, or was shown since this process started a program.
bool WasShown(HWND hwnd);
// The control of a form that carries the component name.
HWND FindControl(HWND form, const std::string& name);
std::string Text(HWND hwnd);
bool Checked(HWND checkbox);
RECT ClientRectIn(HWND control, HWND form);

// Asks the control to act without waiting for what it does (a click that
// opens a modal box would otherwise block the caller).
void Click(HWND hwnd);
void SetText(HWND edit, const std::string& text);

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;
};
// The next message box of the process (a dialog of class #32770 with the
// message box's text control), or hwnd null on timeout.
MessageBoxInfo WaitMessageBox(DWORD pid, DWORD timeoutMs);
// Presses the message box's button with that text ("OK", "&Yes", "Cancel").
bool PressButton(const MessageBoxInfo& box, const std::string& text);

// For a wait on the process that gave up after timeoutMs: prints what was
// missing and what the process was doing (not for short looks under 3 s).
void ReportGiveUp(DWORD pid, const char* what, DWORD timeoutMs);

// Sleeps while letting this process's own messages flow (the pumping of the
// Windows tests' helpers).
void Wait(DWORD ms);
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs);

}  // namespace marrowby::e2e
