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

 protected:
  static StorePlatform& real() { return PlatformStorePlatform(); }
};

}  // namespace marrowby::testing
