// The one way to make a window and to hook a window's messages (Win32).
//
// WindowBase backs every window an object makes for itself: the forms and
// their panels, the application window, the timer host's, the tray icon's and
// the tray menu's hidden windows. It registers each window class once, with
// the helper's own window procedure; stores the object at WM_NCCREATE, so
// that no message of the window's creation misses it; hands every message
// first to the window's listeners, then to the object's handler, inside the
// guarded-callback boundary (CallGuarded), so that no exception reaches the
// window system; and forgets the window at WM_NCDESTROY.
//
// A listener is how anybody else hooks a window (a drop target, a window's
// size limits): AddMessageListener. On a window of this helper it joins the
// object's list; on a window whose procedure is the system's (a common
// control), the helper puts its one subclass in front of the control and
// dispatches to the listeners the same way.
//
// The header names no Windows type, so that a component's portable header may
// derive from it.
#pragma once

#include <cstdint>
#include <vector>

#include "core/handles.h"

namespace marrowby {

// One message as the window procedure receives it.
struct WindowMessage {
  unsigned id = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// The rest of a message's way, as a listener sees it.
class MessageChain {
 public:
  // Hands the message on (once): to the listeners added after this one, then
  // to the window's own handling; returns their answer.
  virtual intptr_t PassOn() = 0;

 protected:
  ~MessageChain() = default;
};

class MessageListener {
 public:
  virtual ~MessageListener() = default;
  // A message of a window listened to. A listener that answers it returns
  // its answer without passing it on; one that only looks, or adjusts what
  // the window answered, passes it on.
  virtual intptr_t OnMessage(NativeWindow window, const WindowMessage& message,
                             MessageChain& next) = 0;
  // The listener hears no more of that window: the window is gone, or its
  // object let go of it.
  virtual void ListeningEnded(NativeWindow /*window*/) {}
};

// Listeners see a window's messages in the order they were added; adding one
// twice adds it once. False when there is no window to listen to.
bool AddMessageListener(NativeWindow window, MessageListener* listener);
void RemoveMessageListener(NativeWindow window, MessageListener* listener);
// The listeners of a window, in their order.
std::vector<MessageListener*> MessageListenersOf(NativeWindow window);

class WindowBase {
 public:
  // What CreateOwnWindow makes. The class settings count when the class is
  // registered, on the first window of that class name.
  struct WindowSetup {
    const char* className = nullptr;
    const char* text = "";
    unsigned long style = 0;
    unsigned long exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
    NativeWindow parent = nullptr;  // owner window, the parent of a child window, or null
    int id = 0;                     // a child window's control id
    bool messageOnly = false;       // a message-only window (parent HWND_MESSAGE)
    NativeIcon classIcon = nullptr;
    NativeIcon classCursor = nullptr;
    NativeBrush classBackground = nullptr;
  };

  WindowBase() = default;
  // Destroys the window, which no longer reaches the handler of an object
  // that is being destroyed.
  virtual ~WindowBase();
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  // The window, null before it is created and once it is gone.
  NativeWindow OwnWindow() const { return window_; }
  // The object whose window that is, or null (another kind of window, or one
  // whose object has let go of it).
  static WindowBase* ObjectOf(NativeWindow window);

 protected:
  // Registers the class when it is not yet, and creates the window; the
  // handler sees its messages from WM_NCCREATE on. False when the system
  // refuses either.
  bool CreateOwnWindow(const WindowSetup& setup);
  // No message reaches the handler or the listeners any more; the window
  // stays.
  void DetachOwnWindow();
  // Detaches and destroys the window.
  void DestroyOwnWindow();

  // Handles one message of the window, after its listeners; by default the
  // system's default handling. What it throws goes to the application's
  // error display, and the message then answers 0.
  virtual intptr_t HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam);
  // The system's default handling (DefWindowProc) of a message of the window.
  intptr_t DefaultHandling(unsigned message, uintptr_t wParam, intptr_t lParam);

 private:
  friend struct WindowProcedure;
  friend bool AddMessageListener(NativeWindow, MessageListener*);
  friend void RemoveMessageListener(NativeWindow, MessageListener*);
  friend std::vector<MessageListener*> MessageListenersOf(NativeWindow);
  void EndListening();

  NativeWindow window_ = nullptr;
  std::vector<MessageListener*> listeners_;
};

}  // namespace marrowby
