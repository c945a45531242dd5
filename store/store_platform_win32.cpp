// The store platform on Windows: the real file system, registry and windows.
#include <windows.h>

#include "store/registry_win32.h"
#include "store/store_platform.h"

namespace marrowby {

// placement_win32.cpp
bool Win32GetPlacement(void* window, WindowPlacement* out);
void Win32SetPlacement(void* window, const WindowPlacement& pl);
bool Win32IsMinimizedMainWindow(void* window);
void Win32SetWindowState(void* window, TWindowState state);
ScreenInfo Win32Screen();
void* Win32FocusedWindow();
bool Win32FocusWindow(void* window);
void Win32SetSizeLimits(void* window, bool preventResize, const SizeLimits& values);

namespace {

class Win32StorePlatform : public StorePlatform {
 public:
  std::string ExeName() override {
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    const std::string path(buf, n < MAX_PATH ? n : 0);
    return path.substr(path.find_last_of("\\/") + 1);
  }
  std::unique_ptr<TCustomIniFile> OpenRegistry(const std::string& keyPath) override {
    return std::make_unique<TRegistryIniFile>(keyPath);
  }
  ScreenInfo Screen() override { return Win32Screen(); }
  bool GetPlacement(void* window, WindowPlacement* p) override { return Win32GetPlacement(window, p); }
  void SetPlacement(void* window, const WindowPlacement& p) override { Win32SetPlacement(window, p); }
  void SetWindowState(void* window, TWindowState s) override { Win32SetWindowState(window, s); }
  bool IsMinimizedMainWindow(void* window) override { return Win32IsMinimizedMainWindow(window); }
  void* FocusedWindow() override { return Win32FocusedWindow(); }
  bool FocusWindow(void* window) override { return Win32FocusWindow(window); }
  void SetSizeLimits(void* window, bool prevent, const SizeLimits& v) override {
    Win32SetSizeLimits(window, prevent, v);
  }
};

}  // namespace

StorePlatform& PlatformStorePlatform() {
  static Win32StorePlatform platform;
  return platform;
}

}  // namespace marrowby
