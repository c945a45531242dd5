#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "core/errors.h"
#include "core/window_base.h"

namespace marrowby {

namespace {

bool Contains(const std::vector<MessageListener*>& list, const MessageListener* listener) {
  return std::find(list.begin(), list.end(), listener) != list.end();
}

// Where a message goes: the listeners as they are now (one may remove
// another, or its object may let go of the window, while the message runs),
// then the window's own handling.
class Route {
 public:
  virtual const std::vector<MessageListener*>* Listeners() = 0;
  virtual LRESULT Last() = 0;

 protected:
  ~Route() = default;
};

class Chain final : public MessageChain {
 public:
  Chain(HWND hwnd, Route& route, const WindowMessage& message)
      : hwnd_(hwnd), route_(route), message_(message) {
    if (const auto* live = route.Listeners()) snapshot_ = *live;
  }

  intptr_t PassOn() override {
    while (next_ < snapshot_.size()) {
      MessageListener* listener = snapshot_[next_++];
      const auto* live = route_.Listeners();
      if (live && Contains(*live, listener)) return listener->OnMessage(hwnd_, message_, *this);
    }
    return route_.Last();
  }

 private:
  HWND hwnd_;
  Route& route_;
  WindowMessage message_;
  std::vector<MessageListener*> snapshot_;
  size_t next_ = 0;
};

// The listeners of a window whose procedure is not ours (a common control),
// reached through the one subclass this helper puts in front of it. They are
// found again through a window property: mingw-w64's import library of
// comctl32 lacks GetWindowSubclass.
struct ForeignListeners {
  std::vector<MessageListener*> listeners;
  int depth = 0;  // messages being dispatched; the record stays while any is
};

const char kListenersProperty[] = "MarrowbyListeners";
constexpr UINT_PTR kSubclassId = 0x4D4C5354;  // "MLST"

ForeignListeners* ForeignOf(HWND hwnd) {
  return static_cast<ForeignListeners*>(GetPropA(hwnd, kListenersProperty));
}

LRESULT CALLBACK ForeignProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref);

void Unhook(HWND hwnd, ForeignListeners* foreign) {
  RemoveWindowSubclass(hwnd, ForeignProcedure, kSubclassId);
  RemovePropA(hwnd, kListenersProperty);
  delete foreign;
}

class ForeignRoute final : public Route {
 public:
  ForeignRoute(HWND hwnd, ForeignListeners& foreign, UINT msg, WPARAM wp, LPARAM lp)
      : hwnd_(hwnd), foreign_(foreign), msg_(msg), wp_(wp), lp_(lp) {}
  const std::vector<MessageListener*>* Listeners() override { return &foreign_.listeners; }
  LRESULT Last() override { return DefSubclassProc(hwnd_, msg_, wp_, lp_); }

 private:
  HWND hwnd_;
  ForeignListeners& foreign_;
  UINT msg_;
  WPARAM wp_;
  LPARAM lp_;
};

LRESULT CALLBACK ForeignProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                  DWORD_PTR ref) {
  auto* foreign = reinterpret_cast<ForeignListeners*>(ref);
  ++foreign->depth;
  ForeignRoute route(hwnd, *foreign, msg, wp, lp);
  Chain chain(hwnd, route, WindowMessage{msg, wp, lp});
  LRESULT result = 0;
  CallGuarded([&] { result = chain.PassOn(); });
  --foreign->depth;
  if (msg == WM_NCDESTROY) {
    // The window's last message: the listeners hear no more of it.
    const std::vector<MessageListener*> ended = std::move(foreign->listeners);
    foreign->listeners.clear();
    for (MessageListener* l : ended) l->ListeningEnded(hwnd);
  }
  if (foreign->depth == 0 && foreign->listeners.empty()) Unhook(hwnd, foreign);
  return result;
}

}  // namespace

struct WindowProcedure {
  class OwnRoute final : public Route {
   public:
    OwnRoute(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) : hwnd_(hwnd), msg_(msg), wp_(wp), lp_(lp) {}
    const std::vector<MessageListener*>* Listeners() override {
      WindowBase* self = WindowBase::ObjectOf(hwnd_);
      return self ? &self->listeners_ : nullptr;
    }
    LRESULT Last() override {
      // The object may have let go of its window while the listeners ran.
      WindowBase* self = WindowBase::ObjectOf(hwnd_);
      return self ? self->HandleMessage(msg_, wp_, lp_) : DefWindowProcA(hwnd_, msg_, wp_, lp_);
    }

   private:
    HWND hwnd_;
    UINT msg_;
    WPARAM wp_;
    LPARAM lp_;
  };

  static LRESULT CALLBACK Run(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      auto* self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      if (self) self->window_ = hwnd;
    }
    if (!WindowBase::ObjectOf(hwnd)) return DefWindowProcA(hwnd, msg, wp, lp);
    OwnRoute route(hwnd, msg, wp, lp);
    Chain chain(hwnd, route, WindowMessage{msg, wp, lp});
    LRESULT result = 0;
    CallGuarded([&] { result = chain.PassOn(); });
    if (msg == WM_NCDESTROY) {
      // The window's last message: the object forgets it.
      if (WindowBase* self = WindowBase::ObjectOf(hwnd)) {
        self->DetachOwnWindow();
        self->window_ = nullptr;
      }
    }
    return result;
  }
};

namespace {

bool RegisterOnce(const WindowBase::WindowSetup& setup, HINSTANCE inst) {
  WNDCLASSA wc = {};
  if (GetClassInfoA(inst, setup.className, &wc)) return true;
  wc.lpfnWndProc = WindowProcedure::Run;
  wc.hInstance = inst;
  wc.hIcon = setup.classIcon;
  wc.hCursor = setup.classCursor;
  wc.hbrBackground = setup.classBackground;
  wc.lpszClassName = setup.className;
  return RegisterClassA(&wc) != 0;
}

}  // namespace

WindowBase::~WindowBase() { DestroyOwnWindow(); }

WindowBase* WindowBase::ObjectOf(HWND hwnd) {
  if (!hwnd) return nullptr;
  // The class's procedure, not the window's: a subclass (a tooltip's)
  // replaces the latter.
  WNDPROC proc = reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC));
  if (proc != WindowProcedure::Run) return nullptr;
  return reinterpret_cast<WindowBase*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

bool WindowBase::CreateOwnWindow(const WindowSetup& setup) {
  if (window_) return true;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (!RegisterOnce(setup, inst)) return false;
  HWND parent = setup.messageOnly ? HWND_MESSAGE : setup.parent;
  HMENU id = (setup.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(setup.id))
                                      : nullptr;
  HWND hwnd = CreateWindowExA(setup.exStyle, setup.className, setup.text, setup.style, setup.x,
                              setup.y, setup.width, setup.height, parent, id, inst, this);
  if (!hwnd) window_ = nullptr;  // a creation refused after WM_NCCREATE
  return hwnd != nullptr;
}

void WindowBase::DetachOwnWindow() {
  if (!window_) return;
  SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
  EndListening();
}

void WindowBase::EndListening() {
  const std::vector<MessageListener*> ended = std::move(listeners_);
  listeners_.clear();
  for (MessageListener* l : ended) l->ListeningEnded(window_);
}

void WindowBase::DestroyOwnWindow() {
  if (!window_) return;
  HWND hwnd = window_;
  DetachOwnWindow();
  window_ = nullptr;
  DestroyWindow(hwnd);
}

intptr_t WindowBase::HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
  return DefaultHandling(message, wParam, lParam);
}

intptr_t WindowBase::DefaultHandling(unsigned message, uintptr_t wParam, intptr_t lParam) {
  return DefWindowProcA(window_, message, wParam, lParam);
}

// ---- Listeners ------------------------------------------------------------------

bool AddMessageListener(HWND hwnd, MessageListener* listener) {
  if (!hwnd || !listener || !IsWindow(hwnd)) return false;
  if (WindowBase* own = WindowBase::ObjectOf(hwnd)) {
    if (!Contains(own->listeners_, listener)) own->listeners_.push_back(listener);
    return true;
  }
  ForeignListeners* foreign = ForeignOf(hwnd);
  if (!foreign) {
    foreign = new ForeignListeners;
    if (!SetWindowSubclass(hwnd, ForeignProcedure, kSubclassId,
                           reinterpret_cast<DWORD_PTR>(foreign))) {
      delete foreign;
      return false;
    }
    SetPropA(hwnd, kListenersProperty, foreign);
  }
  if (!Contains(foreign->listeners, listener)) foreign->listeners.push_back(listener);
  return true;
}

void RemoveMessageListener(HWND hwnd, MessageListener* listener) {
  if (!hwnd) return;
  if (WindowBase* own = WindowBase::ObjectOf(hwnd)) {
    auto& list = own->listeners_;
    list.erase(std::remove(list.begin(), list.end(), listener), list.end());
    return;
  }
  if (ForeignListeners* foreign = ForeignOf(hwnd)) {
    auto& list = foreign->listeners;
    list.erase(std::remove(list.begin(), list.end(), listener), list.end());
    if (list.empty() && foreign->depth == 0) Unhook(hwnd, foreign);
  }
}

std::vector<MessageListener*> MessageListenersOf(HWND hwnd) {
  if (!hwnd) return {};
  if (WindowBase* own = WindowBase::ObjectOf(hwnd)) return own->listeners_;
  if (ForeignListeners* foreign = ForeignOf(hwnd)) return foreign->listeners;
  return {};
}

}  // namespace marrowby
