// The native build has no program starts of its own: the engine's launches
// are exercised with a fake in the unit tests and for real under Wine.
#include "scheduler/process.h"

namespace marrowby {

namespace {

class UnsupportedProcessApi : public ProcessApi {
 public:
  intptr_t Start(const std::string&, uint32_t* error) override {
    *error = 50;  // ERROR_NOT_SUPPORTED
    return 0;
  }
  void Wait(intptr_t) override {}
  void Close(intptr_t) override {}
};

}  // namespace

ProcessApi& PlatformProcessApi() {
  static UnsupportedProcessApi api;
  return api;
}

}  // namespace marrowby
