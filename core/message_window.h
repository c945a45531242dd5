// The one helper for the windows that objects make for themselves (Win32): the
// timer host's message-only window, the tray icon's and the tray menu's hidden
// windows, the application window and the forms' windows. It registers each
// window class once, with the helper's own window procedure; stores the object
// at WM_NCCREATE, so that no message of the window's creation misses it; and
// hands every message to the object's handler inside the guarded-callback
// boundary (CallGuarded), so that no exception reaches the window system.
//
// The header names no Windows type, so that a component's portable header may
// derive from it.
#pragma once

#include <cstdint>

#include "core/handles.h"

namespace marrowby {

class MessageWindow {
 public:
  // What CreateOwnWindow makes. The class settings count when the class is
  // registered, on the first window of that class name.
  struct WindowSetup {
    const char* className = nullptr;
    const char* text = "";
    unsigned long style = 0;
    unsigned long exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
    NativeWindow parent = nullptr;  // owner window, or null
    bool messageOnly = false;  // a message-only window (parent HWND_MESSAGE)
    NativeIcon classIcon = nullptr;
    NativeIcon classCursor = nullptr;
    NativeBrush classBackground = nullptr;
  };

  MessageWindow() = default;
  // Destroys the window, which no longer reaches the handler of an object
  // that is being destroyed.
  virtual ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // The window, null before it is created and after it is gone.
  NativeWindow OwnWindow() const { return window_; }
  // The object whose window that is, or null (another kind of window, or one
  // whose object has let go of it).
  static MessageWindow* ObjectOf(NativeWindow window);

 protected:
  // Registers the class when it is not yet, and creates the window; the
  // handler sees its messages from WM_NCCREATE on. False when the system
  // refuses either.
  bool CreateOwnWindow(const WindowSetup& setup);
  // No message reaches the handler any more; the window stays.
  void DetachOwnWindow();
  // Detaches and destroys the window.
  void DestroyOwnWindow();

  // Handles one message of the window; by default the system's default
  // handling. What it throws goes to the application's error display, and
  // the message then answers 0.
  virtual intptr_t HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam);
  // The system's default handling (DefWindowProc) of a message of the window.
  intptr_t DefaultHandling(unsigned message, uintptr_t wParam, intptr_t lParam);

 private:
  friend struct MessageWindowProcedure;
  NativeWindow window_ = nullptr;
};

}  // namespace marrowby
