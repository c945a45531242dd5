// The placement port of native builds: there are no windows to place.
#include "store/window_placement.h"

namespace marrowby {

namespace {

class NoWindowsPlacementPort : public WindowPlacementPort {
 public:
  ScreenInfo Screen() override { return ScreenInfo{}; }
  bool GetPlacement(NativeWindow, WindowPlacement*) override { return false; }
  void SetPlacement(NativeWindow, const WindowPlacement&) override {}
  void SetWindowState(NativeWindow, TWindowState) override {}
  bool IsMinimizedMainWindow(NativeWindow) override { return false; }
  NativeWindow FocusedWindow() override { return nullptr; }
  bool FocusWindow(NativeWindow) override { return false; }
  void SetSizeLimits(NativeWindow, bool, const SizeLimits&) override {}
};

}  // namespace

WindowPlacementPort& PlatformPlacementPort() {
  static NoWindowsPlacementPort port;
  return port;
}

}  // namespace marrowby
