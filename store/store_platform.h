// What the settings store needs from the platform besides files (which it
// reads and writes through core's file system): the executable's name (the
// default file name and registry key), the registry, and the window
// placement of the store's owner window. The Win32 layer provides it
// (store_platform_win32.cpp); tests install fakes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "store/ini_file.h"

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

class StorePlatform {
 public:
  virtual ~StorePlatform() = default;

  // The executable's file name without its folder ("schedmgr.exe").
  virtual std::string ExeName() = 0;
  // The profile file of that name, with the program's folder under the
  // user's data folder as its per-user place (TIniFile over the current file
  // system unless replaced).
  virtual std::unique_ptr<TCustomIniFile> OpenProfile(const std::string& fileName,
                                                      const std::string& userFolder);
  // The current user's registry key of that path ("Software\schedmgr").
  virtual std::unique_ptr<TCustomIniFile> OpenRegistry(const std::string& keyPath) = 0;

  // Windows; `window` is a WindowHost's handle and may be null.
  virtual ScreenInfo Screen() = 0;
  virtual bool GetPlacement(void* window, WindowPlacement* placement) = 0;
  // Moves the window to the positions of the record, keeping its state.
  virtual void SetPlacement(void* window, const WindowPlacement& placement) = 0;
  virtual void SetWindowState(void* window, TWindowState state) = 0;
  // The application's main window while the application is minimised.
  virtual bool IsMinimizedMainWindow(void* window) = 0;
  // The window that has the keyboard focus, or null.
  virtual void* FocusedWindow() = 0;
  // Focuses the window if it can take the focus (visible and enabled).
  virtual bool FocusWindow(void* window) = 0;
  // Keeps the window within the limits (and at its size when preventResize);
  // no limits and no preventResize remove the constraint.
  virtual void SetSizeLimits(void* window, bool preventResize, const SizeLimits& limits) = 0;
};

// The store platform in use; passing null restores the platform's own.
StorePlatform& CurrentStorePlatform();
void SetCurrentStorePlatform(StorePlatform* platform);
// Provided by store_platform_win32.cpp or store_platform_posix.cpp.
StorePlatform& PlatformStorePlatform();

}  // namespace marrowby
