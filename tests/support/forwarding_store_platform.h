// A store platform that installs itself for its lifetime and passes every
// service to the platform's own; tests and benchmarks derive from it and
// replace only what they exercise (the profile files).
#pragma once

#include <memory>
#include <string>

#include "store/store_platform.h"

namespace marrowby::testing {

class ForwardingStorePlatform : public StorePlatform {
 public:
  ForwardingStorePlatform() { SetCurrentStorePlatform(this); }
  ~ForwardingStorePlatform() override { SetCurrentStorePlatform(nullptr); }
  ForwardingStorePlatform(const ForwardingStorePlatform&) = delete;
  ForwardingStorePlatform& operator=(const ForwardingStorePlatform&) = delete;

  std::string ExeName() override { return real().ExeName(); }
  std::unique_ptr<TCustomIniFile> OpenRegistry(const std::string& k) override {
    return real().OpenRegistry(k);
  }
  ScreenInfo Screen() override { return real().Screen(); }
  bool GetPlacement(void* w, WindowPlacement* p) override { return real().GetPlacement(w, p); }
  void SetPlacement(void* w, const WindowPlacement& p) override { real().SetPlacement(w, p); }
  void SetWindowState(void* w, TWindowState s) override { real().SetWindowState(w, s); }
  bool IsMinimizedMainWindow(void* w) override { return real().IsMinimizedMainWindow(w); }
  void* FocusedWindow() override { return real().FocusedWindow(); }
  bool FocusWindow(void* w) override { return real().FocusWindow(w); }
  void SetSizeLimits(void* w, bool p, const SizeLimits& l) override {
    real().SetSizeLimits(w, p, l);
  }

 protected:
  static StorePlatform& real() { return PlatformStorePlatform(); }
};

}  // namespace marrowby::testing
