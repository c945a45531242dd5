// The placement port on Windows: the placement of a store's owner window,
// and the size limits (PreventResize, MinMaxInfo) kept by a listener of the
// window.
#include <windows.h>

#include "core/application_window.h"
#include "core/scoped_win32.h"
#include "core/window_base.h"
#include "store/window_placement.h"

namespace marrowby {

namespace {

// Keeps a window within its size limits: answers WM_GETMINMAXINFO as the
// window would, then narrows the answer. The limits belong to the window, not
// to the store, so that the window may outlive the store (or the other way
// round): the listener goes when its window does.
class SizeLimitListener final : public MessageListener {
 public:
  bool preventResize = false;
  SizeLimits values;
  POINT fixedSize = {0, 0};

  intptr_t OnMessage(HWND, const WindowMessage& message, MessageChain& next) override {
    const intptr_t result = next.PassOn();
    if (message.id == WM_GETMINMAXINFO) Apply(reinterpret_cast<MINMAXINFO*>(message.lParam));
    return result;
  }
  void ListeningEnded(HWND) override { delete this; }

 private:
  void Apply(MINMAXINFO* info) const {
    const SizeLimits& v = values;
    if (v.maxSizeWidth) info->ptMaxSize.x = v.maxSizeWidth;
    if (v.maxSizeHeight) info->ptMaxSize.y = v.maxSizeHeight;
    if (v.maxPosLeft) info->ptMaxPosition.x = v.maxPosLeft;
    if (v.maxPosTop) info->ptMaxPosition.y = v.maxPosTop;
    if (v.minTrackWidth) info->ptMinTrackSize.x = v.minTrackWidth;
    if (v.minTrackHeight) info->ptMinTrackSize.y = v.minTrackHeight;
    if (v.maxTrackWidth) info->ptMaxTrackSize.x = v.maxTrackWidth;
    if (v.maxTrackHeight) info->ptMaxTrackSize.y = v.maxTrackHeight;
    if (preventResize) {
      info->ptMinTrackSize = fixedSize;
      info->ptMaxTrackSize = fixedSize;
    }
  }
};

SizeLimitListener* LimitsOf(HWND hwnd) {
  for (MessageListener* l : MessageListenersOf(hwnd)) {
    if (auto* limits = dynamic_cast<SizeLimitListener*>(l)) return limits;
  }
  return nullptr;
}

bool GetPlacementOf(HWND hwnd, WindowPlacement* out) {
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof(wp);
  if (!hwnd || !GetWindowPlacement(hwnd, &wp)) return false;
  out->flags = wp.flags;
  out->showCmd = wp.showCmd;
  out->minPosition = {wp.ptMinPosition.x, wp.ptMinPosition.y};
  out->maxPosition = {wp.ptMaxPosition.x, wp.ptMaxPosition.y};
  const RECT& r = wp.rcNormalPosition;
  out->normalPosition = {r.left, r.top, r.right, r.bottom};
  return true;
}

void SetPlacementOf(HWND hwnd, const WindowPlacement& pl) {
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof(wp);
  if (!hwnd || !GetWindowPlacement(hwnd, &wp)) return;
  wp.flags = pl.flags;
  wp.ptMinPosition = {pl.minPosition.x, pl.minPosition.y};
  wp.ptMaxPosition = {pl.maxPosition.x, pl.maxPosition.y};
  const RECT normal = {pl.normalPosition.left, pl.normalPosition.top, pl.normalPosition.right,
                       pl.normalPosition.bottom};
  // A position stored on a monitor that is gone would put the window where
  // nobody can see it: keep the current one then.
  if (MonitorFromRect(&normal, MONITOR_DEFAULTTONULL)) wp.rcNormalPosition = normal;
  // Placing must not show a hidden window.
  if (!IsWindowVisible(hwnd)) wp.showCmd = SW_HIDE;
  SetWindowPlacement(hwnd, &wp);
}

bool IsMinimizedMain(HWND window) {
  ApplicationWindow& app = CurrentApplicationWindow();
  return window && app.MainWindowHandle() == window && app.Minimized();
}

void SetStateOf(HWND hwnd, TWindowState state) {
  if (!hwnd) return;
  ApplicationWindow& app = CurrentApplicationWindow();
  if (app.MainWindowHandle() == hwnd) {
    // The main window is minimised by minimising the application.
    if (state == TWindowState::Minimized) {
      app.Minimize();
      return;
    }
    if (app.Minimized()) app.Restore();
  }
  if (!IsWindowVisible(hwnd)) return;
  // Through the placement record rather than ShowWindow: under Wine a
  // ShowWindow right after a move is undone by the window manager's late
  // answer to the move.
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof(wp);
  if (!GetWindowPlacement(hwnd, &wp)) return;
  wp.showCmd = state == TWindowState::Minimized   ? SW_SHOWMINIMIZED
               : state == TWindowState::Maximized ? SW_SHOWMAXIMIZED
                                                  : SW_SHOWNORMAL;
  SetWindowPlacement(hwnd, &wp);
}

ScreenInfo ScreenNow() {
  ScreenInfo s;
  s.width = GetSystemMetrics(SM_CXSCREEN);
  s.height = GetSystemMetrics(SM_CYSCREEN);
  const ScopedWindowDC screen(nullptr);
  if (screen.Get()) s.pixelsPerInch = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  return s;
}

bool Focus(HWND hwnd) {
  if (!hwnd || !IsWindow(hwnd) || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)) return false;
  SetFocus(hwnd);
  return GetFocus() == hwnd;
}

void SetLimitsOf(HWND hwnd, bool preventResize, const SizeLimits& values) {
  if (!hwnd || !IsWindow(hwnd)) return;
  SizeLimitListener* limits = LimitsOf(hwnd);
  if (!preventResize && values.Empty()) {
    if (limits) {
      RemoveMessageListener(hwnd, limits);
      delete limits;
    }
    return;
  }
  if (!limits) {
    limits = new SizeLimitListener;
    if (!AddMessageListener(hwnd, limits)) {
      delete limits;
      return;
    }
  }
  RECT r;
  GetWindowRect(hwnd, &r);
  limits->preventResize = preventResize;
  limits->values = values;
  limits->fixedSize = POINT{r.right - r.left, r.bottom - r.top};
}

class Win32PlacementPort : public WindowPlacementPort {
 public:
  ScreenInfo Screen() override { return ScreenNow(); }
  bool GetPlacement(HWND window, WindowPlacement* p) override { return GetPlacementOf(window, p); }
  void SetPlacement(HWND window, const WindowPlacement& p) override { SetPlacementOf(window, p); }
  void SetWindowState(HWND window, TWindowState s) override { SetStateOf(window, s); }
  bool IsMinimizedMainWindow(HWND window) override { return IsMinimizedMain(window); }
  HWND FocusedWindow() override { return GetFocus(); }
  bool FocusWindow(HWND window) override { return Focus(window); }
  void SetSizeLimits(HWND window, bool prevent, const SizeLimits& v) override {
    SetLimitsOf(window, prevent, v);
  }
};

}  // namespace

WindowPlacementPort& PlatformPlacementPort() {
  static Win32PlacementPort port;
  return port;
}

}  // namespace marrowby
