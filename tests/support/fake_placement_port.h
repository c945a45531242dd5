// A placement port with fake windows: placement records, states, focus and
// size limits kept per window handle, on a screen of a given size. It
// installs itself for its lifetime.
#pragma once

#include <map>

#include "store/window_placement.h"

namespace marrowby::testing {

class FakePlacementPort : public WindowPlacementPort {
 public:
  FakePlacementPort() { SetCurrentPlacementPort(this); }
  ~FakePlacementPort() override { SetCurrentPlacementPort(nullptr); }
  FakePlacementPort(const FakePlacementPort&) = delete;
  FakePlacementPort& operator=(const FakePlacementPort&) = delete;

  ScreenInfo Screen() override { return screen; }
  bool GetPlacement(NativeWindow window, WindowPlacement* placement) override;
  void SetPlacement(NativeWindow window, const WindowPlacement& placement) override;
  void SetWindowState(NativeWindow window, TWindowState state) override;
  bool IsMinimizedMainWindow(NativeWindow window) override {
    return window && window == minimizedMain;
  }
  NativeWindow FocusedWindow() override { return focused; }
  bool FocusWindow(NativeWindow window) override;
  void SetSizeLimits(NativeWindow window, bool preventResize, const SizeLimits& limits) override;

  struct Window {
    WindowPlacement placement;
    TWindowState state = TWindowState::Normal;
    bool canFocus = true;
    bool preventResize = false;
    SizeLimits limits;
    int placed = 0;
  };

  // A handle for a fake window: any distinct address will do.
  static NativeWindow HandleOf(const void* tag) {
    return reinterpret_cast<NativeWindow>(const_cast<void*>(tag));
  }

  ScreenInfo screen{1024, 768, 96};
  std::map<NativeWindow, Window> windows;
  NativeWindow minimizedMain = nullptr;
  NativeWindow focused = nullptr;
};

}  // namespace marrowby::testing
