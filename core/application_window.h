// The program's application window, as the components outside the user-interface
// layer see it: the settings store (the main window's placement) and the shell
// parts (the tray menu, the single-instance guard). The user-interface layer
// implements it (TApplication) and registers it when the application object is
// created; until then a stand-in with no window answers.
#pragma once

#include <string>

#include "core/handles.h"

namespace marrowby {

class ApplicationWindow {
 public:
  virtual ~ApplicationWindow() = default;

  // The application window: the program's taskbar entry, owner of the main
  // window; its text is the title.
  virtual NativeWindow ApplicationHandle() const = 0;
  virtual std::string Title() const = 0;
  // The main window, or null before it is made.
  virtual NativeWindow MainWindowHandle() const = 0;
  // Minimising hides the main window behind the minimised application window.
  virtual bool Minimized() const = 0;
  virtual void Minimize() = 0;
  virtual void Restore() = 0;
  // Dispatches the pending messages of the user-interface thread.
  virtual void ProcessMessages() = 0;
};

// The registered application window, or the stand-in (no handle, no main
// window, never minimised, nothing to process) when none is.
ApplicationWindow& CurrentApplicationWindow();
// Registers the application window; null takes it back.
void SetApplicationWindow(ApplicationWindow* window);

}  // namespace marrowby
