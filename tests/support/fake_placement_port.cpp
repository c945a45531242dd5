#include "tests/support/fake_placement_port.h"

namespace marrowby::testing {

bool FakePlacementPort::GetPlacement(NativeWindow window, WindowPlacement* placement) {
  auto it = windows.find(window);
  if (it == windows.end()) return false;
  *placement = it->second.placement;
  return true;
}

void FakePlacementPort::SetPlacement(NativeWindow window, const WindowPlacement& placement) {
  auto it = windows.find(window);
  if (it == windows.end()) return;
  const uint32_t showCmd = it->second.placement.showCmd;
  it->second.placement = placement;
  it->second.placement.showCmd = showCmd;
  ++it->second.placed;
}

void FakePlacementPort::SetWindowState(NativeWindow window, TWindowState state) {
  auto it = windows.find(window);
  if (it != windows.end()) it->second.state = state;
}

bool FakePlacementPort::FocusWindow(NativeWindow window) {
  auto it = windows.find(window);
  if (it == windows.end() || !it->second.canFocus) return false;
  focused = window;
  return true;
}

void FakePlacementPort::SetSizeLimits(NativeWindow window, bool preventResize,
                                      const SizeLimits& limits) {
  auto it = windows.find(window);
  if (it == windows.end()) return;
  it->second.preventResize = preventResize;
  it->second.limits = limits;
}

}  // namespace marrowby::testing
