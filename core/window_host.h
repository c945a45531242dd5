// A component that owns a window (a form), seen from portable code. Components
// that need their owner's window, or want to act on its showing, closing and
// destruction, find it through this interface.
#pragma once

#include <algorithm>
#include <vector>

#include "core/handles.h"

namespace marrowby {

class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void FormShown() {}
  virtual void FormClosing() {}
  virtual void FormDestroying() {}
};

class WindowHost {
 public:
  virtual ~WindowHost() = default;

  // The window's handle, created when it does not exist yet; null where
  // there is no window system.
  virtual NativeWindow WindowHandle() = 0;

  void AddFormEvents(FormEvents* listener) {
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
      listeners_.push_back(listener);
    }
  }
  void RemoveFormEvents(FormEvents* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
  }

 protected:
  // The window calls these as it is shown, about to close and destroyed.
  void NotifyShown() { Each(&FormEvents::FormShown); }
  void NotifyClosing() { Each(&FormEvents::FormClosing); }
  void NotifyDestroying() { Each(&FormEvents::FormDestroying); }

 private:
  void Each(void (FormEvents::*fn)()) {
    const std::vector<FormEvents*> snapshot = listeners_;
    for (FormEvents* l : snapshot) {
      if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) (l->*fn)();
    }
  }
  std::vector<FormEvents*> listeners_;
};

}  // namespace marrowby
