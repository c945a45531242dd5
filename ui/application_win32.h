// The application object of a Win32 GUI program: its title, the hidden
// application window that stands for the program on the taskbar and owns the
// main window, the message loop, minimising and restoring the whole program,
// and the error display that every callback hands its exceptions to. It is
// the program's application window (core/application_window.h) for the
// settings store and the shell parts, registered as it is created.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "core/application_window.h"
#include "core/window_base.h"
#include "core/object.h"

namespace marrowby {

class TApplication : public TObject, public ApplicationWindow, private WindowBase {
 public:
  TApplication();
  ~TApplication() override;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  // The application window (class "TApplication"): a zero-size top-level
  // window whose text is the title. Created with the object.
  HWND Handle() const { return OwnWindow(); }
  NativeWindow ApplicationHandle() const override { return OwnWindow(); }

  std::string Title() const override;
  void SetTitle(const std::string& title);
  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(const std::string& file) { helpFile_ = file; }
  // Asks the help viewer for the help file (WinHelp command and data).
  // OnHelp sees the request first; when it returns true it has served it
  // and WinHelp is not asked.
  bool HelpCommand(UINT command, ULONG_PTR data);
  std::function<bool(UINT command, ULONG_PTR data)> OnHelp;

  // The main window: closing it ends the message loop.
  HWND MainWindow() const { return mainWindow_; }
  NativeWindow MainWindowHandle() const override { return mainWindow_; }
  void SetMainWindow(HWND hwnd) { mainWindow_ = hwnd; }

  // Terminated: set once the loop has seen (or been asked for) a quit request.
  bool Terminated() const;
  void Terminate();
  // Dispatches the pending messages; a quit request sets Terminated and is
  // left for Run to see.
  void ProcessMessages() override;
  // Runs the message loop until a quit request.
  void Run();

  // Minimising hides the main window behind the minimised application window;
  // restoring shows it again. OnMinimize and OnRestore follow every change of
  // state, whoever caused it (the program, the taskbar, another copy).
  void Minimize() override;
  void Restore() override;
  bool Minimized() const override { return minimized_; }
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;

  // The error display: OnException when assigned, else ShowException.
  void HandleException(const std::exception& e);
  // The standard error box: the message, the title as caption, stop icon.
  // While a box shows an error, the same error raised again (a timer or a
  // deactivation repeating the failed step) is not stacked on top of it.
  void ShowException(const std::exception& e);
  std::function<void(TObject* Sender, const std::exception& E)> OnException;

  // The owner of a message box: the active window when the user can see it,
  // else the main window when it is shown, else the application window. A
  // box shown from the tray menu (whose hidden window is active then) thus
  // still holds the shown main window while it is open.
  HWND DialogOwner() const;

  // The current hint text; OnHint runs when it changes.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  TNotifyEvent OnHint;


 private:
  intptr_t HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;
  void StateChanged(bool minimized);

  HWND mainWindow_ = nullptr;
  std::string helpFile_;
  std::string hint_;
  std::vector<std::string> errorsShown_;  // messages of the error boxes open now
  bool minimized_ = false;
};

// The program's one application object, created on first use.
TApplication& Application();

}  // namespace marrowby
