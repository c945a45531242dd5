// What the settings store needs from the window system to keep a window's
// placement: the screen, the window's placement record and state, the
// keyboard focus and size limits. The Win32 layer provides it
// (placement_win32.cpp); native builds have none (placement_posix.cpp), and
// tests install fakes.
#pragma once

#include <cstdint>

#include "core/handles.h"

namespace marrowby {

struct PlacementPoint {
  int32_t x = 0;
  int32_t y = 0;
};

struct PlacementRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// A window's placement record: flags, show command, minimised and maximised
// positions and the normal (restored) rectangle.
struct WindowPlacement {
  uint32_t flags = 0;
  uint32_t showCmd = 0;
  PlacementPoint minPosition;
  PlacementPoint maxPosition;
  PlacementRect normalPosition;
};

struct ScreenInfo {
  int32_t width = 0;
  int32_t height = 0;
  int32_t pixelsPerInch = 96;
};

enum class TWindowState { Normal, Minimized, Maximized };

// Size limits of a window (zero: no limit).
struct SizeLimits {
  int32_t maxPosLeft = 0, maxPosTop = 0;
  int32_t maxSizeWidth = 0, maxSizeHeight = 0;
  int32_t maxTrackWidth = 0, maxTrackHeight = 0;
  int32_t minTrackWidth = 0, minTrackHeight = 0;
  bool Empty() const {
    return !(maxPosLeft || maxPosTop || maxSizeWidth || maxSizeHeight || maxTrackWidth ||
             maxTrackHeight || minTrackWidth || minTrackHeight);
  }
};

// `window` is a WindowHost's handle and may be null.
class WindowPlacementPort {
 public:
  virtual ~WindowPlacementPort() = default;

  virtual ScreenInfo Screen() = 0;
  virtual bool GetPlacement(NativeWindow window, WindowPlacement* placement) = 0;
  // Moves the window to the positions of the record, keeping its state.
  virtual void SetPlacement(NativeWindow window, const WindowPlacement& placement) = 0;
  virtual void SetWindowState(NativeWindow window, TWindowState state) = 0;
  // The application's main window while the application is minimised.
  virtual bool IsMinimizedMainWindow(NativeWindow window) = 0;
  // The window that has the keyboard focus, or null.
  virtual NativeWindow FocusedWindow() = 0;
  // Focuses the window if it can take the focus (visible and enabled).
  virtual bool FocusWindow(NativeWindow window) = 0;
  // Keeps the window within the limits (and at its size when preventResize);
  // no limits and no preventResize remove the constraint.
  virtual void SetSizeLimits(NativeWindow window, bool preventResize, const SizeLimits& limits) = 0;
};

// The placement port in use; passing null restores the platform's own.
WindowPlacementPort& CurrentPlacementPort();
void SetCurrentPlacementPort(WindowPlacementPort* port);
// Provided by placement_win32.cpp or placement_posix.cpp.
WindowPlacementPort& PlatformPlacementPort();

}  // namespace marrowby
